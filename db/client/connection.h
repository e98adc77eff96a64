#pragma once

#include "db/client/dberror.h"
#include "db/sql/sqltype.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace Firebird {
class IAttachment;
class ITransaction;
class IStatement;
class IResultSet;
class IMessageMetadata;
}

namespace db {

class Transaction;

// Transaction kinds used by the program.
enum class TxMode {
    // read-only, read committed, rec_version: never waits on writers and
    // does not hold back garbage collection; for browsing and catalogue reads
    Browse,
    // read-write, read committed, rec_version, nowait: a locked row fails at
    // once with an update conflict instead of hanging the caller
    Write,
    // read-write, read committed, rec_version, waiting at most
    // SchemaLockTimeoutSeconds for a lock: schema changes, which may have to
    // wait a moment for the catalogue but must never wait for good
    Schema,
};

inline constexpr int SchemaLockTimeoutSeconds = 3;

// An attachment to one database. Detaches when destroyed. Thread-affine in
// use: one thread at a time.
class Attachment
{
public:
    // Attaches with the values of a connection string (ParseConnectionString).
    // A plain path opens with the embedded engine, "host[/port]:path" a server.
    static Attachment open(const QString &connectionString);
    // Creates a new database file (for tests, samples and benchmarks).
    static Attachment create(const QString &path, const QString &user,
                             const QString &password, const QString &charset = "UTF8");

    Attachment(Attachment &&other) noexcept;
    Attachment &operator=(Attachment &&other) noexcept;
    ~Attachment();

    bool isOpen() const { return m_handle != nullptr; }
    void close();        // detach now; errors are dropped
    void dropDatabase(); // for tests: delete the database file

    Transaction begin(TxMode mode);
    // Runs a statement without parameters or results in its own Write
    // transaction and commits (DDL, scripts).
    void executeImmediate(const QString &sql);

    Firebird::IAttachment *handle() const { return m_handle; }
    // True when the engine holds types of Firebird 4 and newer (INT128,
    // DECFLOAT, time zones) and sends and takes them as text (VARCHAR in
    // the message), so that which table columns they are is known only
    // from the catalogue.
    bool sendsNewTypesAsText() const { return m_newTypesAsText; }

private:
    explicit Attachment(Firebird::IAttachment *handle);
    Firebird::IAttachment *m_handle = nullptr;
    bool m_newTypesAsText = false;
};

// A transaction. Rolls back when destroyed while still active.
class Transaction
{
public:
    Transaction(Transaction &&other) noexcept;
    Transaction &operator=(Transaction &&other) noexcept;
    ~Transaction();

    bool isActive() const { return m_handle != nullptr; }
    void commit();
    void rollback();   // errors are dropped: used on failure paths

    Firebird::ITransaction *handle() const { return m_handle; }
    Firebird::IAttachment *attachmentHandle() const { return m_attachment; }

private:
    friend class Attachment;
    Transaction(Firebird::IAttachment *attachment, Firebird::ITransaction *handle)
        : m_attachment(attachment), m_handle(handle) {}
    Firebird::IAttachment *m_attachment = nullptr;
    Firebird::ITransaction *m_handle = nullptr;
};

class Cursor;

// A prepared statement. Re-prepare after DDL on its tables: a statement
// prepared before keeps the old columns.
class Statement
{
public:
    Statement(Transaction &tx, const QString &sql);
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&other) noexcept;
    ~Statement();

    // Output columns, with text other than NONE/OCTETS/UTF8 coerced to UTF8
    // VARCHAR and CHAR coerced to VARCHAR, so every text arrives as
    // UTF-8 (or raw bytes for NONE/OCTETS) without padding bloat.
    const std::vector<Column> &columns() const { return m_columns; }
    unsigned outputLength() const { return m_outputLength; }

    // Runs a statement that returns no rows, or one row (EXECUTE PROCEDURE,
    // INSERT ... RETURNING): that row is read into row() afterwards.
    // Returns the number of rows affected.
    unsigned execute(Transaction &tx, const std::vector<Param> &params = {});
    const unsigned char *row() const;

    Cursor openCursor(Transaction &tx, const std::vector<Param> &params = {});

    Firebird::IStatement *handle() const { return m_handle; }

private:
    friend class Cursor;
    void describeOutput();
    Firebird::IStatement *m_handle = nullptr;
    unsigned m_inputCount = 0;
    Firebird::IMessageMetadata *m_outMeta = nullptr; // coerced output format
    std::vector<Column> m_columns;
    unsigned m_outputLength = 0;
    std::vector<unsigned char> m_row;
};

// A forward-only cursor over a Statement's rows.
class Cursor
{
public:
    Cursor(Cursor &&other) noexcept;
    Cursor &operator=(Cursor &&other) noexcept;
    ~Cursor();

    // Fetches the next row: a pointer to the output message (valid until
    // the next fetch), or nullptr at the end.
    const unsigned char *fetch();
    void close();

private:
    friend class Statement;
    Cursor(Firebird::IResultSet *handle, unsigned length);
    Firebird::IResultSet *m_handle = nullptr;
    std::vector<unsigned char> m_buffer;
};

// For tests: told the text of every statement before the server sees it
// (prepared or executed at once), on whichever thread sends it, so that a
// test can see that nothing but the intended statements ever runs. Unset
// (nullptr, the default) it costs one atomic load per statement.
using StatementObserver = void (*)(const QString &sql);
void SetStatementObserver(StatementObserver observer);
void ObserveStatement(const QString &sql);

// Reads one value out of an output message.
bool isNull(const Column &column, const unsigned char *message);
// The value's bytes: text without its length prefix, other types as stored.
QByteArray valueBytes(const Column &column, const unsigned char *message);

// Text blobs are read in UTF-8 (transliterated by the engine), NONE as raw
// bytes. maxBytes < 0 reads the whole blob.
QByteArray readBlob(Transaction &tx, const QByteArray &blobId, unsigned charSet,
                    qint64 maxBytes = -1);
qint64 blobLength(Transaction &tx, const QByteArray &blobId);
// Creates a blob holding data (already in the column's charset) and returns
// its id, to be sent as a SQL_BLOB parameter in the same transaction.
QByteArray writeBlob(Transaction &tx, const QByteArray &data);

} // namespace db
