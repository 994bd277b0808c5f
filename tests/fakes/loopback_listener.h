#pragma once

namespace testing_support {

// A listening TCP socket on 127.0.0.1 at a port the system picks; `port` receives it.
// -1 when the socket cannot be made.
int listenLoopback(int backlog, int& port);

}  // namespace testing_support
