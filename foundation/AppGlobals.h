#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// The application folder as a POSIX path: at start-up the folder of the
// real path of the executable, ending in "/". Loading the string table
// later turns it into the bundle's Resources folder (without a final "/"),
// which every later reader relies on. Tests set it directly.
extern std::string gAppPath;

// The process exit status, 0 at start. Set by commands on the worker thread
// and by the movie's exit request on the main thread.
extern std::atomic<int32_t> g_exitCode;

// Whether the program runs without asking a person (a command-line run):
// false at start, decided once by the start-up hand-shake with the movie,
// read from every thread.
extern std::atomic<bool> g_isInSuppressMode;

// Sets gAppPath from the running executable; false, with gAppPath
// unchanged, when that cannot be read.
bool InitAppPath();
