#pragma once

#include <functional>
#include <memory>

#include "app/LumenExternalInterface.h"

namespace tamb {
class MainLoop;
class Player;
}  // namespace tamb

// The road of every call to the movie: posted from any thread to the main
// loop, then invoked in the player there. The main loop exists from
// start-up, so a call made before the movie reported ready is delivered in
// order too.
class MovieConnection {
 public:
  using request_t = vesko::tamb_canvas::lumen_external_interface::request_t;
  // Takes the requests in place of the main loop (tests).
  using Sink = std::function<void(std::unique_ptr<request_t> request)>;

  MovieConnection() = delete;

  // The loop requests are posted to: the program's main loop unless set.
  static void setMainLoop(tamb::MainLoop* loop);
  static tamb::MainLoop& mainLoop();
  // The player requests are invoked in; none at first.
  static void setPlayer(tamb::Player* player);
  static tamb::Player* player();

  // Any thread; the request is invoked on the main thread and freed there.
  static void post(std::unique_ptr<request_t> request);
  // Main thread: invokes the request in the player (logged and dropped
  // without one).
  static void deliver(const request_t& request);

  // Set while no other thread posts; null gives the main loop back.
  static void setSinkForTest(Sink sink);
};
