#pragma once

#include "platform/tamb/Invocation.h"

namespace tamb {

// What a movie may ask of the player that runs it.
class MovieHost {
 public:
  virtual ~MovieHost() = default;
  // An external call of the movie to the program. Any thread; the call
  // reaches the program's handler on the main loop, as request text.
  virtual void externalCall(const Invocation& call) = 0;
  // The same with a request text as the movie wrote it.
  virtual void externalCallText(const std::string& requestText) = 0;
};

// A movie the player runs. Built-in movies are chosen by the movie file
// (see Tamb.h).
class Movie {
 public:
  virtual ~Movie() = default;
  // Called once when the player loads the movie, on the main thread.
  virtual void start(MovieHost& host) = 0;
  // A call of the program to a function of the movie, on the main thread.
  virtual Value invoke(const Invocation& call) = 0;
};

}  // namespace tamb
