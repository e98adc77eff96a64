#pragma once

#include <QLabel>
#include <QTimer>

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

// What a finished export says: "2 rows written to "/home/ann/p.txt"".
QString ExportDoneText(qint64 rows, const QString &path);

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
    // Says `text` for a few seconds in place of the table's state.
    void showForAWhile(const QString &text);

private:
    GridView *m_grid = nullptr;
    QTimer m_while;
    QString m_passing;
};

} // namespace ui
