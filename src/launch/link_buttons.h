#pragma once
#include <string>

#include "app/app_state.h"

namespace launch {

// Handler of the nine link buttons: opens the page of the button named `button`.
void openLinkButton(app::AppState& app, const std::string& button);

}  // namespace launch
