#include "startup/announcement.h"

namespace startup {

// Placeholder until the endpoint configuration exists: no announcement address is known yet.
void showAnnouncement(app::AppState&) {}

}  // namespace startup
