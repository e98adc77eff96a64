#pragma once

namespace ui {

// What "Add New Row" needs of the editor's grid: how many records the bound
// table has, and moving the current line.
class RowNavigator
{
public:
    virtual ~RowNavigator() = default;
    // Records of the bound table, not counting the new-record line.
    virtual long long recordCount() const = 0;
    virtual void moveToRecord(long long record) = 0;   // 0-based
    virtual void moveToNewRecordLine() = 0;
};

} // namespace ui
