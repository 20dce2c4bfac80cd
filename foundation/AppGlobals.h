#pragma once

#include <string>

// The application folder as a POSIX path: at start-up the folder of the
// real path of the executable, ending in "/". Loading the string table
// later turns it into the bundle's Resources folder (without a final "/"),
// which every later reader relies on. Tests set it directly.
extern std::string gAppPath;

// Sets gAppPath from the running executable; false, with gAppPath
// unchanged, when that cannot be read.
bool InitAppPath();
