#pragma once

#include <QLabel>

namespace ui {

class GridView;

// What the status line under the grid says, from plain facts.
struct StatusFacts
{
    bool counted = false;        // records is the true count
    qint64 records = 0;
    QString filter;              // the filter in words; empty without one
    int row = -1;                // the current line, 0-based; -1 for none
    bool newRecord = false;      // the current line is the new-record line
    bool changed = false;        // it holds values not written yet
    QString refusal;             // why the database refused them
    int hiddenColumns = 0;       // columns the user hid from the heading
};
// "4 records  ·  2 columns hidden  ·  filter: …  ·  row 2: changed, not saved"
QString StatusText(const StatusFacts &facts);

// The line under the editor's grid: the number of records, the filter,
// and the state of the row the cursor is on.
class StatusLine : public QLabel
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget *parent);
    // Once, after the grid has its model.
    void follow(GridView *grid);
    void showState();

private:
    GridView *m_grid = nullptr;
};

} // namespace ui
