#include "platform/qtservices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {

// Texts are composed with CR LF and bare CR; a label wants LF.
QString DisplayText(QString text)
{
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    return text;
}

int ShowBox(QMessageBox::Icon icon, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons, const QString &detail = {})
{
    QMessageBox box(icon, title, DisplayText(text), buttons, QApplication::activeWindow());
    if (!detail.isEmpty())
        box.setInformativeText(DisplayText(detail));
    return box.exec();
}

} // namespace

void QtMessageBoxes::inform(const QString &title, const QString &text)
{
    ShowBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
}

void QtMessageBoxes::informWithDetail(const QString &title, const QString &text,
                                      const QString &detail)
{
    ShowBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok, detail);
}

bool QtMessageBoxes::ask(const QString &title, const QString &text)
{
    return ShowBox(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes;
}

void QtMessageBoxes::warn(const QString &title, const QString &text)
{
    ShowBox(QMessageBox::Warning, title, text, QMessageBox::Ok);
}

QString QtFileDialogs::openFile(const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, QString(),
                                        QtNameFilters(filter));
}

QString QtFileDialogs::saveFile(const QString &title, const QString &filter,
                                const QString &suggestedName)
{
    // A bare name is proposed in the user's home folder, not in whatever
    // folder the program was started from.
    const QString proposed = QDir::isAbsolutePath(suggestedName)
        ? suggestedName
        : QDir::home().filePath(suggestedName);
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, proposed,
                                        QtNameFilters(filter));
}

bool QtUrlOpener::open(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

QtPrinters::QtPrinters()
    : m_default(QPrinterInfo::defaultPrinterName())
{
}

QStringList QtPrinters::names() const
{
    QStringList all = QPrinterInfo::availablePrinterNames();
    all << BuiltInPdfPrinterName;
    return all;
}

QString QtPrinters::defaultPrinter() const
{
    return m_default;
}

bool QtPrinters::setDefaultPrinter(const QString &name)
{
    if (!names().contains(name))
        return false;
    m_default = name;
    return true;
}

// An application is registered for workbooks in the desktop's MIME
// database (what xdg-open would start).
bool QtSpreadsheet::isAvailable() const
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
        return false;
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"),
                 QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit
        || query.exitCode() != 0)
        return false;
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

bool QtSpreadsheet::openWorkbook(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

Services QtServices::services()
{
    return Services{m_settings, m_messages, m_files, m_urls, m_printers, m_spreadsheet};
}

} // namespace platform
