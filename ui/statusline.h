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
    QString notice;              // what the last long task did ("1,000 rows imported")
};
// "4 records  ·  filter: …  ·  row 2: changed, not saved"
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
    // Said at the end of the line until another table is opened.
    void setNotice(const QString &notice);

private:
    GridView *m_grid = nullptr;
    QString m_notice;
    QString m_noticeTable;
};

} // namespace ui
