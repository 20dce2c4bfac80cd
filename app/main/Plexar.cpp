// Plexar: installs, removes, enables and disables extensions of the host
// applications (see README.md).
#include <cstdlib>

#include "app/CliMovie.h"
#include "app/PlexarApp.h"
#include "app/PlexarEngine.h"

int main(int argc, char** argv) {
  PlexarEngine::InstallServices();
  CliMovie::registerMovie();
  const int status = PlexarApp::main(argc, argv);
  // A start-up that failed before the engine existed leaves the messaging
  // threads running; they must not outlive the process's statics.
  PlexarEngine::StopMessaging();
  std::exit(status);
}
