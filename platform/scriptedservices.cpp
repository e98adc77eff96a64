#include "platform/scriptedservices.h"

namespace platform {

namespace {

QString MapKey(const QString &section, const QString &key)
{
    return section + '/' + key;
}

} // namespace

QString ScriptedSettingsStore::get(const QString &section, const QString &key,
                                   const QString &defaultValue) const
{
    return values.value(MapKey(section, key), defaultValue);
}

QString ScriptedSettingsStore::save(const QString &section, const QString &key,
                                    const QString &value)
{
    if (!failure.isEmpty())
        return failure;
    values.insert(MapKey(section, key), value);
    saves.append(Save{section, key, value});
    return {};
}

bool ScriptedSettingsStore::contains(const QString &section, const QString &key) const
{
    return values.contains(MapKey(section, key));
}

void ScriptedMessageBoxes::inform(const QString &title, const QString &text)
{
    record(Call{Kind::Inform, title, text, {}, Icon::None});
}

void ScriptedMessageBoxes::informWithDetail(const QString &title, const QString &text,
                                            const QString &detail)
{
    record(Call{Kind::Inform, title, text, detail, Icon::None});
}

bool ScriptedMessageBoxes::ask(const QString &title, const QString &text)
{
    record(Call{Kind::Ask, title, text, {}, Icon::None});
    if (answers.empty())
        return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedMessageBoxes::warn(const QString &title, const QString &text)
{
    record(Call{Kind::Warn, title, text, {}, Icon::Exclamation});
}

void ScriptedMessageBoxes::record(Call call)
{
    calls.append(call);
    if (onShow)
        onShow(calls.last());
}

QString ScriptedFileDialogs::openFile(const QString &title, const QString &filter)
{
    calls.append(Call{Kind::Open, title, filter, {}});
    return next();
}

QString ScriptedFileDialogs::saveFile(const QString &title, const QString &filter,
                                      const QString &suggestedName)
{
    calls.append(Call{Kind::Save, title, filter, suggestedName});
    return next();
}

QString ScriptedFileDialogs::next()
{
    if (answers.empty())
        return {};
    QString answer = answers.front();
    answers.pop_front();
    return answer;
}

bool ScriptedUrlOpener::open(const QUrl &url)
{
    opened.append(url);
    return result;
}

bool ScriptedPrinters::setDefaultPrinter(const QString &name)
{
    if (!printerNames.contains(name))
        return false;
    defaultName = name;
    defaultsSet.append(name);
    return true;
}

bool ScriptedSpreadsheet::openWorkbook(const QString &path)
{
    opened.append(path);
    return available;
}

} // namespace platform
