// Identifiers in statements: whatever the names hold, each statement
// builder's text reads back (as Firebird's lexer reads it) to exactly the
// names given, in order, with no comment, second statement or literal.

#include "db/sql/schemasql.h"
#include "db/sql/sqltext.h"
#include "fuzz/fuzzinput.h"
#include "tests/support/sqltokens.h"

namespace {

void CheckStatement(const QString &sql, const QStringList &names)
{
    const testsupport::SqlTokens tokens = testsupport::LexSql(sql);
    fuzz::Check(!tokens.unterminated && tokens.comments == 0 && tokens.separators == 0,
                "statement structure", sql);
    fuzz::Check(tokens.literals.isEmpty(), "no literal", sql);
    fuzz::Check(tokens.identifiers == names, "identifiers", sql);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace db::sql;
    const QStringList texts = fuzz::Texts(data, size);
    const QString table = texts.value(0);
    const QString a = texts.value(1);
    const QString b = texts.value(2);

    CheckStatement(QuoteIdentifier(table), {table});
    CheckStatement(TableQuery(table), {table});
    CheckStatement(CountRows(table), {table});
    TableRead read{table, false, {a, b}, true};
    CheckStatement(SelectRows(read), {table, a, b});
    CheckStatement(UpdateRowReturning(table, {a}, {b}, {a}, {a, b}), {table, a, b, a, a, b});
    CheckStatement(InsertRow(table, {a, b}, {b}), {table, a, b, b});
    CheckStatement(SelectRowByKey(table, {a}, {b}), {a, table, b});
    CheckStatement(DeleteRow(table, {a}, {b}), {table, a, b});
    CheckStatement(AddColumn(table, db::sql::ColumnSpec{.name = a, .type = "VARCHAR", .m = "10"}), {table, a});
    CheckStatement(CreateTable({table, {db::sql::ColumnSpec{.name = a, .type = "INTEGER"}, db::sql::ColumnSpec{.name = b, .type = "DATE"}}}), {table, a, b});
    return 0;
}
