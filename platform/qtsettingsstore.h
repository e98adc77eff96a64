#pragma once

#include "platform/settingsstore.h"

#include <memory>

class QSettings;

namespace platform {

// The settings store in the per-user configuration folder, organisation
// "Vellacourt", one group per section. The file holds the password in plain
// text, so it is kept readable by its owner only.
class QtSettingsStore : public SettingsStore
{
public:
    static constexpr const char *Organisation = "Vellacourt";

    QtSettingsStore();
    explicit QtSettingsStore(const QString &iniFilePath);
    ~QtSettingsStore() override;

    QString get(const QString &section, const QString &key,
                const QString &defaultValue = {}) const override;
    bool contains(const QString &section, const QString &key) const override;
    QString save(const QString &section, const QString &key, const QString &value) override;

    QString fileName() const;

private:
    void createPrivateFile() const;
    std::unique_ptr<QSettings> m_settings;
};

// Creates an empty file readable and writable by its owner only, from the
// moment it exists; an existing file is left as it is. False on failure.
bool CreateOwnerOnlyFile(const QString &path);

} // namespace platform
