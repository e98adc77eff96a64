#pragma once

#include <QString>

namespace app {

// The Firebird server download page that the login window offers to open.
inline constexpr const char *DownloadPageUrl = "https://firebirdsql.org/en/firebird-3-0/";

// Login window "Help": what must be installed to connect.
QString LoginHelpText();

// Login window "?": the server notice, asked with Yes and No.
QString ServerNoticeText();

// Table editor "Help": how editing in the grid works.
QString EditorHelpText();

// F1 in each window: what the window does, its keys, and where files go.
QString LoginUsageText();
QString ChooserUsageText();
QString EditorUsageText();
QString NewColumnUsageText();
QString NewTableUsageText();

} // namespace app
