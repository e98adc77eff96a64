#include "export/atomicfile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace exports {

namespace {

[[noreturn]] void fail(const QString &path, const QString &reason)
{
    throw FileWriteError(path, reason);
}

} // namespace

FileWriteError::FileWriteError(const QString &path, const QString &reason)
    : std::runtime_error(
          QStringLiteral("Could not write \"%1\": %2").arg(path, reason).toStdString()),
      m_path(path), m_reason(reason)
{
}

AtomicFile::AtomicFile(const QString &path) : m_path(path) {}

AtomicFile::~AtomicFile()
{
    if (m_save)
        m_save->cancelWriting();
}

void AtomicFile::open()
{
    const QFileInfo target(m_path);
    if (target.isDir())
        fail(m_path, QStringLiteral("it is a folder"));
    if (target.exists() && !target.isFile()) {
        m_direct = std::make_unique<QFile>(m_path);
        if (!m_direct->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            fail(m_path, m_direct->errorString());
        return;
    }
    m_save = std::make_unique<QSaveFile>(m_path);
    m_save->setDirectWriteFallback(false);
    if (!m_save->open(QIODevice::WriteOnly))
        fail(m_path, m_save->errorString());
}

QIODevice &AtomicFile::device()
{
    if (m_direct)
        return *m_direct;
    return *m_save;
}

void AtomicFile::commit()
{
    if (m_direct) {
        if (!m_direct->flush())
            fail(m_path, m_direct->errorString());
        m_direct->close();
        return;
    }
    // The last of the text is still buffered, and QSaveFile::commit() does
    // not see a flush that fails: a full disk would leave an empty file.
    if (!m_save->flush() || !m_save->commit())
        fail(m_path, m_save->errorString());
    m_save.reset();
}

void WriteAll(QIODevice &device, const QByteArray &bytes)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = device.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            const auto *file = qobject_cast<QFileDevice *>(&device);
            fail(file ? file->fileName() : QString(), device.errorString());
        }
        written += n;
    }
}

} // namespace exports
