// The connection string: a profile built into the string parses back to the
// same values, whatever they hold; any text at all parses without harm.

#include "db/client/connectionstring.h"
#include "fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList texts = fuzz::Texts(data, size);
    const db::ConnectionProfile profile{texts.value(0), texts.value(1), texts.value(2)};
    const QString built = db::ConnectionString(profile);
    const db::ConnectionParams params = db::ParseConnectionString(built);
    fuzz::Check(params.database == profile.database, "database", built);
    fuzz::Check(params.user == profile.user, "user", built);
    fuzz::Check(params.password == profile.password, "password", built);
    fuzz::Check(params.role == "admin" && params.charset == "NONE", "role and charset", built);
    db::ParseConnectionString(texts.join(QChar(0)));
    return 0;
}
