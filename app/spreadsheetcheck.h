#pragma once

#include <QString>

namespace platform {
class MessageBoxes;
class Spreadsheet;
}

namespace app {

inline constexpr const char *SpreadsheetMissingText =
    "Excel is not installed on this computer. You need to have it installed to use this feature.";

// True when the desktop has an application for workbooks; otherwise the
// user is told so, once, and the answer is false.
bool IsExcelInstalled(const platform::Spreadsheet &spreadsheet, platform::MessageBoxes &messages);

} // namespace app
