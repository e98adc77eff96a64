#include "app/addrow.h"

namespace app {

AddRowMove PlanAddRow(long long recordCount)
{
    AddRowMove move;
    if (recordCount > 0 && recordCount + 1 >= GridLineLimit) {
        move.toNewRecordLine = false;
        move.record = recordCount - 1;
        move.limitReached = true;
    }
    return move;
}

} // namespace app
