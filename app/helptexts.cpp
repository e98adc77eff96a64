#include "app/helptexts.h"

#include "app/files.h"
#include "app/titles.h"
#include "db/client/clientlibrary.h"

namespace app {

namespace {

const QString Paragraph = QStringLiteral("\r\n\r\n");

} // namespace

QString LoginHelpText()
{
    const QString title = QString::fromLatin1(DisplayTitle);
    const QString url = QString::fromLatin1(DownloadPageUrl);
    return "In order to successfully connect to your Firebird fdb file you need to have "
           "two things installed (the second only for a database on a server): "
        + Paragraph
        + "1. Firebird 3 client library with its embedded engine. These are the Debian "
          "packages libfbclient2 and firebird3.0-server-core; "
        + title
        + " needs them to run at all. With them it opens a database file given as a plain "
          "path directly, without any server."
        + Paragraph
        + "2. Firebird Server 3.0 - - found at " + url
        + " (Debian package firebird3.0-server). It is needed only for a database given as "
          "host[/port]:path, and then it must be installed and RUNNING on that host. To "
          "check if it is running, run pgrep fbguard in a terminal there: it prints a "
          "process number when the server runs."
        + Paragraph;
}

QString ServerNoticeText()
{
    return QStringLiteral("This software uses the Firebird 3 client library with its embedded "
                          "engine (packages libfbclient2 and firebird3.0-server-core), but it "
                          "does not install Firebird Server, which is necessary for connecting "
                          "to a database given as host[/port]:path.")
        + Paragraph
        + "This software works with Firebird 3.0: a database file given as a plain path is "
          "opened directly, without a server, and a database on a server needs Firebird "
          "Server 3.0 installed and RUNNING there (package firebird3.0-server; "
          "pgrep fbguard shows whether it runs)."
        + Paragraph
        + "A database file made by Firebird 2.5 or older cannot be opened by Firebird 3.0 "
          "as it is: back it up with the old version's gbak and restore it with Firebird "
          "3.0's gbak first."
        + Paragraph + "Would you like me to open the website for Firebird Server" + Paragraph
        + QString::fromLatin1(DownloadPageUrl) + Paragraph
        + "so that you can download and install Firebird Server 3.0?";
}

QString EditorHelpText()
{
    return QStringLiteral("Changes are saved row by row: when you leave a row you have "
                          "changed, it is written to the database at once. There is no save "
                          "command. A changed row not written yet is marked \u270E at its left.")
        + Paragraph
        + "The last line, marked \"*\", is the new-record line: type into it to add a row, "
          "then leave it to save the row. \"Add New Row\" takes you there."
        + Paragraph
        + "NULL is shown as NULL in grey italics, unlike an empty text. To set cells to "
          "NULL, select them and press Ctrl+0, or choose \"Set to NULL\" from the menu of "
          "the right mouse button."
        + Paragraph
        + "To delete rows, select them and press Ctrl+Delete, or choose \"Delete Selected "
          "Rows\" from that menu; you are asked before anything is deleted."
        + Paragraph
        + "If a row cannot be written (a value of the wrong type, a missing value, a "
          "duplicate key, a row changed by someone else), the database's message is shown, "
          "the row is tinted red and marked \"!\" as unsaved, and it keeps the values you "
          "typed. Correct them and leave the row again, or press Esc to go back to the "
          "stored values."
        + Paragraph
        + "Click a column heading to sort the table by that column; click it again to "
          "reverse the order.";
}

QString LoginUsageText()
{
    return QStringLiteral("This window names the database to work with: its file, or "
                          "host[/port]:path for one on a Firebird server, with your user "
                          "name and password. \"Next >\" opens the list of its tables.")
        + Paragraph
        + "Keys: Enter does \"Next >\" (on a focused button, that button); Tab and "
          "Shift+Tab move between the boxes and buttons; Space presses a button; F1 shows "
          "this text."
        + Paragraph
        + "The three values are remembered as you type them, in Vellacourt.conf in your "
          "configuration folder (usually ~/.config), readable by you only; at the next start "
          "the program goes straight on to the tables when the database still opens. "
          "\"Load Sample/Example Database\" fills in the sample database; an installed "
          "sample is read-only, so you work on your own copy in "
        + UserSampleDatabasePath() + "."
        + Paragraph
        + "Started as \"gravelin FILE\" (or by opening a .fdb or .gdb file from the file "
          "manager) the program uses FILE instead of the remembered database."
        + Paragraph + db::ClientSummary() + ".";
}

QString ChooserUsageText()
{
    return QStringLiteral("This window lists the tables of the database. Choose one and "
                          "press \"Next >\" to edit its rows; \"New Table\" creates a table; "
                          "\"< Back\" returns to the login window.")
        + Paragraph
        + "Keys: Enter or a double-click on a table opens it; typing the first letters of a "
          "name selects that table; the arrow keys move in the list; Tab moves between the "
          "list and the buttons; F1 shows this text."
        + Paragraph
        + "Nothing is written here: a new table goes straight into the database.";
}

QString EditorUsageText()
{
    return QStringLiteral("This window shows the rows of one table in a grid; every row you "
                          "change or add is written to the database as soon as you leave it. "
                          "\"Help\" says more about editing.")
        + Paragraph
        + "Keys: arrows and Page Up/Down move; F2 or typing edits a cell; Enter ends the edit; "
          "leaving the row saves it; Esc undoes the changes of the row; Ctrl+Z takes back "
          "the last saved change (Ctrl+Shift+Z or Ctrl+Y makes it again), while the table is "
          "open; Ctrl+0 sets NULL; "
          "Ctrl+Delete deletes the selected rows; Shift+F2 or a double-click opens a BLOB cell "
          "in a window of its own (text to edit, or bytes in hex to load from or save to a "
          "file); F5 reads the table again; Ctrl+Shift+I imports rows from a CSV or "
          "tab-delimited file, after a preview; Ctrl+Shift+F shows "
          "the filter line under the headings (a text to look for, or =, <>, <, >, <=, >= and a "
          "value, or NULL, NOT NULL; Enter applies, Esc empties a box); Shift+Enter shows the "
          "row as a form (Record View; Ctrl+Page Up/Down go to the row above or below); F4 or "
          "Alt+Down in a column that references another table lists that table's rows to "
          "choose from, searched as you type; Ctrl+F finds and Ctrl+H replaces, in a bar below "
          "the grid (Enter or F3 finds the next, Shift+Enter or Shift+F3 the previous, Esc "
          "closes it); Tab leaves the grid for the buttons; F1 shows this text."
        + Paragraph
        + "Columns: drag a heading to move its column, drag its edge to size it, and "
          "right-click a heading to hide or show columns or to \"Reset Columns\". The layout "
          "is remembered per database and table; exports still write every column in the "
          "table's order."
        + Paragraph
        + "Exports are written where you choose in the save dialog, and appear only when "
          "complete; an XLS workbook goes to a private folder in the temporary folder and "
          "opens in your spreadsheet application. The window's size and place are "
          "remembered for the next start.";
}

QString NewColumnUsageText()
{
    return QStringLiteral("This dialog describes one column: its name, its data type, the "
                          "size M and scale D where the type has them, a default value "
                          "written as SQL (such as 'abc' or 0), and \"Auto Increment\" for "
                          "a whole-number column of an empty table. \"Add\" adds it.")
        + Paragraph
        + "Keys: Tab moves between the fields; Space presses \"Add\" or ticks the box; Esc "
          "closes the dialog without adding; F1 shows this text."
        + Paragraph
        + "Nothing is written to any file: the column goes straight into the database, or "
          "into the new table's list of fields.";
}

QString NewTableUsageText()
{
    return QStringLiteral("This dialog creates a table: type its name, add its fields one by "
                          "one with \"Add\", remove the selected ones with \"Delete "
                          "Selected\", and press \"Save\" to create the table in the database. "
                          "If the database refuses it, everything you typed stays.")
        + Paragraph
        + "Keys: Tab moves between the name, the list and the buttons; Space presses a "
          "button; Esc closes the dialog like \"Cancel\"; F1 shows this text.";
}

} // namespace app
