#pragma once
#include <string>

#include "state/app_state.h"
#include "startup/endpoints.h"

namespace launch {

// Handler of the nine link buttons: opens the page of the button named `button`.
void openLinkButton(state::AppState& app, const std::string& button);
// The web address behind a link button; empty for a name that is no link button.
std::string linkAddress(const startup::Endpoints& endpoints, const std::string& button);

}  // namespace launch
