#include "db/client/fbapi.h"

#include <QRegularExpression>

namespace db::fb {

namespace {

QString interpret(const intptr_t *vector)
{
    QStringList lines;
    char buffer[1024];
    const ISC_STATUS *cursor = vector;
    while (Client().interpret(buffer, sizeof buffer, &cursor) > 0)
        lines << (lines.isEmpty() ? QString() : QStringLiteral("-")) + QString::fromUtf8(buffer);
    return lines.join(QLatin1Char('\n'));
}

std::vector<long> gdsCodes(const intptr_t *vector)
{
    std::vector<long> codes;
    for (const intptr_t *p = vector; *p != isc_arg_end;) {
        const intptr_t kind = *p++;
        if (kind == isc_arg_gds)
            codes.push_back(long(*p));
        p += (kind == isc_arg_cstring) ? 2 : 1;
    }
    return codes;
}

QStringList textArguments(const intptr_t *vector)
{
    QStringList arguments;
    for (const intptr_t *p = vector; *p != isc_arg_end;) {
        const intptr_t kind = *p++;
        if (kind == isc_arg_string)
            arguments << QString::fromUtf8(reinterpret_cast<const char *>(*p));
        else if (kind == isc_arg_cstring)
            arguments << QString::fromUtf8(reinterpret_cast<const char *>(p[1]), int(p[0]));
        p += (kind == isc_arg_cstring) ? 2 : 1;
    }
    return arguments;
}

} // namespace

Firebird::IMaster *master()
{
    return Client().master;
}

Firebird::IUtil *util()
{
    return master()->getUtilInterface();
}

Status::Status()
    : m_status(master()->getStatus())
    , m_wrapper(m_status)
{
}

Status::~Status()
{
    m_status->dispose();
}

bool Status::failed() const
{
    return const_cast<Firebird::CheckStatusWrapper &>(m_wrapper).getState()
        & Firebird::IStatus::STATE_ERRORS;
}

DbError Status::error() const
{
    auto &wrapper = const_cast<Firebird::CheckStatusWrapper &>(m_wrapper);
    const intptr_t *vector = wrapper.getErrors();
    QString text = interpret(vector);
    if (text.isEmpty())
        text = QStringLiteral("Unknown database error");
    return DbError(text, gdsCodes(vector), textArguments(vector));
}

void Status::check() const
{
    if (failed())
        throw error();
}

bool IsRemoteDatabaseName(const QString &name)
{
    static const QRegularExpression remote(
        QStringLiteral("^(?:[A-Za-z]+://|[^/:\\\\]{2,}(?:/[^/:]*)?:)"));
    return remote.match(name).hasMatch();
}

QString PluginFolder()
{
    auto *config = master()->getConfigManager();
    return QString::fromUtf8(config->getDirectory(Firebird::IConfigManager::DIR_PLUGINS));
}

} // namespace db::fb
