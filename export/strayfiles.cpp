#include "export/strayfiles.h"

#include <QFile>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

// The C library's chain of open streams and its lock. They are exported
// for the library's own tools but declared in no header; the chain is the
// only way to reach a stream whose owner has forgotten it.
extern "C" {
extern FILE *_IO_list_all;
void _IO_list_lock();
void _IO_list_unlock();
}

namespace exports {

namespace {

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The descriptors open on `file` or on anything in `folder`.
std::set<int> StrayDescriptors(const QByteArray &folder, const QByteArray &file)
{
    struct stat target {};
    const bool haveTarget = !file.isEmpty() && ::stat(file.constData(), &target) == 0;
    const QByteArray inFolder = folder + '/';
    std::set<int> found;
    DIR *list = ::opendir("/proc/self/fd");
    if (!list)
        return found;
    while (const dirent *entry = ::readdir(list)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || end == entry->d_name || fd == ::dirfd(list))
            continue;
        struct stat opened {};
        if (haveTarget && ::fstat(int(fd), &opened) == 0 && SameFile(opened, target)) {
            found.insert(int(fd));
            continue;
        }
        char link[4096];
        const QByteArray self = QByteArray("/proc/self/fd/") + entry->d_name;
        const ssize_t size = ::readlink(self.constData(), link, sizeof link);
        if (!folder.isEmpty() && size > 0 && QByteArray(link, size).startsWith(inFolder))
            found.insert(int(fd));
    }
    ::closedir(list);
    return found;
}

} // namespace

int CloseStrayFiles(const QString &folder, const QString &file)
{
    std::set<int> stray = StrayDescriptors(QFile::encodeName(folder), QFile::encodeName(file));
    if (stray.empty())
        return 0;
    std::vector<FILE *> streams;
    _IO_list_lock();
    for (FILE *stream = _IO_list_all; stream; stream = stream->_chain) {
        if (stray.erase(stream->_fileno))
            streams.push_back(stream);
    }
    _IO_list_unlock();
    for (FILE *stream : streams)
        std::fclose(stream);
    // Whatever no stream wraps was opened bare.
    for (int fd : stray)
        ::close(fd);
    return int(streams.size() + stray.size());
}

} // namespace exports
