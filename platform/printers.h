#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The PDF writer built into the program; always listed among the printers.
inline constexpr const char *BuiltInPdfPrinterName = "Vellacourt PDF Writer";

// The printers the program may print to, in the order the system lists them.
class Printers
{
public:
    virtual ~Printers() = default;
    virtual QStringList names() const = 0;
    // Empty when there is no default printer.
    virtual QString defaultPrinter() const = 0;
    // False when no printer has that name.
    virtual bool setDefaultPrinter(const QString &name) = 0;
};

} // namespace platform
