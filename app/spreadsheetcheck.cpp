#include "app/spreadsheetcheck.h"

#include "app/titles.h"
#include "platform/messageboxes.h"
#include "platform/spreadsheet.h"

namespace app {

bool IsExcelInstalled(const platform::Spreadsheet &spreadsheet, platform::MessageBoxes &messages)
{
    if (spreadsheet.isAvailable())
        return true;
    messages.inform(ShortTitle(), QString::fromLatin1(SpreadsheetMissingText));
    return false;
}

} // namespace app
