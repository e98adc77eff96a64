#include "bench/benchdatabase.h"

#include "db/client/connection.h"
#include "db/client/connectionstring.h"
#include "db/sql/sqltext.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <functional>
#include <stdexcept>

namespace bench {

namespace {

// DECODE(selector, 0, 'a', 1, 'b', ..., last): picks one of the words.
QString pick(const QString &selector, const QStringList &words)
{
    QString sql = QStringLiteral("DECODE(") + selector;
    for (int i = 0; i + 1 < words.size(); ++i)
        sql += QStringLiteral(", %1, %2").arg(i).arg(words.at(i));
    return sql + QStringLiteral(", ") + words.last() + QStringLiteral(")");
}

// Text literals marked UTF8, so the accents survive a NONE connection.
QStringList utf8Literals(const QStringList &words)
{
    QStringList literals;
    for (const QString &word : words)
        literals << QStringLiteral("_UTF8 '") + word + QLatin1Char('\'');
    return literals;
}

QString nameSql()
{
    const QStringList first = utf8Literals(
        {"Anna", "Bernd", "Chiara", "David", "Elif", "François", "Grete", "Hiroshi",
         "Ingrid", "José", "Karin", "Łukasz", "Marta", "Nils", "Søren", "Zoë"});
    const QStringList last = utf8Literals(
        {"Andersson", "Bianchi", "Costa", "Dubois", "Eriksen", "Fischer", "García",
         "Hoffmann", "Ivanova", "Jensen", "Kowalski", "Lindqvist", "Müller", "Novák",
         "O'Brien", "Petersen", "Quist", "Rossi", "Schäfer", "Wójcik"});
    QStringList quoted;
    for (QString word : last)   // O'Brien
        quoted << word.replace(QStringLiteral("O'B"), QStringLiteral("O''B"));
    return pick(QStringLiteral("MOD(h / 65536, 16)"), first) + QStringLiteral(" || _UTF8 ' ' || ")
        + pick(QStringLiteral("MOD(h / 16, 20)"), quoted);
}

QString noteSql()
{
    const QString filler = QStringLiteral(
        "_UTF8 'Customer asked for a call back before delivery; the parcel goes to the side "
        "door, and the invoice is sent by post with the usual terms of payment.'");
    const QStringList cities = utf8Literals(
        {"Aarhus", "Bologna", "Córdoba", "Düsseldorf", "Göteborg", "Kraków", "Lyon", "Porto"});
    return QStringLiteral(
        "CASE MOD(h / 5, 10)"
        " WHEN 0 THEN NULL WHEN 1 THEN NULL"
        " WHEN 2 THEN _UTF8 'Paid by card'"
        " WHEN 3 THEN _UTF8 'Delivered to ' || %1"
        " WHEN 4 THEN _UTF8 'Invoice ' || i || _UTF8 ' sent on ' || CAST(c AS DATE)"
        " ELSE SUBSTRING(%2 FROM 1 + MOD(h, 40) FOR 8 + MOD(h / 40, 85)) END")
        .arg(pick(QStringLiteral("MOD(h / 50, 8)"), cities), filler);
}

} // namespace

QString BenchConnectionString(const QString &path)
{
    return db::ConnectionString({path, QString::fromLatin1(User), QString::fromLatin1(Password)});
}

QString CreateBenchTableSql(const QString &table)
{
    return QStringLiteral("CREATE TABLE ") + db::sql::QuoteIdentifier(table)
        + QStringLiteral(" (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40),"
                         " AMOUNT DECIMAL(18,2), CREATED TIMESTAMP, NOTE VARCHAR(100),"
                         " FLAG SMALLINT)");
}

QString FillBenchTableSql(const QString &table, int rows)
{
    // h: a multiplicative hash of the row number, the source of every value.
    return QStringLiteral(
        "EXECUTE BLOCK AS"
        " DECLARE i INTEGER = 1;"
        " DECLARE h BIGINT;"
        " DECLARE c TIMESTAMP;"
        " DECLARE n VARCHAR(40);"
        " DECLARE t VARCHAR(100);"
        " BEGIN"
        "  WHILE (i <= %2) DO BEGIN"
        "   h = MOD(i * 2654435761, 4294967296);"
        "   c = DATEADD(MILLISECOND, MOD(h, 1000),"
        "       DATEADD(SECOND, MOD(h / 7, 157680000), TIMESTAMP '2019-01-01 00:00:00'));"
        "   n = %3;"
        "   t = %4;"
        "   INSERT INTO %1 (ID, NAME, AMOUNT, CREATED, NOTE, FLAG) VALUES (:i, :n,"
        "    (MOD(:h / 320, 2000000) - 150000) / 100.00, :c, :t,"
        "    CASE WHEN MOD(:h / 11, 50) = 0 THEN NULL ELSE MOD(:h / 13, 4) END);"
        "   i = i + 1;"
        "  END"
        " END")
        .arg(db::sql::QuoteIdentifier(table))
        .arg(rows)
        .arg(nameSql(), noteSql());
}

namespace {

// Builds a database under another name with the given tables, fills it
// through fill, and renames it into place; false when it was there.
bool ensureDatabase(const QString &path, const QStringList &tables,
                    const std::function<void(db::Attachment &)> &fill)
{
    if (QFileInfo::exists(path))
        return false;
    const QString building = path + QStringLiteral(".part");
    QFile::remove(building);
    {
        db::Attachment setup = db::Attachment::create(building, QString::fromLatin1(User),
                                                      QString::fromLatin1(Password));
        for (const QString &table : tables)
            setup.executeImmediate(CreateBenchTableSql(table));
    }
    {
        // Filled through the program's own connection string, as the grid reads it.
        db::Attachment filling = db::Attachment::open(BenchConnectionString(building));
        fill(filling);
        filling.close();
    }
    if (!QFile::rename(building, path))
        throw std::runtime_error("cannot rename the benchmark database into place");
    return true;
}

} // namespace

bool EnsureBenchDatabase(const QString &path)
{
    const QString small = QString::fromLatin1(SmallTable);
    const QString large = QString::fromLatin1(LargeTable);
    return ensureDatabase(path, {small, large}, [&](db::Attachment &fill) {
        fill.executeImmediate(FillBenchTableSql(small, SmallRows));
        fill.executeImmediate(FillBenchTableSql(large, LargeRows));
    });
}

bool EnsureHugeBenchDatabase(const QString &path)
{
    const QString huge = QString::fromLatin1(HugeTable);
    return ensureDatabase(path, {huge}, [&](db::Attachment &fill) {
        fill.executeImmediate(FillBenchTableSql(huge, LargeRows));
        // The other copies are the first one's rows under higher ids.
        const QString quoted = db::sql::QuoteIdentifier(huge);
        for (int copy = 1; copy < HugeCopies; ++copy) {
            fill.executeImmediate(
                QStringLiteral("INSERT INTO %1 (ID, NAME, AMOUNT, CREATED, NOTE, FLAG)"
                               " SELECT ID + %2, NAME, AMOUNT, CREATED, NOTE, FLAG FROM %1"
                               " WHERE ID <= %3")
                    .arg(quoted)
                    .arg(qint64(copy) * LargeRows)
                    .arg(LargeRows));
        }
    });
}

} // namespace bench
