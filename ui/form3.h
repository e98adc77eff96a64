#pragma once

#include "ui/conventions.h"

#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;

namespace ui {

class RowNavigator;
class Windows;

// Form3: the table editor.
class Form3 : public QWidget
{
    Q_OBJECT

public:
    explicit Form3(Windows &windows);
    ~Form3() override;

    QLabel *Label2() const { return m_label2; }
    QTableView *DataGrid1() const { return m_dataGrid1; }
    QMenu *mnuSaveAs() const { return m_mnuSaveAs; }
    int MousePointer() const { return m_pointer.value(); }

    // Opens the table and binds the grid to it; UnbindGrid lets it go.
    void BindTable(const QString &connectionString, const QString &table);
    void UnbindGrid();
    QString boundTable() const { return m_boundTable; }

    // "Add New Row" moves through this; without one the grid counts as empty.
    void setRowNavigator(RowNavigator *navigator) { m_navigator = navigator; }

    void Form_Load();
    void PushButton1_Click();   // < Back
    void PushButton3_Click();   // Quit
    void PushButton4_Click();   // Help
    void PushButton6_Click();   // Export Table As..
    void PushButton8_Click();   // Add New Row

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createControls();
    void createMenu();
    void orderTabs();
    RowNavigator &navigator();

    Windows &m_windows;
    WindowPointer m_pointer{this};
    RowNavigator *m_navigator = nullptr;
    QString m_boundTable;

    QLabel *m_label2 = nullptr;
    QLabel *m_gridCaption = nullptr;
    QTableView *m_dataGrid1 = nullptr;
    QPushButton *m_pushButton1 = nullptr;
    QPushButton *m_pushButton3 = nullptr;
    QPushButton *m_pushButton4 = nullptr;
    QPushButton *m_pushButton6 = nullptr;
    QPushButton *m_pushButton7 = nullptr;
    QPushButton *m_pushButton8 = nullptr;
    QMenu *m_mnuSaveAs = nullptr;
};

} // namespace ui
