#pragma once

#include <QString>

namespace exports {

// Closes what this process still holds open of `file` and of the files in
// `folder`: the streams a library opened there and lost track of when it
// failed (the workbook library never closes its zip, nor the part it was
// adding, after a failed write). Each stream is closed as a stream, so
// that nothing of it can later be flushed into a reused descriptor. Only
// for files and folders that belong to one job; returns how many were
// closed.
int CloseStrayFiles(const QString &folder, const QString &file);

} // namespace exports
