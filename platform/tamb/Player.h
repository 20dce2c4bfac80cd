#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/tamb/MainLoop.h"
#include "platform/tamb/Movie.h"

namespace tamb {

// The player view: runs one movie, hands the movie's external calls to the
// program's handler on the main loop and the program's calls to the movie.
class Player final : public MovieHost {
 public:
  // The program's handler of external calls: the request text.
  using ExternalCallHandler = std::function<void(const std::string& requestText)>;

  explicit Player(MainLoop& loop);
  ~Player() override;
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  void setExternalCallHandler(ExternalCallHandler handler);
  // Replaces the movie and starts the new one.
  void load(std::unique_ptr<Movie> movie);
  Movie* movie() const { return m_movie.get(); }
  MainLoop& loop() const { return m_loop; }

  // Calls a function of the movie; main thread. Without a movie the result
  // is undefined.
  Value invoke(const Invocation& call);

  void externalCall(const Invocation& call) override;
  void externalCallText(const std::string& requestText) override;

  uint32_t attributes() const;
  void changeAttributes(uint32_t set, uint32_t clear);

 private:
  // What posted external calls reach; outlives the player while tasks are
  // queued, and forgets the handler when the player goes.
  struct Shared {
    std::mutex mutex;
    ExternalCallHandler handler;
  };

  MainLoop& m_loop;
  std::shared_ptr<Shared> m_shared;
  std::unique_ptr<Movie> m_movie;
  mutable std::mutex m_attributesMutex;
  uint32_t m_attributes = 0;
};

}  // namespace tamb
