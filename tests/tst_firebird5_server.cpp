// A Firebird 5.0.4 server of the test's own, reached through Firebird 5's
// client or, with GRAVELIN_TEST_CLIENT=3, through Debian's Firebird 3
// client, which knows none of the new types: the server sends them as
// text either way, and they show, sort, filter, export and save exactly.

#include "db/client/clientlibrary.h"
#include "db/client/connectionstring.h"
#include "export/gridview.h"
#include "export/textexports.h"
#include "platform/scriptedservices.h"
#include "tests/support/exportfiles.h"
#include "tests/support/firebird5.h"
#include "tests/support/newtypes.h"
#include "tests/tst_tablemodel_harness.h"

#include <QTemporaryDir>

using namespace modeltest;
using namespace testsupport;

class TestFirebird5Server : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString root = Firebird5Root();
        if (root.isEmpty())
            QSKIP(qPrintable(Firebird5Missing()));
        m_throughFirebird3 = qEnvironmentVariable("GRAVELIN_TEST_CLIENT") == "3";
        if (m_throughFirebird3)
            UseSystemClient();
        else
            UseFirebird5Client(root);
        m_server = std::make_unique<Firebird5Server>(root);
        QVERIFY2(m_server->failure().isEmpty(), qPrintable(m_server->failure()));
        const QString name = m_server->databaseName("types.fdb");
        m_connection = db::ConnectionString({name, "SYSDBA", Firebird5Server::Password});
        db::Attachment attachment =
            db::Attachment::create(name, "SYSDBA", Firebird5Server::Password, "UTF8");
        QVERIFY(attachment.sendsNewTypesAsText());
        attachment.executeImmediate(QStringLiteral("CREATE TABLE T (%1)").arg(Columns));
        attachment.executeImmediate(QStringLiteral("CREATE TABLE E (%1)").arg(Columns));
        for (int id = 1; id <= CaseCount; ++id) {
            attachment.executeImmediate(QStringLiteral("INSERT INTO T (ID, %1) VALUES (%2, '%3')")
                                            .arg(caseOf(id).column).arg(id).arg(caseOf(id).typed));
            attachment.executeImmediate(QStringLiteral("INSERT INTO E (ID) VALUES (%1)").arg(id));
        }
        m_isql = listedRows(RunIsql(root, QStringLiteral("CONNECT '%1' PASSWORD '%2'; SET LIST ON; "
                                                         "SELECT * FROM T ORDER BY ID;")
                                              .arg(name, Firebird5Server::Password)));
        QCOMPARE(m_isql.size(), CaseCount);
        QVERIFY(bind(m_model, "T"));
    }

    void theChosenClient()
    {
        QCOMPARE(db::LoadedClient().version.left(2), m_throughFirebird3 ? "3." : "5.");
    }

    void shownAsIsqlPrintsIt_data() { addCaseRows(); }
    void shownAsIsqlPrintsIt()
    {
        QFETCH(int, id);
        const TypeCase &c = caseOf(id);
        QCOMPARE(m_isql[id][c.column], QString::fromLatin1(c.shown));
        QCOMPARE(display(m_model, id - 1, columnOf(m_model, c.column)), QString::fromLatin1(c.shown));
    }

    void savedAsTyped_data() { addCaseRows(); }
    void savedAsTyped()
    {
        QFETCH(int, id);
        const int column = columnOf(m_model, caseOf(id).column);
        TableModel edits;
        QVERIFY(bind(edits, "E"));
        QVERIFY(edits.setData(edits.index(id - 1, column), QString(caseOf(id).shown), Qt::EditRole));
        QVERIFY2(edits.submitRow(id - 1), qPrintable(edits.rowError(id - 1)));
        TableModel reread;
        QVERIFY(bind(reread, "E"));
        QCOMPARE(display(reread, id - 1, column), QString::fromLatin1(caseOf(id).shown));
    }

    void sortsAndFiltersOnTheServer()
    {
        TableModel model;
        QVERIFY(bind(model, "T"));
        const int column = columnOf(model, "N38");
        model.sort(column, Qt::DescendingOrder);
        QVERIFY(QTest::qWaitFor([&] { return !model.isBusy(); }, 10000));
        QCOMPARE(display(model, 0, column), QStringLiteral("0.5000"));
        QStringList filter(Names.size());
        filter[Names.indexOf("DF16")] = "> -1";
        QCOMPARE(model.setFilter(filter), QString());
        QVERIFY(QTest::qWaitFor([&] { return !model.isBusy(); }, 10000));
        model.fetchAll();
        QVERIFY(QTest::qWaitFor([&] { return model.allRowsFetched(); }, 10000));
        QStringList found;
        for (int row = 0; row < model.recordCount(); ++row)
            found << display(model, row, Names.indexOf("DF16"));
        found.sort();
        QCOMPARE(found, QStringList({"-0", "9.999999999999999E+384"}));
    }

    void exportedAsShown()
    {
        db::sql::TableRead read;
        read.table = "T";
        exports::TableGridView grid(m_connection, read, -1);
        platform::ScriptedMessageBoxes messages;
        db::JobsHere jobs;
        QTemporaryDir dir;
        const QString path = dir.filePath("t.csv");
        QVERIFY(exports::SaveDataGridToCsvFile(grid, path, exports::ExportUi{messages, jobs})
                    .finished());
        const QList<QStringList> records = ReadCsv(QString::fromUtf8(ReadFile(path)));
        QCOMPARE(records.size(), CaseCount + 1);
        for (int id = 1; id <= CaseCount; ++id)
            QCOMPARE(records[id][Names.indexOf(caseOf(id).column)], QString(caseOf(id).shown));
    }

private:
    bool bind(TableModel &model, const QString &table)
    {
        QSignalSpy first(&model, &TableModel::firstRowsArrived);
        model.bind(m_connection, table);
        if (!first.wait(20000))
            return false;
        model.fetchAll();
        return QTest::qWaitFor([&] { return model.allRowsFetched(); }, 20000);
    }

    bool m_throughFirebird3 = false;
    std::unique_ptr<Firebird5Server> m_server;
    QString m_connection;
    QHash<int, QHash<QString, QString>> m_isql;
    TableModel m_model;
};

QTEST_MAIN(TestFirebird5Server)
#include "tst_firebird5_server.moc"
