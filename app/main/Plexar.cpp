// Plexar: installs, removes, enables and disables extensions of the host
// applications (see README.md).
#include <cstdlib>

#include "app/PlexarApp.h"

int main(int argc, char** argv) {
  std::exit(PlexarApp::main(argc, argv));
}
