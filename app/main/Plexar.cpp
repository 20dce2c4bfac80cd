// Plexar: installs, removes, enables and disables extensions of the host
// applications (see README.md).
#include <cstdlib>
#include <memory>

#include "app/AppServices.h"
#include "app/PlexarApp.h"
#include "app/PlexarEngine.h"

int main(int argc, char** argv) {
  AppServices::setMakeEngine([] { return std::make_unique<PlexarEngine>(); });
  std::exit(PlexarApp::main(argc, argv));
}
