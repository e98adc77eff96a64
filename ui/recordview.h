#pragma once

#include <QDialog>
#include <QPersistentModelIndex>

#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace db {
class TableModel;
}

namespace ui {

class GridView;

// "Record View: EMPLOYEE, row 3", "Record View: EMPLOYEE, new record".
QString RecordViewTitle(const QString &table, int row, bool newRecord);

// RecordView: the grid's current row as a form, a field per column with its
// name, its type and a NULL toggle; a BLOB field opens the BLOB window.
// What is typed here is an edit of that row, as typing into the grid is:
// the row is written when it is left ("< Previous", "Next >" move through
// the grid's rows in its order; "Close" leaves it too), and a refusal is
// told as the grid tells it, the form staying on the row.
class RecordView : public QDialog
{
    Q_OBJECT

public:
    RecordView(GridView &grid, QWidget *parent);

    QLineEdit *field(int column) const;
    QCheckBox *nullBox(int column) const;
    QPushButton *blobButton(int column) const;
    QPushButton *cmdPrevious() const { return m_cmdPrevious; }
    QPushButton *cmdNext() const { return m_cmdNext; }
    QPushButton *cmdRevert() const { return m_cmdRevert; }
    QPushButton *cmdClose() const { return m_cmdClose; }

    // The texts typed here become the row's edits; done before any move.
    void commitFields();
    void moveBy(int rows);
    void done(int result) override;

private:
    struct FieldRow
    {
        QLineEdit *text = nullptr;
        QCheckBox *null = nullptr;
        QPushButton *blob = nullptr;
        QString textBeforeNull;   // given back when NULL is unticked untyped
    };
    void createFields();
    void createButtons();
    void showRow();
    void showField(int column);
    void setNull(int column, bool null);
    void openBlob(int column);
    QModelIndex cell(int column) const;

    GridView &m_grid;
    db::TableModel &m_model;
    std::vector<FieldRow> m_fields;
    bool m_showing = false;   // the form is being filled, not typed into
    QPushButton *m_cmdPrevious = nullptr;
    QPushButton *m_cmdNext = nullptr;
    QPushButton *m_cmdRevert = nullptr;
    QPushButton *m_cmdClose = nullptr;
    QLabel *m_lblState = nullptr;
};

} // namespace ui
