#pragma once

#include "app/titles.h"

namespace app {

// The remembered connection profile, in the section named by DisplayTitle.
inline constexpr const char *SettingsSection = DisplayTitle;
inline constexpr const char *KeyDatabase = "FireBirdDatabase";
inline constexpr const char *KeyUser = "FireBirdUser";
inline constexpr const char *KeyPassword = "FireBirdPassword";
inline constexpr const char *DefaultUser = "SYSDBA";

// Where the windows were, kept between runs in the same section: the spot
// of the window chain as "x,y", and the editor's frame as "x,y,width,height".
inline constexpr const char *KeyWindowPosition = "WindowPosition";
inline constexpr const char *KeyEditorGeometry = "EditorGeometry";

} // namespace app
