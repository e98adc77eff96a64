#pragma once

#include "db/client/dberror.h"
#include "db/grid/tablemodel.h"

#include <QString>

#include <vector>

namespace ui {

// The one place where the server's refusals of a written row become words:
// a sentence that names the column and the cause, chosen by the status
// codes, then the server's own text as detail. What it has no sentence for
// is shown in the server's text alone.
QString RefusalText(const db::DbError &error, const std::vector<db::RefusedCell> &typed);

// Just the leading sentence; empty when there is none for the codes.
QString RefusalSentence(const db::DbError &error, const std::vector<db::RefusedCell> &typed);

} // namespace ui
