#pragma once

#include "platform/services.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <deque>
#include <functional>
#include <utility>

namespace platform {

// In-memory settings; every save is also kept in order in `saves`.
class ScriptedSettingsStore : public SettingsStore
{
public:
    struct Save { QString section, key, value; };

    QString get(const QString &section, const QString &key,
                const QString &defaultValue = {}) const override;
    QString save(const QString &section, const QString &key, const QString &value) override;
    bool contains(const QString &section, const QString &key) const override;

    QMap<QString, QString> values;   // "section/key" -> value
    QList<Save> saves;
    QString failure;                 // when set, every save fails with it and keeps nothing
};

// Records every box; questions take their answers from `answers` (No when
// it runs dry). `onShow` runs while a box is "open", before it returns.
class ScriptedMessageBoxes : public MessageBoxes
{
public:
    enum class Kind { Inform, Ask, Warn };
    enum class Icon { None, Exclamation };
    struct Call { Kind kind; QString title, text, detail; Icon icon; };

    void inform(const QString &title, const QString &text) override;
    void informWithDetail(const QString &title, const QString &text,
                          const QString &detail) override;
    bool ask(const QString &title, const QString &text) override;
    void warn(const QString &title, const QString &text) override;

    QList<Call> calls;
    std::deque<bool> answers;
    std::function<void(const Call &)> onShow;

private:
    void record(Call call);
};

// Answers dialogs from `answers` in order (an empty text is a cancel, as is
// running dry) and records what was asked.
class ScriptedFileDialogs : public FileDialogs
{
public:
    enum class Kind { Open, Save };
    struct Call { Kind kind; QString title, filter, suggestedName; };

    QString openFile(const QString &title, const QString &filter) override;
    QString saveFile(const QString &title, const QString &filter,
                     const QString &suggestedName = {}) override;

    QList<Call> calls;
    std::deque<QString> answers;

private:
    QString next();
};

class ScriptedUrlOpener : public UrlOpener
{
public:
    bool open(const QUrl &url) override;
    QList<QUrl> opened;
    bool result = true;
};

class ScriptedPrinters : public Printers
{
public:
    QStringList names() const override { return printerNames; }
    QString defaultPrinter() const override { return defaultName; }
    bool setDefaultPrinter(const QString &name) override;

    QStringList printerNames{QString::fromLatin1(BuiltInPdfPrinterName)};
    QString defaultName;
    QStringList defaultsSet;   // every successful setDefaultPrinter, in order
};

class ScriptedSpreadsheet : public Spreadsheet
{
public:
    bool isAvailable() const override { return available; }
    bool openWorkbook(const QString &path) override;

    bool available = true;
    QStringList opened;
};

// All scripted services in one place, for tests.
class ScriptedServices
{
public:
    ScriptedServices() = default;
    ScriptedServices(const ScriptedServices &) = delete;
    ScriptedServices &operator=(const ScriptedServices &) = delete;

    Services services()
    {
        return Services{settings, messages, files, urls, printers, spreadsheet};
    }

    ScriptedSettingsStore settings;
    ScriptedMessageBoxes messages;
    ScriptedFileDialogs files;
    ScriptedUrlOpener urls;
    ScriptedPrinters printers;
    ScriptedSpreadsheet spreadsheet;
};

} // namespace platform
