#include "launch/link_buttons.h"

namespace launch {

// Placeholder until the link buttons exist.
void openLinkButton(app::AppState&, const std::string&) {}

}  // namespace launch
