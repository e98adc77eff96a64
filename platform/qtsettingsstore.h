#pragma once

#include "platform/inilines.h"
#include "platform/settingsstore.h"

#include <optional>

namespace platform {

// The settings store in the per-user configuration folder, organisation
// "Vellacourt", one "[section]" per first part of a section's name. A save
// rewrites the line of its own key and nothing else: values this run did
// not change keep their bytes, even ones that do not read back whole (text
// that is not UTF-8). The file holds the password in plain text, so it is
// kept readable by its owner only.
class QtSettingsStore : public SettingsStore
{
public:
    static constexpr const char *Organisation = "Vellacourt";

    QtSettingsStore();
    explicit QtSettingsStore(const QString &iniFilePath);

    QString get(const QString &section, const QString &key,
                const QString &defaultValue = {}) const override;
    bool contains(const QString &section, const QString &key) const override;
    QString save(const QString &section, const QString &key, const QString &value) override;

    QString fileName() const { return m_path; }

private:
    const IniLines &lines() const;
    QString write(const QByteArray &bytes) const;

    QString m_path;
    mutable std::optional<IniLines> m_lines;   // read on first use
};

} // namespace platform
