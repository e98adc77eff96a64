#pragma once

#include "platform/printers.h"

#include <QString>

namespace platform {
class MessageBoxes;
}

namespace app {

// The printer the PDF export prints to.
inline constexpr const char *PdfPrinterName = platform::BuiltInPdfPrinterName;

// The installation instructions shown when that printer is missing.
QString PdfPrinterMissingText();

// Looks for the PDF printer by exact name; tells the user when it is missing.
void CheckPdfPrinter(const platform::Printers &printers, platform::MessageBoxes &messages);

} // namespace app
