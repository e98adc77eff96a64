#pragma once

// What every fuzz target shares: the input cut into texts, and a check that
// aborts (which libFuzzer reports as a crash, with the input kept).

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// The input as UTF-8, cut into texts at each NUL byte.
inline QStringList Texts(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size))
        .split(QChar(0));
}

inline void Check(bool holds, const char *what, const QString &detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

} // namespace fuzz
