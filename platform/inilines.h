#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace platform {

// The lines of an INI settings file as they stand on disk, in the layout
// the per-user settings have always had: "[Section]" then "key=value", a
// key below the first part of its path with "/" written as "\", other
// characters outside [A-Za-z0-9_.-] as %XX or %UXXXX, values in UTF-8 with
// C escapes and quotes around text holding ";", "," or "=" or edge spaces.
// Setting one key changes that key's line only: every other line keeps its
// bytes, however its value reads.
class IniLines
{
public:
    explicit IniLines(const QByteArray &bytes = {});

    // The value under "section/key" (the last line naming it); none when
    // absent.
    std::optional<QString> value(const QString &path) const;
    void set(const QString &path, const QString &value);
    QByteArray bytes() const;

private:
    struct Place { QString section, key; };
    static Place Split(const QString &path);
    qsizetype lineOf(const Place &place) const;
    qsizetype insertionLine(const QString &section) const;

    QList<QByteArray> m_lines;   // without their line ends
    QByteArray m_lineEnd = "\n";
    bool m_endsWithLineEnd = true;
};

// One value as a line holds it, and back (a text's leading "@" is doubled
// on the way in, and not undone on the way out).
QByteArray IniEscapedValue(const QString &value);
QString IniUnescapedValue(const QByteArray &text);
QByteArray IniEscapedKey(const QString &key);
QString IniUnescapedKey(const QByteArray &text);

} // namespace platform
