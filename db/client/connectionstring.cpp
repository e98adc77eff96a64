#include "db/client/connectionstring.h"

#include <QMap>

namespace db {

namespace {

// Outer values are quoted OLE DB style only when they would otherwise split
// or end the string: a ';' or a quote inside. Ordinary values stay as typed.
QString outerValue(const QString &value)
{
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('"'))
        && !value.contains(QLatin1Char('\'')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Driver values are wrapped in braces (ODBC style) when they hold ';' or a
// brace, or begin with a quote, which a reader would take for quoting.
QString driverValue(const QString &value)
{
    const bool quoteFirst = value.startsWith(QLatin1Char('\'')) || value.startsWith(QLatin1Char('"'));
    if (!quoteFirst && !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{'))
        && !value.contains(QLatin1Char('}')))
        return value;
    QString braced = value;
    braced.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + braced + QLatin1Char('}');
}

// The driver part sits inside single quotes: a quote in it is doubled.
QString singleQuoted(QString text)
{
    return text.replace(QLatin1Char('\''), QStringLiteral("''"));
}

// Reads "key=value;key=value" with OLE DB quoting ('...' or "..." with the
// quote doubled inside) and ODBC braces ({...} with '}' doubled).
QMap<QString, QString> parsePairs(const QString &text, bool braces)
{
    QMap<QString, QString> pairs;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        const QString key = text.mid(i, eq - i).trimmed().toLower();
        i = eq + 1;
        QString value;
        const QChar open = i < n ? text.at(i) : QChar();
        if (open == QLatin1Char('"') || open == QLatin1Char('\'')
            || (braces && open == QLatin1Char('{'))) {
            const QChar close = open == QLatin1Char('{') ? QLatin1Char('}') : open;
            for (++i; i < n; ++i) {
                if (text.at(i) == close) {
                    if (i + 1 < n && text.at(i + 1) == close) {
                        value += close;
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text.at(i);
            }
            const qsizetype end = text.indexOf(QLatin1Char(';'), i);
            i = end < 0 ? n : end + 1;
        } else {
            const qsizetype end = text.indexOf(QLatin1Char(';'), i);
            value = text.mid(i, (end < 0 ? n : end) - i);
            i = end < 0 ? n : end + 1;
        }
        pairs.insert(key, value);
    }
    return pairs;
}

} // namespace

QString ConnectionString(const ConnectionProfile &profile)
{
    const QString driverPart = QStringLiteral("Driver=Firebird/InterBase(r) driver;Dbname=")
        + driverValue(profile.database) + QStringLiteral(" ")
        + QStringLiteral(";CHARSET=NONE;UID=") + driverValue(profile.user)
        + QStringLiteral(";Role=admin");
    return QStringLiteral("Provider=MSDASQL.1;Password=") + outerValue(profile.password)
        + QStringLiteral(";Persist Security Info=true;User ID=") + outerValue(profile.user)
        + QStringLiteral(";Extended ") + QStringLiteral("Properties='")
        + singleQuoted(driverPart) + QStringLiteral("'");
}

ConnectionParams ParseConnectionString(const QString &connectionString)
{
    const auto outer = parsePairs(connectionString, false);
    const auto driver = parsePairs(outer.value(QStringLiteral("extended properties")), true);
    ConnectionParams params;
    params.user = driver.value(QStringLiteral("uid"), outer.value(QStringLiteral("user id")));
    params.password = outer.value(QStringLiteral("password"),
                                  driver.value(QStringLiteral("pwd")));
    params.role = driver.value(QStringLiteral("role"));
    params.charset = driver.value(QStringLiteral("charset"));
    // The builder puts one blank after the path; a braced path keeps none.
    QString database = driver.value(QStringLiteral("dbname"));
    const QString rawDriver = outer.value(QStringLiteral("extended properties"));
    const bool braced = rawDriver.contains(QStringLiteral("Dbname={"), Qt::CaseInsensitive);
    if (!braced && database.endsWith(QLatin1Char(' ')))
        database.chop(1);
    params.database = database;
    return params;
}

} // namespace db
