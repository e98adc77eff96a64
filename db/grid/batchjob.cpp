#include "db/grid/batchjob.h"

#include <QEventLoop>
#include <QTimer>

namespace db {

void BatchJob::runHere(const std::function<void()> &afterBatch)
{
    while (!cancelled()) {
        const Step step = prepare();
        if (step == Step::Done)
            return;
        if (step == Step::Wait) {
            QEventLoop loop;
            QTimer::singleShot(10, &loop, &QEventLoop::quit);
            loop.exec();
            continue;
        }
        write();
        apply();
        if (afterBatch)
            afterBatch();
    }
}

} // namespace db
