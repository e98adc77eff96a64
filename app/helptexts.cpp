#include "app/helptexts.h"

#include "app/titles.h"

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

} // namespace app
