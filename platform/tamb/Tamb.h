#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/tamb/Movie.h"
#include "platform/tamb/Player.h"

// The UI framework's entry points. A movie file ("Plexo.qmv") is a small
// text of key=value lines (blank lines and lines starting with "#" are
// skipped); its "movie" key names a built-in movie, made by the factory
// registered under that name, which receives all the file's settings.
// "script" is built in (ScriptMovie, for tests); the program registers its
// own.

struct TAMBInitParams {
  int32_t version;
  int32_t flags;
};

// 0 on success; paramErr for a null record.
int32_t TAMBInitialize(const TAMBInitParams* params);
void TAMBTerminate();
bool TAMBIsInitialized();

// Reads the movie file, makes the movie it names and loads it into the
// player. 0, or fnfErr when the file can't be read, paramErr when Tamb is
// not initialised, the player is null, or the file is malformed or names no
// known movie.
int32_t TAMBLumenPlayerLoadMovie(tamb::Player* player, const std::string& path, int32_t flags);
// Sets the bits of set, then clears those of clear.
void TAMBLumenPlayerChangeAttributes(tamb::Player* player, uint32_t set, uint32_t clear);
uint32_t TAMBLumenPlayerGetAttributes(tamb::Player* player);

namespace tamb {

using MovieSettings = std::map<std::string, std::string>;
using MovieFactory = std::function<std::unique_ptr<Movie>(const MovieSettings& settings)>;

// The status the next TAMBInitialize calls return instead of succeeding
// (0 restores success); for tests of a framework that fails to start.
void setInitializeStatusForTest(int32_t status);

// Registers (or replaces) a built-in movie.
void registerMovie(const std::string& name, MovieFactory factory);
bool isMovieRegistered(const std::string& name);

// Movie files larger than this are refused.
inline constexpr size_t kMaxMovieFileBytes = 1u << 20;

// Reads a movie file's settings; false, with a reason in *error, when it
// can't be read or a line is not key=value.
bool readMovieFile(const std::string& path, MovieSettings& settings, std::string* error);

}  // namespace tamb
