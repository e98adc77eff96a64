#pragma once

#include <QString>

#include <exception>

namespace app {

// Where a trapped handler is: the text its reports name, and the line
// numbers its steps may carry ("100,104,124-138": a range is every even
// number in it).
struct Location
{
    const char *text;
    const char *lines;
};

bool LineAllowed(const Location &location, int line);

// Every trapped handler of the program.
namespace loc {
inline constexpr Location Form1_Form_Load{"in Quorvane2020/08/02.Form1.Form_Load ", "100,104,124-138"};
inline constexpr Location Form1_PushButton2_Click{"in Quorvane2020/08/02.Form1.PushButton2_Click ", "100"};
inline constexpr Location Form1_PushButton3_Click{"in Quorvane2020/08/02.Form1.PushButton3_Click ", "100-108"};
inline constexpr Location Form1_PushButton4_Click{"in Quorvane2020/08/02.Form1.PushButton4_Click ", "100,102"};
inline constexpr Location Form1_PushButton5_Click{"in Quorvane2020/08/02.Form1.PushButton5_Click ", "100-112"};
inline constexpr Location Form1_PushButton7_Click{"in Quorvane2020/08/02.Form1.PushButton7_Click ", "100-104"};
inline constexpr Location Form2_Form_Load{"in Quorvane2020/08/02.Form2.Form_Load ", "100,102,106,108,110"};
inline constexpr Location Form2_PushButton1_Click{"in Quorvane2020/08/02.Form2.PushButton1_Click ", "100-122"};
inline constexpr Location Form2_PushButton2_Click{"in Quorvane2020/08/02.Form2.PushButton2_Click ", "100,102"};
inline constexpr Location Form2_PushButton3_Click{"in Quorvane2020/08/02.Form2.PushButton3_Click ", "100-132"};
inline constexpr Location Form3_Form_Load{"in Quorvane2020/08/02.Form3.Form_Load ", "100,102,106,108,110"};
inline constexpr Location Form3_PushButton1_Click{"in Quorvane2020/08/02.Form3.PushButton1_Click ", "100,102"};
inline constexpr Location Form3_PushButton3_Click{"in Quorvane2020/08/02.Form3.PushButton3_Click ", "100"};
inline constexpr Location Form3_PushButton4_Click{"in Quorvane2020/08/02.Form3.PushButton4_Click ", "102"};
inline constexpr Location Form3_PushButton6_Click{"in Quorvane2020/08/02.Form3.PushButton6_Click ", "106"};
inline constexpr Location Form3_chkNewColumn_Click{"in Quorvane2020/08/02.Form3.chkNewColumn_Click ", "100-116"};
inline constexpr Location Form3_PushButton8_Click{"in Quorvane2020/08/02.Form3.PushButton8_Click ", "100-114"};
inline constexpr Location Datagrid1_SaveDataGridToFile{"in Quorvane2020/08/02.Datagrid1.SaveDataGridToFile ", "100-134"};
inline constexpr Location Datagrid1_SaveDataGridToXMLFile{"in Quorvane2020/08/02.Datagrid1.SaveDataGridToXMLFile ", "100-130"};
inline constexpr Location Form3_mnuXLS_Click{"in Quorvane.Form3.mnuXLS_Click ", "100-154"};
inline constexpr Location Form3_mnuPDF_Click{"in Quorvane2020/08/02.Form3.mnuPDF_Click ", "100-116"};
inline constexpr Location frmNewColumn_Form_Load{"in Quorvane2020/08/02.frmNewColumn.Form_Load ", "100-118"};
inline constexpr Location frmNewColumn_cmdAdd_Click{"in Quorvane2020/08/02.frmNewColumn.cmdAdd_Click ", "100-150"};
inline constexpr Location frmNewTable_Form_Load{"in Quorvane2020/08/02.frmNewTable.Form_Load ", "100-122"};
inline constexpr Location frmNewTable_cmdAdd_Click{"in Quorvane2020/08/02.frmNewTable.cmdAdd_Click ", "100,102"};
inline constexpr Location frmNewTable_PushButton1_Click{"in Quorvane2020/08/02.frmNewTable.PushButton1_Click ", "100-104"};
inline constexpr Location frmNewTable_PushButton2_Click{"in Quorvane2020/08/02.frmNewTable.PushButton2_Click ", "100-120,124-130"};
inline constexpr Location frmNewTable_PushButton3_Click{"in Quorvane2020/08/02.frmNewTable.PushButton3_Click ", "100"};

inline constexpr Location All[] = {
    Form1_Form_Load, Form1_PushButton2_Click, Form1_PushButton3_Click,
    Form1_PushButton4_Click, Form1_PushButton5_Click, Form1_PushButton7_Click,
    Form2_Form_Load, Form2_PushButton1_Click, Form2_PushButton2_Click,
    Form2_PushButton3_Click, Form3_Form_Load, Form3_PushButton1_Click,
    Form3_PushButton3_Click, Form3_PushButton4_Click, Form3_PushButton6_Click,
    Form3_chkNewColumn_Click, Form3_PushButton8_Click, Datagrid1_SaveDataGridToFile,
    Datagrid1_SaveDataGridToXMLFile, Form3_mnuXLS_Click, Form3_mnuPDF_Click,
    frmNewColumn_Form_Load, frmNewColumn_cmdAdd_Click, frmNewTable_Form_Load,
    frmNewTable_cmdAdd_Click, frmNewTable_PushButton1_Click, frmNewTable_PushButton2_Click,
    frmNewTable_PushButton3_Click,
};
} // namespace loc

inline constexpr const char *ErrorReportTitle = "Application Error";

// The report: description, CR LF, location, "at line ", the line, CR CR.
QString ErrorReportText(const QString &description, const char *location, int line);

// The printer module's own report format (default-printer lookup only).
inline constexpr const char *PrinterModuleLocation = "modPrinters.GetDefaultPrinter";
QString PrinterModuleReportText(long errorNumber, const QString &description);

// What a failure says about itself: the server's text for a database error,
// what() for other exceptions, else "Unknown error".
QString Describe(const std::exception_ptr &failure);

} // namespace app
