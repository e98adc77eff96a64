#pragma once

#include <QString>

#include <memory>
#include <stdexcept>

class QFile;
class QIODevice;
class QSaveFile;

namespace exports {

// A file that could not be written: "Could not write "<path>": <reason>",
// the reason as the system gives it.
class FileWriteError : public std::runtime_error
{
public:
    FileWriteError(const QString &path, const QString &reason);
    const QString &path() const { return m_path; }
    const QString &reason() const { return m_reason; }

private:
    QString m_path;
    QString m_reason;
};

// An export file that is written whole or not at all. The text goes to a
// temporary file beside the target, which replaces the target only on
// commit(); until then an existing file stays exactly as it was, and
// dropping the object without commit() leaves nothing behind. A target that
// is not a regular file (a device such as /dev/null) cannot be replaced and
// is written directly. Failures throw FileWriteError with the system's
// reason.
class AtomicFile
{
public:
    explicit AtomicFile(const QString &path);
    ~AtomicFile();

    void open();
    QIODevice &device();
    void commit();

private:
    QString m_path;
    std::unique_ptr<QSaveFile> m_save;
    std::unique_ptr<QFile> m_direct;
};

// Writes all of bytes or throws with the device's reason.
void WriteAll(QIODevice &device, const QByteArray &bytes);

} // namespace exports
