#pragma once

#include "db/client/connection.h"

#include <QHash>
#include <QStringList>

namespace db {

struct ColumnTraits
{
    bool computed = false;
    bool identity = false;
    bool hasDefault = false;
    // As the catalogue describes the column, for the heading's tooltip.
    QString typeText;          // ColumnTypeName
    QString charSet;           // text types only
    bool notNull = false;
    QString defaultSource;     // "DEFAULT 'x'" as declared; empty for none
    QString computedSource;    // "(A * 2)"; empty unless computed
    TextBound bound = TextBound::None;   // a Firebird 4+ type sent as text
    QString references;        // "references DEPARTMENT (DEPT_NO)"; empty for none
};

// A foreign key of the table: its columns and the parent's key columns they
// point at, in the same order.
struct ForeignKey
{
    QString name;
    QStringList columns;
    QString parent;
    QStringList parentColumns;
};

// What a heading's tooltip says of it: "references DEPARTMENT (DEPT_NO)".
QString ReferenceText(const ForeignKey &key);

// A catalogue type as the schema dialogs write it: their entry's type text
// and precision cell ("VARCHAR (20)", "NUMERIC (18, 4)", "BIGINT"); types
// the dialogs do not offer by their own name ("TIME", "BOOLEAN").
QString ColumnTypeName(int fieldType, int subType, int charLength, int precision, int scale);

// Which of the types sent as text a catalogue type is.
TextBound TextBoundOf(int fieldType, int subType);

// The tooltip of a column's heading: its name, type, NOT NULL, default,
// primary key membership, identity, computed or read-only, a line each.
QString ColumnDescription(const QString &name, const ColumnTraits &traits, int keyPosition,
                          int keyColumns, bool readOnly);

// What the grid needs to know of a table to write its rows back.
struct TableSchema
{
    QString table;
    bool isView = false;              // its messages say "view", not "table"
    QStringList keyColumns;           // primary key, in key order
    QHash<QString, ColumnTraits> traits;
    QList<ForeignKey> foreignKeys;

    // The foreign key a column is part of (the first, if several); null for none.
    const ForeignKey *foreignKeyOf(const QString &column) const;

    // What messages call it: "view" or "table".
    QString objectWord() const { return isView ? QStringLiteral("view") : QStringLiteral("table"); }
    // Without a primary key a row is identified by RDB$DB_KEY.
    bool keyless() const { return keyColumns.isEmpty(); }
};

TableSchema LoadTableSchema(Transaction &tx, const QString &table);
QList<ForeignKey> LoadForeignKeys(Transaction &tx, const QString &table);

// Marks the columns of schema's table that arrive as text for what they
// are (Attachment::sendsNewTypesAsText).
void MarkTextBound(const TableSchema &schema, std::vector<Column> &columns);

} // namespace db
