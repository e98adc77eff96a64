#pragma once

// Shared by the grid model tests: binding and waiting, and looking at the
// database through an attachment of its own.

#include "db/client/connection.h"
#include "db/grid/tablemodel.h"
#include "tests/support/tempdatabase.h"

#include <QSignalSpy>
#include <QTest>

#include <ibase.h>

namespace modeltest {

using db::TableModel;
using testsupport::TempDatabase;

// Binds and waits for the first rows; false when they never came.
inline bool bindFirst(TableModel &model, const TempDatabase &database, const QString &table)
{
    QSignalSpy first(&model, &TableModel::firstRowsArrived);
    model.bind(database.connectionString(), table);
    return first.wait(10000);
}

// Binds and reads every row.
inline bool bindAll(TableModel &model, const TempDatabase &database, const QString &table)
{
    if (!bindFirst(model, database, table))
        return false;
    model.fetchAll();
    return QTest::qWaitFor([&] { return model.allRowsFetched(); }, 30000);
}

// One value as text: NULL as "<null>", OCTETS (RDB$DB_KEY, casts to
// OCTETS) as uppercase hex, text blobs by their content, the rest as the
// client delivers it (text as UTF-8, numbers in their native bytes as hex).
inline QString valueText(db::Transaction &tx, const db::Column &c, const unsigned char *row)
{
    if (db::isNull(c, row))
        return QStringLiteral("<null>");
    const QByteArray bytes = db::valueBytes(c, row);
    switch (c.sqlType.type) {
    case SQL_VARYING:
    case SQL_TEXT:
        return c.sqlType.charSet == db::CsOctets ? QString::fromLatin1(bytes.toHex().toUpper())
                                                 : QString::fromUtf8(bytes);
    case SQL_BLOB:
        // Stored bytes, not transliterated: what the column really holds.
        return QString::fromLatin1(db::readBlob(tx, bytes, db::CsNone).toHex().toUpper());
    default:
        return QString::fromLatin1(bytes.toHex().toUpper());
    }
}

// Every row of sql, each as its values joined by '|'.
inline QStringList rowsOf(const TempDatabase &database, const QString &sql)
{
    db::Attachment attachment = database.attach();
    db::Transaction tx = attachment.begin(db::TxMode::Browse);
    db::Statement statement(tx, sql);
    db::Cursor cursor = statement.openCursor(tx);
    QStringList rows;
    while (const unsigned char *row = cursor.fetch()) {
        QStringList values;
        for (const db::Column &c : statement.columns())
            values << valueText(tx, c, row);
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

// The first value of the first row of sql ("<no row>" without one).
inline QString valueOf(const TempDatabase &database, const QString &sql)
{
    const QStringList rows = rowsOf(database, sql);
    return rows.isEmpty() ? QStringLiteral("<no row>")
                          : rows.first().section(QLatin1Char('|'), 0, 0);
}

// Each value of every row of a table, in key order: for "nothing else changed".
inline QStringList tableSnapshot(const TempDatabase &database, const QString &table,
                                 const QString &order = QStringLiteral("1"))
{
    return rowsOf(database, QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(table, order));
}

// What the cell shows, once a blob's preview (read off the UI thread) is in.
inline QString display(const TableModel &model, int row, int column)
{
    model.index(row, column).data();
    if (!QTest::qWaitFor([&] { return !model.previewsPending(); }, 10000))
        return QStringLiteral("<preview never came>");
    return model.index(row, column).data().toString();
}

inline bool isNullAt(const TableModel &model, int row, int column)
{
    return model.index(row, column).data(TableModel::IsNullRole).toBool();
}

// The model's column of a field.
inline int columnOf(const TableModel &model, const QString &name)
{
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.headerData(c, Qt::Horizontal).toString() == name)
            return c;
    }
    return -1;
}

// Every type the grid edits, in one table; rows 1 to 3 hold plain values.
inline void createEveryTypeTable(TempDatabase &database, const QString &table = "V",
                                 bool keyless = false)
{
    database.exec(QString(
        "CREATE TABLE %1 (ID INTEGER NOT NULL %2, S SMALLINT, I INTEGER, B BIGINT, "
        "N18 NUMERIC(18,4), D42 DECIMAL(4,2), N93 NUMERIC(9,3), F FLOAT, DP DOUBLE PRECISION, "
        "DT DATE, TM TIME, TS TIMESTAMP, BO BOOLEAN, VU VARCHAR(20), "
        "VW VARCHAR(20) CHARACTER SET WIN1252, VI VARCHAR(20) CHARACTER SET ISO8859_1, "
        "VN VARCHAR(20) CHARACTER SET NONE, CU CHAR(6), TB BLOB SUB_TYPE TEXT, "
        "TBW BLOB SUB_TYPE TEXT CHARACTER SET WIN1252, "
        "TBN BLOB SUB_TYPE TEXT CHARACTER SET NONE, BB BLOB SUB_TYPE BINARY)")
                      .arg(table, keyless ? "" : "PRIMARY KEY"));
    for (int id = 1; id <= 3; ++id)
        database.exec(QString("INSERT INTO %2 VALUES (%1, %1, %1, %1, %1.5, %1.25, %1.125, %1.5, "
                              "%1.25, '2000-01-0%1', '10:00:0%1', '2000-01-0%1 10:00:00', TRUE, "
                              "'u%1', 'w%1', 'i%1', 'n%1', 'c%1', 'tb%1', 'tbw%1', 'tbn%1', "
                              "'bb%1')")
                          .arg(id)
                          .arg(table));
}

// A table snapshot with one value of one row replaced.
inline QStringList withValue(QStringList rows, int row, int column, const QString &value)
{
    QStringList values = rows[row].split(QLatin1Char('|'));
    values[column] = value;
    rows[row] = values.join(QLatin1Char('|'));
    return rows;
}

// One value of a table snapshot.
inline QString at(const QStringList &rows, int row, int column)
{
    return rows[row].split(QLatin1Char('|'))[column];
}

// Bytes as valueText shows them.
inline QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

} // namespace modeltest
