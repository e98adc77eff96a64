#include "app/errorreport.h"

#include "db/client/dberror.h"

#include <QStringList>

#include <stdexcept>

namespace app {

bool LineAllowed(const Location &location, int line)
{
    const QStringList parts = QString::fromLatin1(location.lines).split(',');
    for (const QString &part : parts) {
        const QStringList bounds = part.split('-');
        const int first = bounds.first().toInt();
        const int last = bounds.last().toInt();
        if (line >= first && line <= last && (line - first) % 2 == 0)
            return true;
    }
    return false;
}

QString ErrorReportText(const QString &description, const char *location, int line)
{
    return description + "\r\n" + QString::fromLatin1(location) + "at line "
        + QString::number(line) + "\r\r";
}

QString PrinterModuleReportText(long errorNumber, const QString &description)
{
    return "Error No: " + QString::number(errorNumber) + "\r\n" + description + "\r\n"
        + "Has occured in " + PrinterModuleLocation + "\r\n"
        + "Please contact Technical Support";
}

QString Describe(const std::exception_ptr &failure)
{
    try {
        if (failure)
            std::rethrow_exception(failure);
    } catch (const db::DbError &error) {
        return error.message();
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
    }
    return QStringLiteral("Unknown error");
}

} // namespace app
