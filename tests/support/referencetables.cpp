#include "tests/support/referencetables.h"

namespace testsupport {

void CreateReferenceTables(TempDatabase &db, int departments)
{
    db.exec({"CREATE TABLE DEPARTMENT (DEPT_NO CHAR(4) NOT NULL PRIMARY KEY, "
             "BUDGET INTEGER, DEPARTMENT VARCHAR(25) NOT NULL, LOCATION VARCHAR(15))",
             "CREATE TABLE EMPLOYEE (EMP_NO INTEGER NOT NULL PRIMARY KEY, "
             "FULL_NAME VARCHAR(40), DEPT_NO CHAR(4) REFERENCES DEPARTMENT (DEPT_NO))",
             "CREATE TABLE PROJECT (PROJ_ID CHAR(5) NOT NULL, YEAR_NO INTEGER NOT NULL, "
             "TITLE VARCHAR(30), PRIMARY KEY (PROJ_ID, YEAR_NO))",
             "CREATE TABLE ASSIGNMENT (ID INTEGER NOT NULL PRIMARY KEY, "
             "EMP_NO INTEGER REFERENCES EMPLOYEE, PROJ_ID CHAR(5), YEAR_NO INTEGER, "
             "HOURS INTEGER, "
             "CONSTRAINT FK_ASSIGNMENT_PROJECT FOREIGN KEY (PROJ_ID, YEAR_NO) "
             "REFERENCES PROJECT (PROJ_ID, YEAR_NO))",
             QStringLiteral("EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN "
                            "WHILE (I < %1) DO BEGIN "
                            "INSERT INTO DEPARTMENT VALUES ('D' || LPAD(:I, 3, '0'), :I * 100, "
                            "'Dept ' || :I, 'Floor ' || MOD(:I, 7)); I = I + 1; END END")
                 .arg(departments),
             "INSERT INTO EMPLOYEE VALUES (1, 'Ann Archer', 'D000')",
             "INSERT INTO EMPLOYEE VALUES (2, 'Bob Baker', NULL)",
             "INSERT INTO PROJECT VALUES ('APOLL', 2024, 'Apollo')",
             "INSERT INTO PROJECT VALUES ('APOLL', 2025, 'Apollo again')",
             "INSERT INTO PROJECT VALUES ('ZEUS', 2025, 'Zeus')",
             "INSERT INTO ASSIGNMENT VALUES (1, 1, 'APOLL', 2024, 10)"});
}

} // namespace testsupport
