#pragma once

namespace Velt {

// Connects the message queues and the launcher to the current context's
// main instance and background thread: notices are sent, queue events
// forwarded and logged, launch parameters queued through it. Installed
// while the library is set up.
void installContextOutlets();
void removeContextOutlets();

}  // namespace Velt
