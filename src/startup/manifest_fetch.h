#pragma once
#include "state/app_state.h"

namespace startup {

enum class ManifestOutcome {
  kUsable,
  kUnusable,    // neither address gave a manifest
  kUnverified,  // an address gave one whose signature, key or serial could not be accepted
};

// Fetches and parses the update manifest, primary address first. With trust keys configured
// each answer's signature is checked first, and a signed manifest's serial against the highest
// one this client folder has accepted; any refusal counts as a failed address.
ManifestOutcome fetchCheckedManifest(state::AppState& app);

// True when a usable manifest is in app.manifestDocument.
bool fetchManifest(state::AppState& app);

}  // namespace startup
