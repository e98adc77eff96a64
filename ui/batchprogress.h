#pragma once

#include <QString>

class QWidget;

namespace db {
class BatchJob;
}

namespace ui {

// Runs a batch job with the window kept painted: each batch's writes on a
// worker thread, the model's part of it here in between. The busy pointer
// shows and input to the window is held back; after half a second a
// window-modal progress dialog shows rows done of all ("%L1 of %L2 rows
// <done>"), whose Cancel stops the job after the row being written.
// Batches already written stay written.
void RunBatchJob(QWidget *window, db::BatchJob &job, const QString &done);

} // namespace ui
