// Plexar: installs, removes, enables and disables extensions of the host
// applications (see README.md).
#include <cstdlib>

#include "app/PlexarApp.h"
#include "app/PlexarEngine.h"

int main(int argc, char** argv) {
  PlexarEngine::InstallServices();
  std::exit(PlexarApp::main(argc, argv));
}
