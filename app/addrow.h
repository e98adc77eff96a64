#pragma once

namespace app {

// Where "Add New Row" puts the cursor, from the table's record count. The
// grid's line index is a 16-bit signed number, so from 32766 records on the
// new-record line is out of its reach: the cursor goes to the last record
// and the user is told.
struct AddRowMove
{
    bool toNewRecordLine = true;
    long long record = -1;       // 0-based record to go to when not
    bool limitReached = false;
};

inline constexpr long long GridLineLimit = 32767;

AddRowMove PlanAddRow(long long recordCount);

} // namespace app
