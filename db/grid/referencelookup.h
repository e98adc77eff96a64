#pragma once

#include "db/grid/tableschema.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <memory>

namespace db {

class LookupWorker;

// One row a foreign key may point at: its key values as the grid writes
// them, and the parent's label text beside them (empty without a label).
struct ReferencedRow
{
    QStringList key;
    QString label;
    bool operator==(const ReferencedRow &) const = default;
};

// The rows of a foreign key's parent table, read on a thread of its own
// through an attachment of its own, in key order and only as far as they
// are asked for: a parent of a million rows gives its first screen at once.
// A search replaces the list; rows of a search that has been replaced are
// never delivered.
class ReferenceLookup : public QObject
{
    Q_OBJECT

public:
    ReferenceLookup(const QString &connectionString, const ForeignKey &key,
                    QObject *parent = nullptr);
    ~ReferenceLookup() override;

    const ForeignKey &key() const { return m_key; }
    // The rows whose first key column starts with `text` or whose label
    // contains it (any case); every row for an empty text. The first
    // `rows` of them arrive.
    void search(const QString &text, int rows);
    // `rows` more of the current search.
    void fetchMore(int rows);

signals:
    // Headings: the parent's key columns, then its label column if any.
    void rowsArrived(const QList<db::ReferencedRow> &rows, bool atEnd,
                     const QStringList &headings);
    void failed(const QString &message);

private:
    ForeignKey m_key;
    QThread m_thread;
    std::shared_ptr<std::atomic<int>> m_latest;
    std::unique_ptr<LookupWorker> m_worker;
};

} // namespace db
