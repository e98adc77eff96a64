#pragma once

#include "ui/rownavigator.h"

namespace ui {

class GridView;

// "Add New Row" on the editor's grid: the bound table's records, and moving
// the cursor into view with the focus on the grid.
class GridNavigator : public RowNavigator
{
public:
    explicit GridNavigator(GridView &grid) : m_grid(grid) {}

    long long recordCount() const override;
    void moveToRecord(long long record) override;
    void moveToNewRecordLine() override;

private:
    void moveTo(int row);

    GridView &m_grid;
};

} // namespace ui
