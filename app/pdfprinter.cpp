#include "app/pdfprinter.h"

#include "app/titles.h"
#include "platform/messageboxes.h"
#include "platform/printers.h"

namespace app {

QString PdfPrinterMissingText()
{
    const QString name = QString::fromLatin1(PdfPrinterName);
    return name + " is not installed. Please follow these instructions:" + "\r\n\r\n"
        + "1) Go to Control Panel -> Printers and Faxes to add a local printer." + "\r\n"
        + "2) Choose ''CPW2: (" + name + ")'' on Select a Printer Port dialog box, click Next."
        + "\r\n"
        + "3) Choose a Postscript printer (e.g. HP Color LaserJet PS), click Next." + "\r\n"
        + "4) Enter " + name + " as Printer name, click Next -> Finish.";
}

void CheckPdfPrinter(const platform::Printers &printers, platform::MessageBoxes &messages)
{
    const QStringList names = printers.names();
    for (const QString &name : names) {
        if (name == QLatin1String(PdfPrinterName))
            return;
    }
    messages.inform(ShortTitle(), PdfPrinterMissingText());
}

} // namespace app
