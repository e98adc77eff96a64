#pragma once

#include "app/titles.h"

namespace app {

// The remembered connection profile, in the section named by DisplayTitle.
inline constexpr const char *SettingsSection = DisplayTitle;
inline constexpr const char *KeyDatabase = "FireBirdDatabase";
inline constexpr const char *KeyUser = "FireBirdUser";
inline constexpr const char *KeyPassword = "FireBirdPassword";
inline constexpr const char *DefaultUser = "SYSDBA";

} // namespace app
