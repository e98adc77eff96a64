#include "db/sql/cellcodec.h"
#include "db/client/connection.h"
#include "db/sql/sqltext.h"
#include "tests/support/tempdatabase.h"

#include <QTest>

#include <ibase.h>

#include <algorithm>

using namespace db;
using namespace db::sql;
using testsupport::TempDatabase;

namespace {

using Rows = QList<QStringList>;

// Every row of a query, each value as its cell text ("<null>" for NULL).
Rows Query(Attachment &attachment, const QString &sql, const std::vector<Param> &params = {})
{
    Transaction tx = attachment.begin(TxMode::Browse);
    Statement statement(tx, sql);
    Cursor cursor = statement.openCursor(tx, params);
    Rows rows;
    while (const unsigned char *message = cursor.fetch()) {
        QStringList row;
        for (const Column &column : statement.columns())
            row << (isNull(column, message) ? QStringLiteral("<null>")
                                            : CellText(column, valueBytes(column, message)));
        rows << row;
    }
    return rows;
}

QStringList FirstColumn(const Rows &rows)
{
    QStringList values;
    for (const QStringList &row : rows)
        values << row.value(0);
    return values;
}

unsigned Execute(Attachment &attachment, const QString &sql, const std::vector<Param> &params)
{
    Transaction tx = attachment.begin(TxMode::Write);
    Statement statement(tx, sql);
    const unsigned affected = statement.execute(tx, params);
    tx.commit();
    return affected;
}

} // namespace

// Every statement text, exactly, and proof that Firebird runs each of them.
class tst_SqlText : public QObject
{
    Q_OBJECT

private slots:
    void quoteIdentifier_data();
    void quoteIdentifier();
    void tableQuery_data();
    void tableQuery();
    void selectRows_data();
    void selectRows();
    void countRows();
    void filteredRead();
    void updateRow_data();
    void updateRow();
    void insertRow_data();
    void insertRow();
    void deleteRow_data();
    void deleteRow();
    void selectRowByKey_data();
    void selectRowByKey();

    void tableQueryOpensOddNames_data();
    void tableQueryOpensOddNames();
    void relationNames();
    void primaryKeyColumns();
    void columnInfo();
    void selectRowsOrders();
    void keyedUpdateIsGuarded();
    void dbKeyUpdateChangesOneOfTwoTwins();
    void insertReturnsEveryColumn();
    void deleteIsGuarded();
};

void tst_SqlText::quoteIdentifier_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain") << "CUSTOMERS" << "\"CUSTOMERS\"";
    QTest::newRow("blank") << "Order Lines" << "\"Order Lines\"";
    QTest::newRow("lower case") << "orders" << "\"orders\"";
    QTest::newRow("double quote") << "Say \"Hi\"" << "\"Say \"\"Hi\"\"\"";
    QTest::newRow("only a quote") << "\"" << "\"\"\"\"";
    QTest::newRow("dollar") << "RDB$DB_KEY" << "\"RDB$DB_KEY\"";
}

void tst_SqlText::quoteIdentifier()
{
    QFETCH(QString, name);
    QFETCH(QString, quoted);
    QCOMPARE(QuoteIdentifier(name), quoted);
}

void tst_SqlText::tableQuery_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("sql");
    QTest::newRow("plain") << "CUSTOMERS" << "SELECT * FROM \"CUSTOMERS\";";
    QTest::newRow("blank") << "Order Lines" << "SELECT * FROM \"Order Lines\";";
    QTest::newRow("lower case") << "orders" << "SELECT * FROM \"orders\";";
    QTest::newRow("double quote") << "a\"b" << "SELECT * FROM \"a\"\"b\";";
}

void tst_SqlText::tableQuery()
{
    QFETCH(QString, table);
    QFETCH(QString, sql);
    QCOMPARE(TableQuery(table), sql);
}

void tst_SqlText::selectRows_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("withDbKey");
    QTest::addColumn<QStringList>("orderBy");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QString>("sql");
    QTest::newRow("keyed, unordered") << "T" << false << QStringList() << false
        << "SELECT * FROM \"T\";";
    QTest::newRow("keyed, by key") << "T" << false << QStringList{"ID"} << false
        << "SELECT * FROM \"T\" ORDER BY \"ID\"";
    QTest::newRow("sort column descending, key ascending")
        << "T" << false << QStringList{"Name", "ID"} << true
        << "SELECT * FROM \"T\" ORDER BY \"Name\" DESC, \"ID\"";
    QTest::newRow("composite key tiebreak") << "T" << false << QStringList{"A", "K1", "K2"}
        << false << "SELECT * FROM \"T\" ORDER BY \"A\", \"K1\", \"K2\"";
    QTest::newRow("keyless") << "T" << true << QStringList() << false
        << "SELECT \"T\".*, \"T\".RDB$DB_KEY FROM \"T\"";
    QTest::newRow("keyless, sorted") << "Order Lines" << true
        << QStringList{"a\"b", "RDB$DB_KEY"} << true
        << "SELECT \"Order Lines\".*, \"Order Lines\".RDB$DB_KEY FROM \"Order Lines\" "
           "ORDER BY \"a\"\"b\" DESC, \"Order Lines\".RDB$DB_KEY";
}

void tst_SqlText::selectRows()
{
    QFETCH(QString, table);
    QFETCH(bool, withDbKey);
    QFETCH(QStringList, orderBy);
    QFETCH(bool, descending);
    QFETCH(QString, sql);
    QCOMPARE(SelectRows({table, withDbKey, orderBy, descending}), sql);
}

// Every kind of term, each value a parameter; the count takes the same ones.
void tst_SqlText::filteredRead()
{
    TableRead read{"T", true, {"Name", "RDB$DB_KEY"}, true};
    for (FilterOp op : {FilterOp::Contains, FilterOp::Equal, FilterOp::NotEqual, FilterOp::Less,
                        FilterOp::Greater, FilterOp::LessEqual, FilterOp::GreaterEqual,
                        FilterOp::IsNull, FilterOp::IsNotNull})
        read.filter << FilterTerm{"a\"b", op, Param::text("x'%")};
    const QString where = " WHERE \"a\"\"b\" CONTAINING ? AND \"a\"\"b\" = ? AND \"a\"\"b\" <> ? "
                          "AND \"a\"\"b\" < ? AND \"a\"\"b\" > ? AND \"a\"\"b\" <= ? "
                          "AND \"a\"\"b\" >= ? AND \"a\"\"b\" IS NULL AND \"a\"\"b\" IS NOT NULL";
    QCOMPARE(SelectRows(read), "SELECT \"T\".*, \"T\".RDB$DB_KEY FROM \"T\"" + where
                                   + " ORDER BY \"Name\" DESC, \"T\".RDB$DB_KEY");
    QCOMPARE(CountRows(read), "SELECT COUNT(*) FROM \"T\"" + where);
    QCOMPARE(ReadParams(read).size(), size_t(7));
    QCOMPARE(ReadParams(read).front().data, QByteArray("x'%"));
    // A keyed table in its natural order, filtered: no longer the plain query.
    QCOMPARE(SelectRows({"T", false, {}, false, {FilterTerm{"ID", FilterOp::IsNull, {}}}}),
             QString("SELECT * FROM \"T\" WHERE \"ID\" IS NULL"));
}

void tst_SqlText::countRows()
{
    QCOMPARE(CountRows("Order \"Lines\""), QStringLiteral("SELECT COUNT(*) FROM \"Order \"\"Lines\"\"\""));
}

void tst_SqlText::updateRow_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("changed");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("sql");
    QTest::newRow("one column") << "T" << QStringList{"NAME"} << QStringList{"ID"}
        << "UPDATE \"T\" SET \"NAME\" = ? WHERE \"ID\" = ? AND \"NAME\" IS NOT DISTINCT FROM ?";
    QTest::newRow("two columns, composite key") << "Order Lines" << QStringList{"qty", "Unit Price"}
        << QStringList{"ORDER_ID", "LINE"}
        << "UPDATE \"Order Lines\" SET \"qty\" = ?, \"Unit Price\" = ? WHERE \"ORDER_ID\" = ? "
           "AND \"LINE\" = ? AND \"qty\" IS NOT DISTINCT FROM ? "
           "AND \"Unit Price\" IS NOT DISTINCT FROM ?";
    QTest::newRow("keyless") << "a\"b" << QStringList{"X\"Y"} << QStringList{"RDB$DB_KEY"}
        << "UPDATE \"a\"\"b\" SET \"X\"\"Y\" = ? WHERE RDB$DB_KEY = ? "
           "AND \"X\"\"Y\" IS NOT DISTINCT FROM ?";
    QTest::newRow("nothing changed") << "T" << QStringList() << QStringList{"ID"} << QString();
    QTest::newRow("no key") << "T" << QStringList{"NAME"} << QStringList() << QString();
}

void tst_SqlText::updateRow()
{
    QFETCH(QString, table);
    QFETCH(QStringList, changed);
    QFETCH(QStringList, keys);
    QFETCH(QString, sql);
    QCOMPARE(UpdateRowReturning(table, changed, keys, changed, {}), sql);
}

void tst_SqlText::insertRow_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("returning");
    QTest::addColumn<QString>("sql");
    QTest::newRow("columns") << "T" << QStringList{"ID", "Name"} << QStringList{"ID", "Name", "N"}
        << "INSERT INTO \"T\" (\"ID\", \"Name\") VALUES (?, ?) RETURNING \"ID\", \"Name\", \"N\"";
    QTest::newRow("defaults only") << "Order Lines" << QStringList() << QStringList{"ID"}
        << "INSERT INTO \"Order Lines\" DEFAULT VALUES RETURNING \"ID\"";
    QTest::newRow("keyless") << "a\"b" << QStringList{"c d"} << QStringList{"c d", "RDB$DB_KEY"}
        << "INSERT INTO \"a\"\"b\" (\"c d\") VALUES (?) RETURNING \"c d\", RDB$DB_KEY";
    QTest::newRow("no returning") << "T" << QStringList{"A"} << QStringList()
        << "INSERT INTO \"T\" (\"A\") VALUES (?)";
}

void tst_SqlText::insertRow()
{
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, returning);
    QFETCH(QString, sql);
    QCOMPARE(InsertRow(table, columns, returning), sql);
}

void tst_SqlText::deleteRow_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("guard");
    QTest::addColumn<QString>("sql");
    QTest::newRow("keyed") << "T" << QStringList{"ID"} << QStringList()
        << "DELETE FROM \"T\" WHERE \"ID\" = ?";
    QTest::newRow("guarded") << "Order Lines" << QStringList{"ID", "line"} << QStringList{"qty"}
        << "DELETE FROM \"Order Lines\" WHERE \"ID\" = ? AND \"line\" = ? "
           "AND \"qty\" IS NOT DISTINCT FROM ?";
    QTest::newRow("keyless") << "a\"b" << QStringList{"RDB$DB_KEY"} << QStringList{"X"}
        << "DELETE FROM \"a\"\"b\" WHERE RDB$DB_KEY = ? AND \"X\" IS NOT DISTINCT FROM ?";
    QTest::newRow("no key") << "T" << QStringList() << QStringList{"X"} << QString();
}

void tst_SqlText::deleteRow()
{
    QFETCH(QString, table);
    QFETCH(QStringList, keys);
    QFETCH(QStringList, guard);
    QFETCH(QString, sql);
    QCOMPARE(DeleteRow(table, keys, guard), sql);
}

void tst_SqlText::selectRowByKey_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("sql");
    QTest::newRow("keyed") << QStringList{"ID", "line"}
        << "SELECT \"ID\", \"a b\" FROM \"Order \"\"Lines\"\"\" WHERE \"ID\" = ? AND \"line\" = ?";
    QTest::newRow("no key") << QStringList() << QString();
}

void tst_SqlText::selectRowByKey()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, sql);
    QCOMPARE(SelectRowByKey("Order \"Lines\"", {"ID", "a b"}, keys), sql);
}

// ---- against a real database ---------------------------------------------

void tst_SqlText::tableQueryOpensOddNames_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("upper case") << "CUSTOMERS";
    QTest::newRow("blank") << "Order Lines";
    QTest::newRow("lower case") << "orders";
    QTest::newRow("double quote") << "Say \"Hi\"";
}

void tst_SqlText::tableQueryOpensOddNames()
{
    QFETCH(QString, table);
    TempDatabase database;
    database.exec({"CREATE TABLE " + QuoteIdentifier(table) + " (ID INTEGER, \"a b\" VARCHAR(5))",
                   "INSERT INTO " + QuoteIdentifier(table) + " VALUES (7, 'x')"});
    Attachment attachment = database.attach();
    QCOMPARE(Query(attachment, TableQuery(table)), (Rows{{"7", "x"}}));
    QCOMPARE(Query(attachment, CountRows(table)), (Rows{{"1"}}));
}

void tst_SqlText::relationNames()
{
    TempDatabase database;
    database.exec({"CREATE TABLE ZETA (X INTEGER)", "CREATE TABLE \"alpha beta\" (X INTEGER)",
                   "CREATE VIEW AVIEW AS SELECT X FROM ZETA",
                   "CREATE VIEW \"Say \"\"Hi\"\"\" AS SELECT X FROM ZETA",
                   "CREATE TABLE \" lead\" (X INTEGER)"});
    Attachment attachment = database.attach();
    const QStringList names = FirstColumn(Query(attachment, RelationNamesQuery()));
    // system tables are listed too; the caller filters
    QVERIFY(names.contains("RDB$RELATIONS"));
    const QStringList views{"AVIEW", "Say \"Hi\""};
    QCOMPARE(names.mid(names.size() - 2), views);
    QStringList tables = names.mid(0, names.size() - 2);
    QVERIFY(tables.contains("ZETA"));
    QVERIFY(tables.contains("alpha beta"));   // trimmed, case kept
    QVERIFY(tables.contains(" lead"));        // a leading blank is part of the name
    QStringList sorted = tables;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(tables, sorted);
    const auto isView = [&](const QString &name) {
        return FirstColumn(Query(attachment, RelationIsViewQuery(), {Param::text(name)}));
    };
    QCOMPARE(isView("Say \"Hi\""), QStringList{"1"});
    QCOMPARE(isView("ZETA"), QStringList{"0"});
    QCOMPARE(isView("zeta"), QStringList());   // names are exact
}

void tst_SqlText::primaryKeyColumns()
{
    TempDatabase database;
    database.exec({"CREATE TABLE \"Order Lines\" (A INTEGER NOT NULL, \"b\" INTEGER NOT NULL, "
                   "C INTEGER, PRIMARY KEY (\"b\", A))",
                   "CREATE TABLE ORDERS (ID INTEGER NOT NULL PRIMARY KEY, U INTEGER UNIQUE)",
                   "CREATE TABLE NOKEY (X INTEGER NOT NULL UNIQUE)"});
    Attachment attachment = database.attach();
    auto keys = [&](const QString &table) {
        return FirstColumn(Query(attachment, PrimaryKeyColumnsQuery(), {Param::text(table)}));
    };
    QCOMPARE(keys("Order Lines"), (QStringList{"b", "A"}));
    QCOMPARE(keys("ORDERS"), (QStringList{"ID"}));
    QCOMPARE(keys("NOKEY"), QStringList());
    QCOMPARE(keys("orders"), QStringList());   // names are exact
}

void tst_SqlText::columnInfo()
{
    TempDatabase database;
    database.exec({"CREATE DOMAIN D_FLAG AS SMALLINT DEFAULT 1",
                   "CREATE TABLE \"t x\" (ID INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
                   "NAME VARCHAR(10) DEFAULT 'n', TWICE COMPUTED BY (ID * 2), FLAG D_FLAG, "
                   "\"plain one\" INTEGER)"});
    Attachment attachment = database.attach();
    const Rows rows = Query(attachment, ColumnInfoQuery(), {Param::text("t x")});
    const Rows expected{{"ID", "0", "1", "0"},
                        {"NAME", "0", "0", "1"},
                        {"TWICE", "1", "0", "0"},
                        {"FLAG", "0", "0", "1"},
                        {"plain one", "0", "0", "0"}};
    QCOMPARE(rows.size(), expected.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        QCOMPARE(rows[i].mid(0, 4), expected[i]);
    // type, sub type, characters, precision, scale, character set, NOT NULL,
    // default, computed
    QCOMPARE(rows[0].mid(4), QStringList({"8", "0", "0", "0", "0", "", "1", "", ""}));
    QCOMPARE(rows[1].mid(4), QStringList({"37", "0", "10", "0", "0", "UTF8", "0", "DEFAULT 'n'", ""}));
    QCOMPARE(rows[2].mid(11), QStringList({"", "(ID * 2)"}));
    QCOMPARE(rows[3].mid(4), QStringList({"7", "0", "0", "0", "0", "", "0", "DEFAULT 1", ""}));
}

void tst_SqlText::selectRowsOrders()
{
    TempDatabase database;
    database.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, \"Name\" VARCHAR(10))",
                   "INSERT INTO T VALUES (3, 'b')", "INSERT INTO T VALUES (1, 'b')",
                   "INSERT INTO T VALUES (2, 'a')", "INSERT INTO T VALUES (4, 'c')"});
    Attachment attachment = database.attach();
    QCOMPARE(FirstColumn(Query(attachment, SelectRows({"T", false, {"Name", "ID"}, true}))),
             (QStringList{"4", "1", "3", "2"}));
    QCOMPARE(FirstColumn(Query(attachment, SelectRows({"T", false, {"Name", "ID"}, false}))),
             (QStringList{"2", "1", "3", "4"}));
    const Rows keyed = Query(attachment, SelectRows({"T", true, {"ID", "RDB$DB_KEY"}, false}));
    QCOMPARE(keyed.size(), 4);
    QCOMPARE(keyed.at(0).size(), 3);           // DB_KEY added last
    QCOMPARE(keyed.at(0).at(2).size(), 16);    // 8 bytes, shown as hex
}

void tst_SqlText::keyedUpdateIsGuarded()
{
    TempDatabase database;
    database.exec({"CREATE TABLE \"Order Lines\" (ID INTEGER NOT NULL PRIMARY KEY, "
                   "\"qty\" INTEGER, NOTE VARCHAR(20))",
                   "INSERT INTO \"Order Lines\" VALUES (1, 5, NULL)",
                   "INSERT INTO \"Order Lines\" VALUES (2, 5, NULL)"});
    Attachment attachment = database.attach();
    const QString update = UpdateRowReturning("Order Lines", {"qty", "NOTE"}, {"ID"}, {"qty", "NOTE"}, {});
    const Param nullNote = Param::nullOf({SQL_VARYING, 0, 0, 20, CsUtf8});
    // someone else changed qty meanwhile: the guard holds the write back
    QCOMPARE(Execute(attachment, update, {Param::int32(6), Param::text("x"), Param::int32(1),
                                          Param::int32(4), nullNote}), 0u);
    // originals match, the NULL one too
    QCOMPARE(Execute(attachment, update, {Param::int32(6), Param::text("x"), Param::int32(1),
                                          Param::int32(5), nullNote}), 1u);
    QCOMPARE(Query(attachment, "SELECT * FROM \"Order Lines\" ORDER BY ID"),
             (Rows{{"1", "6", "x"}, {"2", "5", "<null>"}}));
}

void tst_SqlText::dbKeyUpdateChangesOneOfTwoTwins()
{
    TempDatabase database;
    database.exec({"CREATE TABLE \"No Key\" (A INTEGER, B VARCHAR(5))",
                   "INSERT INTO \"No Key\" VALUES (1, 'same')",
                   "INSERT INTO \"No Key\" VALUES (1, 'same')"});
    Attachment attachment = database.attach();
    QByteArray dbKey;
    {
        Transaction tx = attachment.begin(TxMode::Browse);
        Statement select(tx, SelectRows({"No Key", true, {}, false}));
        const Column &keyColumn = select.columns().at(2);
        QCOMPARE(keyColumn.sqlType.charSet, unsigned(CsOctets));
        Cursor cursor = select.openCursor(tx);
        dbKey = valueBytes(keyColumn, cursor.fetch());
    }
    QCOMPARE(dbKey.size(), 8);
    const QString update = UpdateRowReturning("No Key", {"B"}, {"RDB$DB_KEY"}, {"B"}, {});
    QCOMPARE(Execute(attachment, update, {Param::text("new"), Param::bytes(dbKey, CsOctets),
                                          Param::text("other")}), 0u);
    QCOMPARE(Execute(attachment, update, {Param::text("new"), Param::bytes(dbKey, CsOctets),
                                          Param::text("same")}), 1u);
    QCOMPARE(Query(attachment, "SELECT A, B FROM \"No Key\" ORDER BY B"),
             (Rows{{"1", "new"}, {"1", "same"}}));
    QCOMPARE(Execute(attachment, DeleteRow("No Key", {"RDB$DB_KEY"}, {"B"}),
                     {Param::bytes(dbKey, CsOctets), Param::text("new")}), 1u);
    QCOMPARE(Query(attachment, "SELECT A, B FROM \"No Key\""), (Rows{{"1", "same"}}));
}

void tst_SqlText::insertReturnsEveryColumn()
{
    TempDatabase database;
    database.exec({"CREATE TABLE \"t x\" (ID INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
                   "\"Name\" VARCHAR(10) DEFAULT 'dflt', TWICE COMPUTED BY (ID * 2))",
                   "CREATE TABLE BARE (A INTEGER DEFAULT 7, B VARCHAR(3))"});
    Attachment attachment = database.attach();
    Transaction tx = attachment.begin(TxMode::Write);
    Statement insert(tx, InsertRow("t x", {"Name"}, {"ID", "Name", "TWICE"}));
    QCOMPARE(insert.execute(tx, {Param::text("Zoë")}), 1u);
    QStringList returned;
    for (const Column &column : insert.columns())
        returned << CellText(column, valueBytes(column, insert.row()));
    QCOMPARE(returned, (QStringList{"1", "Zoë", "2"}));

    Statement defaults(tx, InsertRow("t x", {}, {"ID", "Name", "TWICE"}));
    QCOMPARE(defaults.execute(tx), 1u);
    QCOMPARE(CellText(defaults.columns().at(1), valueBytes(defaults.columns().at(1), defaults.row())),
             QStringLiteral("dflt"));

    Statement keyless(tx, InsertRow("BARE", {"B"}, {"A", "B", "RDB$DB_KEY"}));
    QCOMPARE(keyless.execute(tx, {Param::text("b")}), 1u);
    const Column &key = keyless.columns().at(2);
    QCOMPARE(valueBytes(key, keyless.row()).size(), 8);
    QCOMPARE(CellText(keyless.columns().at(0), valueBytes(keyless.columns().at(0), keyless.row())),
             QStringLiteral("7"));
    tx.commit();
}

void tst_SqlText::deleteIsGuarded()
{
    TempDatabase database;
    database.exec({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V VARCHAR(5))",
                   "INSERT INTO T VALUES (1, NULL)", "INSERT INTO T VALUES (2, 'b')"});
    Attachment attachment = database.attach();
    const QString sql = DeleteRow("T", {"ID"}, {"V"});
    QCOMPARE(Execute(attachment, sql, {Param::int32(2), Param::text("x")}), 0u);
    QCOMPARE(Execute(attachment, sql, {Param::int32(2), Param::text("b")}), 1u);
    QCOMPARE(Execute(attachment, sql, {Param::int32(1), Param::nullOf({SQL_VARYING, 0, 0, 5, CsUtf8})}), 1u);
    QCOMPARE(Query(attachment, CountRows("T")), (Rows{{"0"}}));
}

QTEST_GUILESS_MAIN(tst_SqlText)
#include "tst_sqltext.moc"
