#pragma once

#include "db/client/schemachange.h"
#include "db/sql/schemasql.h"
#include "ui/conventions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QKeyEvent;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace app {
class ErrorTrap;
}

namespace ui {

class Windows;

// frmNewColumn: the new-column dialog. In table mode ("Form3") "Add" adds
// the column to the open table at once; in list mode ("frmNewTable") it
// appends a field row to the new-table dialog's list. A column the server or
// the type rules refuse keeps the dialog open with what the user typed.
class frmNewColumn : public QDialog
{
    Q_OBJECT

public:
    frmNewColumn(Windows &windows, QWidget *parent);

    // Written by the caller before the dialog is shown: "Form3" or "frmNewTable".
    QString callingform;
    // The new-table dialog's field list, for list mode.
    QTreeWidget *fieldList = nullptr;

    QLineEdit *txtName() const { return m_txtName; }
    QComboBox *cboDataType() const { return m_cboDataType; }
    QLineEdit *txtM() const { return m_txtM; }
    QLineEdit *txtD() const { return m_txtD; }
    QLineEdit *txtDefault() const { return m_txtDefault; }
    QCheckBox *chkAutoInc() const { return m_chkAutoInc; }
    int MousePointer() const { return m_pointer.value(); }

    // Loads the dialog and shows it modally; the caller goes on when it closes.
    int showModal();

    void Form_Load();
    void PushButton1_Click();   // Add

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void enableSizeBoxes();
    QLabel *newLabel(const char *name, const char *caption, int left, int top, int width);
    db::sql::ColumnSpec column() const;
    bool acceptable(const db::sql::ColumnSpec &column);
    void addToTable(app::ErrorTrap &trap, const db::sql::ColumnSpec &column);
    void addToList(app::ErrorTrap &trap, const db::sql::ColumnSpec &column);

    Windows &m_windows;
    WindowPointer m_pointer{this};
    db::SchemaChange m_connection;

    QLineEdit *m_txtName = nullptr;
    QComboBox *m_cboDataType = nullptr;
    QLineEdit *m_txtM = nullptr;
    QLineEdit *m_txtD = nullptr;
    QLabel *m_label1 = nullptr;   // "M:"
    QLabel *m_label4 = nullptr;   // "D:"
    QLineEdit *m_txtDefault = nullptr;
    QCheckBox *m_chkAutoInc = nullptr;
    QPushButton *m_pushButton1 = nullptr;
};

} // namespace ui
