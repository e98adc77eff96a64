#pragma once

#include "platform/qtsettingsstore.h"
#include "platform/services.h"

#include <QStringList>

namespace platform {

// Message boxes over the active window; line breaks are shown as such.
class QtMessageBoxes : public MessageBoxes
{
public:
    void inform(const QString &title, const QString &text) override;
    void informWithDetail(const QString &title, const QString &text,
                          const QString &detail) override;
    bool ask(const QString &title, const QString &text) override;
    void warn(const QString &title, const QString &text) override;
};

class QtFileDialogs : public FileDialogs
{
public:
    QString openFile(const QString &title, const QString &filter) override;
    QString saveFile(const QString &title, const QString &filter,
                     const QString &suggestedName = {}) override;
};

class QtUrlOpener : public UrlOpener
{
public:
    bool open(const QUrl &url) override;
};

// The system's printers plus the built-in PDF writer. Choosing a default
// printer applies to this program only: the user's system setting is left
// alone.
class QtPrinters : public Printers
{
public:
    QtPrinters();
    QStringList names() const override;
    QString defaultPrinter() const override;
    bool setDefaultPrinter(const QString &name) override;

private:
    QString m_default;
};

// Whatever the desktop opens .xlsx files with.
class QtSpreadsheet : public Spreadsheet
{
public:
    bool isAvailable() const override;
    bool openWorkbook(const QString &path) override;
};

// The program's real services.
class QtServices
{
public:
    QtServices() = default;
    QtServices(const QtServices &) = delete;
    QtServices &operator=(const QtServices &) = delete;

    Services services();

private:
    QtSettingsStore m_settings;
    QtMessageBoxes m_messages;
    QtFileDialogs m_files;
    QtUrlOpener m_urls;
    QtPrinters m_printers;
    QtSpreadsheet m_spreadsheet;
};

} // namespace platform
