#include "db/client/connection.h"

#include "db/client/connectionstring.h"
#include "db/client/fbapi.h"

#include <ibase.h>

#include <memory>

using namespace Firebird;

namespace db {

namespace {

struct Disposer
{
    void operator()(IXpbBuilder *builder) const { builder->dispose(); }
};
using XpbBuilder = std::unique_ptr<IXpbBuilder, Disposer>;

XpbBuilder newBuilder(unsigned kind)
{
    fb::Status status;
    XpbBuilder builder(fb::util()->getXpbBuilder(status.get(), kind, nullptr, 0));
    status.check();
    return builder;
}

void insertText(IXpbBuilder *dpb, unsigned char tag, const QString &value)
{
    if (value.isEmpty())
        return;
    fb::Status status;
    dpb->insertString(status.get(), tag, value.toUtf8().constData());
    status.check();
}

QByteArray fileName(const QString &database)
{
    return database.toUtf8();
}

IProvider *dispatcher()
{
    return fb::master()->getDispatcher();
}

int odsMajor(IAttachment *handle)
{
    const unsigned char items[] = {isc_info_ods_version, isc_info_end};
    unsigned char buffer[16] = {};
    fb::Status status;
    handle->getInfo(status.get(), sizeof items, items, sizeof buffer, buffer);
    status.check();
    if (buffer[0] != isc_info_ods_version)
        return 0;
    const int length = std::min(buffer[1] | buffer[2] << 8, 4);
    int ods = 0;
    for (int i = length - 1; i >= 0; --i)
        ods = ods << 8 | buffer[3 + i];
    return ods;
}

// Engines of Firebird 4 and newer (ODS 13 and up) hold types that neither
// Firebird 3's client nor the headers this program is built with know.
// Such an engine is asked to send them as text, formatted as its isql
// prints them, and to take text back, converting both ways itself: every
// value stays exact and no binary form of these types is decoded here.
bool sendNewTypesAsText(IAttachment *handle)
{
    if (odsMajor(handle) < 13)
        return false;
    static const char *const Bindings[] = {
        "SET BIND OF INT128 TO VARCHAR",   // also NUMERIC and DECIMAL over 18 digits
        "SET BIND OF DECFLOAT TO VARCHAR",
        "SET BIND OF TIME ZONE TO VARCHAR",
    };
    fb::Status status;
    for (const char *binding : Bindings) {
        handle->execute(status.get(), nullptr, 0, binding, SQL_DIALECT_V6, nullptr, nullptr,
                        nullptr, nullptr);
        status.check();
    }
    return true;
}

} // namespace

Attachment::Attachment(IAttachment *handle)
    : m_handle(handle)
{
    try {
        m_newTypesAsText = sendNewTypesAsText(handle);
    } catch (const DbError &) {
        close();
        throw;
    }
}

Attachment Attachment::open(const QString &connectionString)
{
    const ConnectionParams params = ParseConnectionString(connectionString);
    XpbBuilder dpb = newBuilder(IXpbBuilder::DPB);
    fb::Status status;
    dpb->insertTag(status.get(), isc_dpb_utf8_filename);
    insertText(dpb.get(), isc_dpb_user_name, params.user);
    insertText(dpb.get(), isc_dpb_password, params.password);
    insertText(dpb.get(), isc_dpb_sql_role_name, params.role);
    insertText(dpb.get(), isc_dpb_lc_ctype, params.charset);
    fb::Ref<IProvider> provider(dispatcher());
    IAttachment *handle = provider->attachDatabase(
        status.get(), fileName(params.database).constData(),
        dpb->getBufferLength(status.get()), dpb->getBuffer(status.get()));
    if (status.failed())
        throw fb::ExplainOpenFailure(status.error(), params.database);
    return Attachment(handle);
}

Attachment Attachment::create(const QString &path, const QString &user,
                              const QString &password, const QString &charset)
{
    XpbBuilder dpb = newBuilder(IXpbBuilder::DPB);
    fb::Status status;
    dpb->insertTag(status.get(), isc_dpb_utf8_filename);
    insertText(dpb.get(), isc_dpb_user_name, user);
    insertText(dpb.get(), isc_dpb_password, password);
    insertText(dpb.get(), isc_dpb_set_db_charset, charset);
    insertText(dpb.get(), isc_dpb_lc_ctype, QStringLiteral("NONE"));
    // With both engines at hand a new file gets the newer one's structure.
    const QString providers = fb::Client().createProviders;
    if (!providers.isEmpty() && !fb::IsRemoteDatabaseName(path))
        insertText(dpb.get(), isc_dpb_config, QStringLiteral("Providers = ") + providers);
    dpb->insertInt(status.get(), isc_dpb_sql_dialect, 3);
    fb::Ref<IProvider> provider(dispatcher());
    IAttachment *handle = provider->createDatabase(
        status.get(), fileName(path).constData(), dpb->getBufferLength(status.get()), dpb->getBuffer(status.get()));
    if (status.failed())
        throw fb::ExplainOpenFailure(status.error(), path);
    return Attachment(handle);
}

Attachment::Attachment(Attachment &&other) noexcept
    : m_handle(other.m_handle)
    , m_newTypesAsText(other.m_newTypesAsText)
{
    other.m_handle = nullptr;
}

Attachment &Attachment::operator=(Attachment &&other) noexcept
{
    if (this != &other) {
        close();
        m_handle = other.m_handle;
        m_newTypesAsText = other.m_newTypesAsText;
        other.m_handle = nullptr;
    }
    return *this;
}

Attachment::~Attachment()
{
    close();
}

void Attachment::close()
{
    if (!m_handle)
        return;
    fb::Status status;
    m_handle->detach(status.get());
    if (status.failed())
        m_handle->release();
    m_handle = nullptr;
}

void Attachment::dropDatabase()
{
    if (!m_handle)
        return;
    fb::Status status;
    m_handle->dropDatabase(status.get());
    if (status.failed()) {
        const DbError error = status.error();
        close();
        throw error;
    }
    m_handle = nullptr;
}

Transaction Attachment::begin(TxMode mode)
{
    XpbBuilder tpb = newBuilder(IXpbBuilder::TPB);
    fb::Status status;
    tpb->insertTag(status.get(), mode == TxMode::Browse ? isc_tpb_read : isc_tpb_write);
    tpb->insertTag(status.get(), isc_tpb_read_committed);
    tpb->insertTag(status.get(), isc_tpb_rec_version);
    if (mode == TxMode::Schema) {
        tpb->insertTag(status.get(), isc_tpb_wait);
        tpb->insertInt(status.get(), isc_tpb_lock_timeout, SchemaLockTimeoutSeconds);
    } else {
        tpb->insertTag(status.get(), isc_tpb_nowait);
    }
    ITransaction *handle = m_handle->startTransaction(
        status.get(), tpb->getBufferLength(status.get()), tpb->getBuffer(status.get()));
    status.check();
    return Transaction(m_handle, handle);
}

void Attachment::executeImmediate(const QString &sql)
{
    ObserveStatement(sql);
    Transaction tx = begin(TxMode::Write);
    fb::Status status;
    m_handle->execute(status.get(), tx.handle(), 0, sql.toUtf8().constData(), SQL_DIALECT_V6,
                      nullptr, nullptr, nullptr, nullptr);
    status.check();
    tx.commit();
}

Transaction::Transaction(Transaction &&other) noexcept
    : m_attachment(other.m_attachment)
    , m_handle(other.m_handle)
{
    other.m_handle = nullptr;
}

Transaction &Transaction::operator=(Transaction &&other) noexcept
{
    if (this != &other) {
        rollback();
        m_attachment = other.m_attachment;
        m_handle = other.m_handle;
        other.m_handle = nullptr;
    }
    return *this;
}

Transaction::~Transaction()
{
    rollback();
}

void Transaction::commit()
{
    if (!m_handle)
        return;
    fb::Status status;
    m_handle->commit(status.get());
    status.check();
    m_handle = nullptr;
}

void Transaction::rollback()
{
    if (!m_handle)
        return;
    fb::Status status;
    m_handle->rollback(status.get());
    if (status.failed())
        m_handle->release();
    m_handle = nullptr;
}

} // namespace db
