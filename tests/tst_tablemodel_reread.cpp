// The grid's rows read again: filters on the server (each kind on each kind
// of column, with a sort; values only ever as parameters; the count) and a
// refresh that finds unsaved rows again wherever they are.

#include "db/sql/tablefilter.h"
#include "tests/tst_tablemodel_harness.h"

using namespace modeltest;

namespace {

using Filters = QMap<QString, QString>;   // column name -> box text

} // namespace

class TestTableModelReread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_db.exec({"CREATE TABLE F (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(30), "
                   "QTY INTEGER, PRICE NUMERIC(9,2), BORN DATE, OK BOOLEAN, "
                   "NOTE BLOB SUB_TYPE TEXT, CODE CHAR(4) CHARACTER SET WIN1252)",
                   "INSERT INTO F VALUES (1, 'Ann', 5, 1.50, '2001-01-01', TRUE, 'first note', 'A1')",
                   "INSERT INTO F VALUES (2, 'it''s 100%', 10, 2.00, '2002-02-02', FALSE, NULL, 'B2')",
                   "INSERT INTO F VALUES (3, 'bob', NULL, 3.25, NULL, TRUE, 'Second', 'a3')",
                   "INSERT INTO F VALUES (4, 'its 100 percent', 7, NULL, '2004-04-04', NULL, 'x_y', NULL)",
                   "INSERT INTO F VALUES (5, 'ANNA_B', 10, 1.50, '2001-01-01', FALSE, '100%', 'C5')",
                   "INSERT INTO F VALUES (6, 'o''hara 50%_x', 2, 9.99, '2006-06-06', TRUE, 'x y', 'c6')"});
        m_db.release();
    }

    void filters_data()
    {
        QTest::addColumn<Filters>("filters");
        QTest::addColumn<QString>("sort");     // column, "-" before it for descending
        QTest::addColumn<QString>("ids");
        QTest::newRow("contains, any case") << Filters{{"NAME", "ann"}} << "ID" << "1 5";
        QTest::newRow("quote and %") << Filters{{"NAME", "it's 100%"}} << "ID" << "2";
        QTest::newRow("_ is a character") << Filters{{"NAME", "a_b"}} << "ID" << "5";
        QTest::newRow("quote, % and _") << Filters{{"NAME", "'hara 50%_"}} << "ID" << "6";
        QTest::newRow("greater on text") << Filters{{"NAME", ">b"}} << "ID" << "2 3 4 6";
        QTest::newRow("equals integer, by name down")
            << Filters{{"QTY", "10"}} << "-NAME" << "2 5";
        QTest::newRow("greater integer, by qty down")
            << Filters{{"QTY", "> 4"}} << "-QTY" << "2 5 4 1";
        QTest::newRow("at most a numeric") << Filters{{"PRICE", "<=1.5"}} << "ID" << "1 5";
        QTest::newRow("other dates") << Filters{{"BORN", "<>2001-01-01"}} << "-BORN" << "6 4 2";
        QTest::newRow("NULL date") << Filters{{"BORN", "null"}} << "ID" << "3";
        QTest::newRow("NOT NULL blob") << Filters{{"NOTE", "NOT NULL"}} << "-ID" << "6 5 4 3 1";
        QTest::newRow("text blob contains") << Filters{{"NOTE", "SECOND"}} << "ID" << "3";
        QTest::newRow("boolean") << Filters{{"OK", "true"}} << "ID" << "1 3 6";
        QTest::newRow("CHAR equals") << Filters{{"CODE", "=A1"}} << "ID" << "1";
        QTest::newRow("CHAR contains") << Filters{{"CODE", "a"}} << "ID" << "1 3";
        QTest::newRow("two boxes: AND") << Filters{{"QTY", ">=5"}, {"NAME", "n"}} << "-ID"
                                        << "5 4 1";
    }

    void filters()
    {
        QFETCH(Filters, filters);
        QFETCH(QString, sort);
        QFETCH(QString, ids);
        TableModel model;
        QVERIFY(bindAll(model, m_db, "F"));
        const bool down = sort.startsWith('-');
        model.sort(columnOf(model, down ? sort.mid(1) : sort),
                   down ? Qt::DescendingOrder : Qt::AscendingOrder);
        QVERIFY(settle(model));
        QCOMPARE(model.setFilter(texts(model, filters)), QString());
        QVERIFY(model.isBusy());
        QVERIFY(settle(model));
        QCOMPARE(idsOf(model), ids);
        // The count is the server's count of the same filter.
        QVERIFY(QTest::qWaitFor([&] { return model.countKnown(); }));
        QCOMPARE(model.recordCount(), int(ids.split(' ').size()));
        db::Attachment attachment = m_db.attach();
        db::Transaction tx = attachment.begin(db::TxMode::Browse);
        db::Statement count(tx, db::sql::CountRows(model.currentRead()));
        db::Cursor cursor = count.openCursor(tx, db::sql::ReadParams(model.currentRead()));
        const unsigned char *row = cursor.fetch();
        QVERIFY(row);
        QCOMPARE(db::CellText(count.columns().at(0), db::valueBytes(count.columns().at(0), row)),
                 QString::number(ids.split(' ').size()));
        // Emptied boxes read every row again, in the same order.
        QCOMPARE(model.setFilter(QStringList(model.columnCount(), QString())), QString());
        QVERIFY(settle(model));
        QCOMPARE(model.recordCount(), 6);
        QVERIFY(model.filterText().isEmpty());
    }

    void unreadableTexts_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a number") << "QTY" << "abc"
                                      << "Filter on QTY: \"abc\" cannot be read: Not a number.";
        QTest::newRow("not a date") << "BORN" << ">2001-13-45"
            << "Filter on BORN: \"2001-13-45\" cannot be read: Not a valid date (yyyy-MM-dd).";
        QTest::newRow("sign without value") << "QTY" << "<= "
                                            << "Filter on QTY: a value must follow \"<=\".";
        QTest::newRow("compare a text blob") << "NOTE" << "=x"
            << "NOTE is a text BLOB: it can be filtered by a text it contains, by NULL or by "
               "NOT NULL.";
    }

    // Said in words, and nothing is read.
    void unreadableTexts()
    {
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(QString, message);
        TableModel model;
        QVERIFY(bindAll(model, m_db, "F"));
        QCOMPARE(model.setFilter(texts(model, {{column, text}})), message);
        QVERIFY(!model.isBusy());
        QVERIFY(model.currentRead().filter.isEmpty());
        QCOMPARE(model.recordCount(), 6);
    }

    void filterInWords()
    {
        TableModel model;
        QVERIFY(bindAll(model, m_db, "F"));
        QCOMPARE(model.setFilter(texts(model, {{"NAME", "o'h"}, {"QTY", "<>3"}, {"BORN", "NOT NULL"}})),
                 QString());
        QVERIFY(settle(model));
        QCOMPARE(model.filterText(),
                 QStringLiteral("NAME contains \"o'h\" and QTY <> 3 and BORN is not NULL"));
        QCOMPARE(idsOf(model), QStringLiteral("6"));
    }

    // An unsaved row far below the first screen is found again, without a
    // scroll, and is still unsaved meanwhile.
    void refreshFindsUnsavedRowsFarDown()
    {
        TempDatabase db;
        db.exec(QStringLiteral("CREATE TABLE R (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(10))"));
        db.exec(QStringLiteral("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN "
                               "WHILE (I <= 3000) DO BEGIN INSERT INTO R VALUES (:I, 'n' || :I); "
                               "I = I + 1; END END"));
        TableModel model;
        QVERIFY(bindAll(model, db, "R"));
        QVERIFY(model.setData(model.index(2500, 1), "changed"));
        model.refresh(0);
        QVERIFY(model.hasUnsavedRows());
        QVERIFY(QTest::qWaitFor([&] { return !model.isBusy() && model.allRowsFetched(); }, 10000));
        QVERIFY(model.isRowDirty(2500));
        QCOMPARE(display(model, 2500, 1), QStringLiteral("changed"));
        QCOMPARE(display(model, 2499, 1), QStringLiteral("n2500"));
    }

private:
    static bool settle(TableModel &model)
    {
        if (!QTest::qWaitFor([&] { return !model.isBusy(); }, 10000))
            return false;
        model.fetchAll();
        return QTest::qWaitFor([&] { return model.allRowsFetched(); }, 10000);
    }
    static QStringList texts(const TableModel &model, const Filters &filters)
    {
        QStringList texts(model.columnCount(), QString());
        for (auto it = filters.begin(); it != filters.end(); ++it)
            texts[columnOf(model, it.key())] = it.value();
        return texts;
    }
    static QString idsOf(const TableModel &model)
    {
        QStringList ids;
        for (int row = 0; row < model.recordCount(); ++row)
            ids << display(model, row, 0);
        return ids.join(' ');
    }

    TempDatabase m_db;
};

QTEST_MAIN(TestTableModelReread)
#include "tst_tablemodel_reread.moc"
