#pragma once

#include "export/workbookwriter.h"
#include "ui/conventions.h"

#include <QWidget>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;

namespace db {
class TableModel;
}

namespace exports {
class GridView;
struct ImportOutcome;
}

namespace ui {

class ColumnLayouts;
class FindBar;
class GridNavigator;
class ReferencePicking;
class GridView;
class RowNavigator;
class StatusLine;
class Windows;

// Form3: the table editor.
class Form3 : public QWidget
{
    Q_OBJECT

public:
    explicit Form3(Windows &windows);
    ~Form3() override;

    QLabel *Label2() const { return m_label2; }
    QTableView *DataGrid1() const;
    GridView *grid() const { return m_dataGrid1; }
    StatusLine *statusLine() const { return m_statusLine; }
    ColumnLayouts *columnLayouts() const { return m_columnLayouts; }
    ReferencePicking *referencePicking() const { return m_referencePicking; }
    FindBar *findBar() const { return m_findBar; }
    // The grid's model, one for the window's life; null before the first table.
    db::TableModel *tableModel() const { return m_model; }
    QMenu *mnuSaveAs() const { return m_mnuSaveAs; }
    int MousePointer() const { return m_pointer.value(); }
    // Smaller sheets make the workbook export's splitting testable.
    void setWorkbookLimits(exports::WorkbookLimits limits) { m_workbookLimits = limits; }

    // Opens the table and binds the grid to it; UnbindGrid lets it go. Rows
    // whose changes cannot be written are given up only when the user says
    // so: otherwise the old table stays bound, with its heading, and
    // BindTable after a refused UnbindGrid binds nothing. Throws db::DbError
    // when the table cannot be opened (the grid is then empty).
    void BindTable(const QString &connectionString, const QString &table);
    void UnbindGrid();
    QString boundTable() const { return m_boundTable; }

    // "Add New Row" moves through this; null means the grid itself.
    void setRowNavigator(RowNavigator *navigator) { m_navigator = navigator; }

    // Before the program ends: writes the changed rows and asks whether to
    // give up those that fail. False (the editor shown) when the user stays.
    bool prepareToEnd();
    // Before the program ends on a signal: writes the changed rows and
    // names those that could not be written, one line each.
    QStringList writeForSignal();

    void Form_Load();
    void PushButton1_Click();   // < Back
    void PushButton3_Click();   // Quit
    void PushButton4_Click();   // Help
    void PushButton6_Click();   // Export Table As..
    void PushButton7_Click();   // Add New Column (form3_column.cpp)
    void PushButton8_Click();   // Add New Row
    void mnuTXT_Click();
    void mnuCSV_Click();
    void mnuXLS_Click();
    void mnuXML_Click();
    void mnuPDF_Click();
    // "Import Rows…" of the grid's menu (form3_import.cpp).
    void importRows();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void createMenu();
    void createFindBar();
    void placeGrid();
    void orderTabs();
    RowNavigator &navigator();
    void createModel();
    bool writeChangedRows();
    bool mayRelease();
    bool mayGoBack();
    void keepBoundTable();
    void showFirstUnsavedRow();
    int unsavedRowCount() const;
    void setBusy(bool busy);
    // Before an export: the open editor and the changed rows are written;
    // false when rows failed and the user does not want the stored values.
    bool mayExport();
    std::unique_ptr<exports::GridView> exportView() const;
    QString askExportFile(const QString &filter);
    // A finished export's rows and file, said in the status line.
    void reportExported(qint64 rows, const QString &path);
    template <typename Save>
    void exportTo(const QString &filter, Save save);
    void showImportOutcome(const exports::ImportOutcome &outcome);

    Windows &m_windows;
    WindowPointer m_pointer{this};
    RowNavigator *m_navigator = nullptr;
    std::unique_ptr<GridNavigator> m_gridNavigator;
    db::TableModel *m_model = nullptr;
    QString m_boundTable;
    bool m_keptAfterUnbind = false;
    // The save dialogs of this window open with the name chosen last.
    QString m_commonDialog1FileName;
    exports::WorkbookLimits m_workbookLimits;

    QLabel *m_label2 = nullptr;
    QLabel *m_gridCaption = nullptr;
    GridView *m_dataGrid1 = nullptr;
    StatusLine *m_statusLine = nullptr;
    ColumnLayouts *m_columnLayouts = nullptr;
    ReferencePicking *m_referencePicking = nullptr;
    FindBar *m_findBar = nullptr;
    QPushButton *m_pushButton1 = nullptr;
    QPushButton *m_pushButton3 = nullptr;
    QPushButton *m_pushButton4 = nullptr;
    QPushButton *m_pushButton6 = nullptr;
    QPushButton *m_pushButton7 = nullptr;
    QPushButton *m_pushButton8 = nullptr;
    QMenu *m_mnuSaveAs = nullptr;
};

} // namespace ui
