#pragma once

#include "tests/support/tempdatabase.h"

namespace testsupport {

// Tables that point at each other, for the foreign-key picker and the
// catalogue queries: EMPLOYEE.DEPT_NO references DEPARTMENT (DEPT_NO), and
// ASSIGNMENT (PROJ_ID, YEAR_NO) references PROJECT's composite key, with
// ASSIGNMENT.EMP_NO referencing EMPLOYEE. DEPARTMENT has `departments`
// rows, "D000" on ("Dept 0", ...); their label is the first text column
// after the key.
void CreateReferenceTables(TempDatabase &db, int departments = 5);

} // namespace testsupport
