#pragma once

namespace startup {

// The operator's addresses. (Filled in with the endpoint configuration.)
struct Endpoints {};

}  // namespace startup
