#pragma once

#include <QString>

namespace platform {

// Per-user text values, addressed by section and key (the application name
// is fixed by the implementation). Reading an absent key gives the default.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual QString get(const QString &section, const QString &key,
                        const QString &defaultValue = {}) const = 0;
    virtual bool contains(const QString &section, const QString &key) const = 0;
    // Writes the value; an empty text when it was written, else why it was
    // not, in words for the user.
    virtual QString save(const QString &section, const QString &key, const QString &value) = 0;
};

} // namespace platform
