#include "db/grid/tablemodel.h"
#include "ui/refusaltexts.h"

#include <QTest>

#include <memory>

#include "tst_tablemodel_harness.h"

using namespace modeltest;

// Refused writes in words: each common refusal, caused for real through
// the grid's model, leads with its sentence and keeps the server's text.
class TestRefusalTexts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sentence_data();
    void sentence();
    void lockConflict();

private:
    QString refusalOfRow0(const QString &column, const QString &value);

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<TableModel> m_model;
};

void TestRefusalTexts::init()
{
    m_db = std::make_unique<TempDatabase>();
    m_db->exec({"CREATE TABLE P (ID INTEGER NOT NULL PRIMARY KEY)", "INSERT INTO P VALUES (1)",
                "CREATE TABLE R (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(10) NOT NULL, "
                "LEGACY_NAME VARCHAR(10) CHARACTER SET WIN1252, "
                "QTY INTEGER CONSTRAINT QTY_POSITIVE CHECK (QTY >= 0), "
                "PARENT INTEGER CONSTRAINT R_PARENT REFERENCES P (ID))",
                "INSERT INTO R VALUES (1, 'one', 'a', 1, 1)",
                "INSERT INTO R VALUES (5, 'five', 'b', 5, 1)"});
    m_db->release();
    m_model = std::make_unique<TableModel>();
    m_model->setRefusalWording(&ui::RefusalText);
    QVERIFY(bindAll(*m_model, *m_db, "R"));
}

void TestRefusalTexts::cleanup()
{
    m_model.reset();
    m_db.reset();
}

// The refusal of row 0 with one value typed ("<null>" sets NULL).
QString TestRefusalTexts::refusalOfRow0(const QString &column, const QString &value)
{
    const QModelIndex cell = m_model->index(0, columnOf(*m_model, column));
    if (value == QStringLiteral("<null>"))
        m_model->setNull(cell);
    else
        m_model->setData(cell, value);
    return m_model->submitRow(0) ? QString() : m_model->rowError(0);
}

void TestRefusalTexts::sentence_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QString>("serverWords");   // part of the server's text
    QTest::newRow("not null") << "NAME" << "<null>" << "NAME may not be empty (NULL)."
                              << "validation error";
    QTest::newRow("primary key") << "ID" << "5" << "Another record already has ID = 5."
                                 << "PRIMARY or UNIQUE KEY";
    QTest::newRow("foreign key") << "PARENT" << "9"
        << "PARENT = 9 has no matching record in the referenced table (R_PARENT)."
        << "FOREIGN KEY";
    QTest::newRow("check") << "QTY" << "-1" << "The values break the rule QTY_POSITIVE of R."
                           << "CHECK";
    QTest::newRow("character set") << "LEGACY_NAME" << "x花"
                                   << "LEGACY_NAME (WIN1252) cannot hold '花'." << "transliterate";
}

void TestRefusalTexts::sentence()
{
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(QString, sentence);
    QFETCH(QString, serverWords);
    const QString text = refusalOfRow0(column, value);
    QVERIFY2(text.startsWith(sentence + "\r\n\r\n"), qPrintable(text));
    QVERIFY2(text.mid(sentence.size()).contains(serverWords), qPrintable(text));
    QCOMPARE(m_model->headerData(0, Qt::Vertical).toString(), QStringLiteral("!"));
}

void TestRefusalTexts::lockConflict()
{
    db::Attachment other = m_db->attach();
    db::Transaction holder = other.begin(db::TxMode::Write);
    db::Statement(holder, "UPDATE R SET QTY = 2 WHERE ID = 1").execute(holder);
    const QString text = refusalOfRow0("QTY", "3");
    QVERIFY2(text.startsWith("Someone else is changing this record; try again when they have "
                             "saved.\r\n\r\n"),
             qPrintable(text));
    QVERIFY2(text.contains("concurrent update"), qPrintable(text));
    holder.rollback();
}

QTEST_MAIN(TestRefusalTexts)
#include "tst_refusaltexts.moc"
