#pragma once

#include "db/grid/batchjob.h"

#include <QTableView>

#include <functional>
#include <set>
#include <vector>

class QAction;

namespace db {
class TableModel;
}
namespace platform {
class FileDialogs;
class MessageBoxes;
}

namespace ui {

class FilterHeader;

// The widest a column gets when fitted to its contents: 40% of the view,
// so one long text cannot push every other column off the screen.
int CappedColumnWidth(int wanted, int viewWidth);

// The editor's grid over a db::TableModel. Leaving a changed row writes it;
// when that fails the user is told and the cursor goes back to the row, so
// it can be corrected or reverted (Esc). Editing happens only in the
// current row, since leaving a row is what saves it.
class GridView : public QTableView
{
    Q_OBJECT

public:
    GridView(platform::MessageBoxes &messages, platform::FileDialogs &files, QWidget *parent);

    // Once, before the first table is bound; the model stays for good.
    void setTableModel(db::TableModel *model);
    db::TableModel *tableModel() const { return m_model; }

    // Hands the text of an open cell editor to the model and closes it.
    void commitOpenEditor();
    // Fits the columns to the rows on screen only, none wider than the cap.
    void fitColumns();
    // While a new order is read the grid can be looked at, not changed.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    void clearSortIndicator();

    void setSelectedToNull();
    // Delete on cells: NULL where allowed, else '' (gridview_clipboard.cpp).
    void clearSelectedCells();
    void deleteSelectedRows();
    // The selected range (the current cell without one) as tab-separated
    // text and an HTML table; with the column names as first row.
    void copySelection(bool withHeadings);
    // Tab-separated text from the clipboard at the current cell; rows past
    // the last record become new records. Each changed row is written.
    void pasteAtCurrent();
    void revertCurrentRow();
    // On a changed new-record line: writes it, and the cursor goes on to the
    // new-record line below it; a refusal is shown and the cursor stays.
    void writeNewRecordLine();
    // The current BLOB cell in the BLOB window (Shift+F2, a double-click);
    // what OK hands back is an edit of the row, written at once as leaving
    // the row would write it (gridview_blob.cpp).
    void openBlobWindow();
    // The current row as a form (Shift+Enter); its edits are the row's
    // (gridview_record.cpp).
    void openRecordView();
    // Writes a changed row now, as leaving it would; a refusal is told and
    // false returned.
    bool writeRow(int row);
    // Reads the table again in its order and filter; the cursor stays on
    // its cell where the row is still there (gridview_table.cpp).
    void refreshTable();
    // The filter line under the headings: shown, or hidden with its filter
    // dropped (Ctrl+Shift+F). applyFilter reads the boxes on the server.
    FilterHeader *filterHeader() const;
    void toggleFilterLine();
    void applyFilter();
    void sortOnHeaderClick(int column);
    // Reads the table in this order, as a header click would.
    void sortBy(int column, Qt::SortOrder order);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // The selected rows as merged spans, first to last; the new-record
    // line only when something was typed into it.
    std::vector<db::RowSpan> selectedRowSpans() const;
    // The selected records, top to bottom (not the new-record line).
    QList<int> selectedRecordRows() const { return selectedRows(); }

    QAction *setNullAction() const { return m_setNull; }
    QAction *deleteRowsAction() const { return m_deleteRows; }
    QAction *revertRowAction() const { return m_revertRow; }
    QAction *copyAction() const { return m_copy; }
    QAction *copyWithHeadingsAction() const { return m_copyWithHeadings; }
    QAction *pasteAction() const { return m_paste; }
    QAction *refreshAction() const { return m_refresh; }
    QAction *filterLineAction() const { return m_filterLine; }
    QAction *openBlobAction() const { return m_openBlob; }
    // "Import Rows…" (Ctrl+Shift+I): the editor imports into the table.
    QAction *importRowsAction() const { return m_importRows; }
    QAction *recordViewAction() const { return m_recordView; }

    using QTableView::edit;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

private:
    void createActions();
    void createTableActions();
    void createBlobAction();
    void createRecordAction();
    void updateBlobAction();
    bool opensBlobWindow(const QModelIndex &index, EditTrigger trigger);
    void goToFoundRow(int row);
    void leaveRow(const QModelIndex &current, const QModelIndex &previous);
    void returnToRow(const QModelIndex &cell);
    void closeOpenEditor();
    bool handleEditingKey(QKeyEvent *event);
    void moveDown();
    // Where the cursor goes once the changed new-record line is written: the
    // new line below, in `column`; invalid when there was nothing to write
    // or the write failed (and the user was told).
    QModelIndex newRecordWritten(int column);
    void goToRecord(int row);
    void showFirstRecord();
    QList<int> selectedRows() const;
    QList<int> selectedColumns() const;
    void forEachSelectedCell(const std::function<void(const QModelIndex &)> &visit);
    // Writes the changed rows but the current one (written when left);
    // the refusals, one line each.
    QStringList writeRowsOtherThanCurrent(const std::set<int> &rows);
    void warn(const QString &text);

    platform::MessageBoxes &m_messages;
    platform::FileDialogs &m_files;
    db::TableModel *m_model = nullptr;
    QAction *m_setNull = nullptr;
    QAction *m_deleteRows = nullptr;
    QAction *m_revertRow = nullptr;
    QAction *m_copy = nullptr;
    QAction *m_copyWithHeadings = nullptr;
    QAction *m_paste = nullptr;
    QAction *m_refresh = nullptr;
    QAction *m_filterLine = nullptr;
    QAction *m_openBlob = nullptr;
    QAction *m_importRows = nullptr;
    QAction *m_recordView = nullptr;
    int m_refreshColumn = 0;       // the cursor's column when rows were last read anew
    bool m_readOnly = false;
    bool m_quiet = false;          // rows moving under the cursor are not left by the user
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace ui
