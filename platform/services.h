#pragma once

#include "platform/filedialogs.h"
#include "platform/messageboxes.h"
#include "platform/printers.h"
#include "platform/settingsstore.h"
#include "platform/spreadsheet.h"
#include "platform/urlopener.h"

namespace platform {

// Everything the windows reach outside the program through. The owner of
// the implementations (QtServices, ScriptedServices) outlives the windows.
struct Services
{
    SettingsStore &settings;
    MessageBoxes &messages;
    FileDialogs &files;
    UrlOpener &urls;
    Printers &printers;
    Spreadsheet &spreadsheet;
};

} // namespace platform
