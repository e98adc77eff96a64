#pragma once

#include "db/sql/schemasql.h"
#include "ui/conventions.h"

#include <QDialog>

class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

class Windows;

// The cells of a field row in the new-table dialog's list.
namespace FieldColumn {
enum : int { Name = 0, DataType = 1, Precision = 2, AutoIncrement = 3 };
}

// The precision cell shows "(M)" or "(M, D)"; M and D themselves ride along
// with it, so the statement is built from what the user typed, not from the
// cell's text.
void SetPrecisionCell(QTreeWidgetItem *row, const db::sql::ColumnSpec &column);
// The list's rows as column specs, in list order.
QList<db::sql::ColumnSpec> FieldRows(const QTreeWidget *list);

// frmNewTable: the new-table dialog. Collects field rows through the
// new-column dialog and creates the table with one statement; a refused
// statement keeps the dialog open with its name and rows.
class frmNewTable : public QDialog
{
    Q_OBJECT

public:
    frmNewTable(Windows &windows, QWidget *parent);

    QLineEdit *txtName() const { return m_txtName; }
    QTreeWidget *ListView1() const { return m_listView1; }
    int MousePointer() const { return m_pointer.value(); }

    // Loads the dialog and shows it modally; the caller goes on when it closes.
    int showModal();

    void Form_Load();
    void PushButton4_Click();   // Add
    void PushButton1_Click();   // Delete Selected
    void PushButton2_Click();   // Save
    void PushButton3_Click();   // Cancel

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void addHeader(const QString &text);

    Windows &m_windows;
    WindowPointer m_pointer{this};

    QGroupBox *m_frame1 = nullptr;
    QGroupBox *m_frame2 = nullptr;
    QTreeWidget *m_listView1 = nullptr;
    QLineEdit *m_txtName = nullptr;
    QPushButton *m_pushButton1 = nullptr;
    QPushButton *m_pushButton2 = nullptr;
    QPushButton *m_pushButton3 = nullptr;
    QPushButton *m_pushButton4 = nullptr;
};

// What the table chooser's "New Table" shows: a fresh frmNewTable, modal.
void ShowNewTableDialog(Windows &windows, QWidget *parent);

} // namespace ui
