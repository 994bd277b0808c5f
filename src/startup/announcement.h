#pragma once
#include <string>

#include "platform/registry.h"
#include "state/app_state.h"

namespace startup {

// Where the browser control looks up its settings for one program, by the program's file name.
inline constexpr const char* kBrowserFeatureKey = "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\";
// Standards mode of the newest engine, whatever the page's doctype says (the control's own
// default is the old IE7 mode, in which today's pages fall apart).
inline constexpr uint32_t kBrowserEmulation = 11001;

// Gives the program named `exeFileName` (as the player named it) the browser control settings
// of the announcement view: the newest engine's standards mode, and no offer to install
// ActiveX controls. Only the current user's own settings are written, and only where they
// differ. Must run before the process first creates the control, which reads them once.
// False when a value could not be written (the view then shows pages as the control defaults).
bool prepareBrowserSettings(platform::Registry& registry, const std::string& exeFileName);

// Points the web view at the operator's announcement page.
void showAnnouncement(state::AppState& app);

}  // namespace startup
