#pragma once

#include "db/grid/batchjob.h"
#include "db/grid/blobpreviews.h"
#include "db/grid/replaceall.h"
#include "db/grid/rowstore.h"
#include "db/grid/rowwriter.h"
#include "db/grid/tablereader.h"
#include "db/grid/undohistory.h"

#include <QAbstractTableModel>
#include <QCache>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace db {

class RowDeletion;
class RowPaste;
class UndoJob;

// A typed value of a row the server refused, for putting the refusal into
// words (which column cannot hold which character, say).
struct RefusedCell
{
    QString column;
    unsigned charSet = 0;      // the column's own
    unsigned charLength = 0;   // text columns: declared length in characters
    QString text;
};
using RefusalWording = std::function<QString(const DbError &, const std::vector<RefusedCell> &)>;

// A BLOB's whole value, as the BLOB window shows and sets it: a text BLOB
// in UTF-8, a binary one as stored.
struct BlobValue
{
    bool null = true;
    QByteArray bytes;
    bool operator==(const BlobValue &) const = default;
};

// The table editor's grid model: one table, keyed by its primary key or
// RDB$DB_KEY, read lazily in batches off the UI thread and shown with exact
// values. Edits collect per row; leaving a row writes it (submitRow). A row
// whose write fails keeps what the user typed and is marked unsaved.
//
// Rows: the fetched rows, then placeholders for rows counted but not yet
// fetched, then rows inserted here while the read was still going, then
// the new-record line.
class TableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        IsNullRole = Qt::UserRole + 1,  // bool: the shown value is NULL
        RowStateRole,                   // RowState of the row
        KeyColumnRole,                  // headings: bool, the column is in the primary key
        WritableBlobRole,               // bool: a BLOB the BLOB window may change
        ColumnTypeRole,                 // headings: the declared type, "VARCHAR (20)"
    };
    enum class RowState { Clean, Edited, Failed, NewRecord, NotFetched };

    explicit TableModel(QObject *parent = nullptr);
    ~TableModel() override;

    // Opens a table: reads its key, starts reading rows. Releases any table
    // bound before. Throws DbError when the table cannot be opened.
    void bind(const QString &connectionString, const QString &table);
    void unbind();
    bool isBound() const { return m_writer != nullptr; }
    QString table() const { return m_table; }
    // What an export reads again: the grid's database and its query, in the
    // order the grid shows.
    QString connectionString() const { return m_connectionString; }
    sql::TableRead currentRead() const { return m_read; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    int recordCount() const;                 // every row but the new-record line
    // A table the user may not write (a join view, say) has no new-record
    // line; newRecordRow() is then -1.
    bool hasNewRecordLine() const { return m_writer && m_writer->canWrite(); }
    int newRecordRow() const { return hasNewRecordLine() ? rowCount() - 1 : -1; }
    bool allRowsFetched() const { return m_atEnd; }
    void fetchAll();
    bool isBusy() const { return m_sorting; }
    // The count of records is known (counted or read to the end).
    bool countKnown() const { return (m_count >= 0 && !m_placeholdersDue) || m_atEnd; }

    // Reads the table again in its order and filter, off the UI thread like
    // a sort. Unsaved rows keep their values where their row comes back;
    // rowFound reports where keepRow's row is once it has been read again.
    void refresh(int keepRow = -1);
    // Reads only the rows that match every non-blank text, one per shown
    // column (tablefilter.h), in the current order, off the UI thread. An
    // empty text when the new read was started (or nothing changed); else
    // why not: a text that cannot be read for its column, or unsaved rows.
    QString setFilter(const QStringList &texts);
    // The filter in words; empty without one.
    QString filterText() const { return m_filterText; }

    bool setNull(const QModelIndex &index);
    // Empties a cell as Delete does: NULL where the column allows it, else
    // an empty text; false for a cell that can be neither.
    bool clearCell(const QModelIndex &index);
    // Drops the cell's unsaved value; false when it had none.
    bool revertCell(const QModelIndex &index);
    bool isRowDirty(int row) const { return m_edits.count(row) != 0; }
    // Blob previews asked for by painted cells are still being read.
    bool previewsPending() const { return m_previews && m_previews->pending(); }
    // Also rows of a refresh whose changes wait for their row to be read again.
    bool hasUnsavedRows() const { return !m_edits.empty() || !m_carried.empty(); }
    int unsavedRowCount() const { return int(m_edits.size() + m_carried.size()); }
    QString rowError(int row) const;
    // How the server's refusals are told; without it, in the server's text.
    void setRefusalWording(RefusalWording wording) { m_wording = std::move(wording); }
    // Writes the row's edits; false (with rowError set) when the write failed.
    bool submitRow(int row);
    bool submitAll();
    void revertRow(int row);
    void revertAll();
    // BLOB cells, opened whole in the BLOB window (tablemodel_blob.cpp).
    bool isBlobColumn(int column) const;
    bool isTextBlobColumn(int column) const;   // edited as text, else as bytes
    bool allowsNull(int column) const;
    // The cell may take a new value: a column the user may write, of a row
    // that has been read, while no new order is being read.
    bool canSetBlob(const QModelIndex &index) const;
    // What gives the value the cell holds now: its unsaved value, else the
    // stored one, read whole from the database when the reader is called.
    // The reader may run on a worker while the model stays bound and
    // nothing else writes; it throws DbError.
    std::function<BlobValue()> blobReader(const QModelIndex &index) const;
    // One edit of the row, as typing into the cell is; false when the cell
    // cannot take it.
    bool setBlob(const QModelIndex &index, const BlobValue &value);
    // The open relation is a view: messages say "view" for it.
    bool isView() const { return m_writer && m_writer->schema().isView; }
    // The table's foreign keys, for picking the rows they point at.
    QList<ForeignKey> foreignKeys() const
    {
        return m_writer ? m_writer->schema().foreignKeys : QList<ForeignKey>();
    }

    // Deletes the given rows; returns the messages of those that failed.
    // Runs on the calling thread; deleteJob gives the same in batches.
    QStringList deleteRows(const QList<int> &rows);
    std::unique_ptr<BatchJob> deleteJob(std::vector<RowSpan> rows);
    // Pastes rows of fields from (row, column) on: the first `records` onto
    // the records there, the rest as new records, each changed row written,
    // in batches. A refused row keeps the pasted values; a refused new
    // record stays on the new-record line and ends the paste.
    std::unique_ptr<BatchJob> pasteJob(int row, int column, QList<QStringList> rows, int records);

    // Replace All (tablemodel_replace.cpp): what it will do, and the keys
    // of the given records, for a replace limited to them; empty when they
    // are all the records, and a problem when they cannot be named.
    ReplacePlan planReplaceAll(const ReplaceRequest &request) const;
    std::vector<std::vector<Param>> keysOfRows(const QList<int> &rows, QString *problem) const;

    // Undo and redo (tablemodel_undo.cpp). Every saved change is a step;
    // the rows saved between beginUndoStep and endUndoStep make one. The
    // history lasts until the table is unbound.
    const UndoHistory &undoHistory() const { return m_history; }
    void beginUndoStep(UndoKind kind);
    void endUndoStep();
    // Takes the last step back (or does it again) in one transaction, in
    // batches; the model and the history follow once it has committed.
    // Null with nothing to do.
    std::unique_ptr<BatchJob> undoJob(bool redo);

signals:
    void busyChanged(bool busy);
    void firstRowsArrived();
    void writeFailed(int row, const QString &message);
    void readFailed(const QString &message);
    void notice(const QString &message);
    void rowFound(int row);
    // The count of records became known or changed its meaning (a new read).
    void countChanged();
    // A step was recorded, undone or redone, or the history was cleared.
    void undoChanged();

private:
    friend class RowDeletion;
    friend class RowPaste;
    friend class UndoJob;
    struct PendingRow
    {
        RowEdits values;
        QString error;
        UndoKind kind = UndoKind::Edit;   // what the step will be called
    };
    // Where a model row's values are.
    struct Source
    {
        enum Kind { Fetched, Placeholder, Inserted, NewRecord } kind;
        int index;
    };

    void startReader(const sql::TableRead &read);
    void onOpened(const std::vector<Column> &columns);
    void onCounted(qint64 rows);
    void onRowsFetched(const std::shared_ptr<RowBatch> &batch, bool atEnd);
    void adoptSortedRows(const std::shared_ptr<RowBatch> &batch, bool atEnd);
    void dropInsertedDuplicates(int from);
    // Unsaved rows and the wanted row of a refresh, found again by key in
    // the rows from `from` on; the row found, or -1.
    int restoreCarried(int from, bool announce);
    void dropCarried();
    void resizeForCount();
    void shiftEdits(int from, int delta);
    // The row can be written: it was read, and stays where it is while
    // events go on (`eventsBetween`) as the read goes on; else asks for the
    // rows it waits for and returns false.
    bool rowSettled(int row, bool eventsBetween);
    // Rows first to last, fetched or inserted here, leave the model at once.
    void removeRowRange(int first, int last);
    void requestRow(int row) const;

    Source sourceOf(int row) const;
    std::vector<Cell> storedCells(int row) const;
    QVariant cellData(int row, int column, int role) const;
    QVariant storedValue(const Column &column, const Cell &cell, int role) const;
    QVariant blobValue(const Column &column, const Cell &cell, int role) const;
    void startPreviews();
    void onPreviewReady(const QByteArray &blobId, const QString &shown);
    QVariant editedValue(const Column &column, const CellEdit &edit, int role) const;
    const CellEdit *pendingEdit(int row, int column) const;
    void storeEdit(const QModelIndex &index, CellEdit edit);
    QByteArray keyOf(const std::vector<Cell> &cells) const;
    void storeWrittenRow(int row, const StoredRow &written, bool inserted);
    void refreshRow(int row);
    int visibleColumns() const;
    QString refusalText(const WriteResult &result, const RowEdits &edits) const;
    // Undo (tablemodel_undo.cpp).
    void noteWritten(UndoKind kind, UndoRow row);
    std::vector<int> writableColumns() const;
    static std::vector<int> editedColumns(const RowEdits &edits);
    // BLOB ids of the given columns replaced by the contents; false when a
    // BLOB could not be read.
    bool loadBlobContents(StoredRow &row, const std::vector<int> &columns) const;
    int rowOfKey(const QByteArray &key, int hint) const;
    void applyReplay(UndoStep step, bool redo, const std::vector<int> &order,
                     const std::vector<WriteResult> &results);

    QString m_connectionString;
    QString m_table;
    std::unique_ptr<RowWriter> m_writer;
    std::unique_ptr<TableReader> m_reader;
    std::unique_ptr<TableReader> m_sortReader;
    sql::TableRead m_read;
    sql::TableRead m_sortRead;   // becomes m_read when its first rows arrive
    QString m_filterText;
    QString m_nextFilterText;    // becomes m_filterText with m_sortRead
    std::vector<Column> m_columns;
    RowStore m_rows;          // fetched, in read order
    RowStore m_inserted;      // added here while the read was still going
    std::set<QByteArray> m_insertedKeys;
    qint64 m_count = -1;      // COUNT(*) once known
    qint64 m_nextCount = -1;  // the count of the read that is to replace this one
    // Carried over a refresh: unsaved rows by key, the new-record line's
    // values, and the key of the row the cursor was on.
    std::map<QByteArray, PendingRow> m_carried;
    std::optional<PendingRow> m_carriedNewRecord;
    QByteArray m_wantedKey;
    int m_placeholders = 0;
    bool m_placeholdersDue = false;        // counted rows still to be shown
    bool m_placeholderSliceQueued = false;
    bool m_atEnd = false;
    bool m_sorting = false;
    std::map<int, PendingRow> m_edits;
    mutable QCache<QByteArray, QString> m_blobTexts{4000};
    std::unique_ptr<BlobPreviews> m_previews;
    bool m_previewRepaintDue = false;
    mutable qint64 m_requested = 0;
    RefusalWording m_wording;
    UndoHistory m_history;
    std::optional<UndoStep> m_openStep;
    int m_stepDepth = 0;
};

} // namespace db
