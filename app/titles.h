#pragma once

#include <QString>

namespace app {

// Caption of the three main windows and section of the settings store.
inline constexpr const char *DisplayTitle = "Gravelin";

// The short title of a display title: cut at the last blank, and again while
// longer than 40 characters. Without a blank to cut at, the text is kept.
QString ShortTitleFor(const QString &displayTitle);

// Derives the short title from DisplayTitle once, at start-up.
void SetAppTitle();

// Caption of every message box without a title of its own.
QString ShortTitle();

} // namespace app
