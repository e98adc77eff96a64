#pragma once

#include <QString>

namespace platform {

// The user's spreadsheet application, which receives finished workbooks.
class Spreadsheet
{
public:
    virtual ~Spreadsheet() = default;
    virtual bool isAvailable() const = 0;
    // Hands a written workbook file to the application; false when that failed.
    virtual bool openWorkbook(const QString &path) = 0;
};

} // namespace platform
