#include "app/MovieConnection.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "foundation/Logger.h"
#include "platform/tamb/MainLoop.h"
#include "platform/tamb/Player.h"

namespace lei = vesko::tamb_canvas::lumen_external_interface;

namespace {

std::atomic<tamb::MainLoop*> g_loop{nullptr};
std::atomic<tamb::Player*> g_player{nullptr};

std::mutex& sinkMutex() {
  static std::mutex m;
  return m;
}
MovieConnection::Sink& sink() {
  static MovieConnection::Sink s;
  return s;
}

}  // namespace

void MovieConnection::setMainLoop(tamb::MainLoop* loop) {
  g_loop = loop;
}

tamb::MainLoop& MovieConnection::mainLoop() {
  tamb::MainLoop* loop = g_loop.load();
  return loop ? *loop : tamb::MainLoop::main();
}

void MovieConnection::setPlayer(tamb::Player* player) {
  g_player = player;
}

tamb::Player* MovieConnection::player() {
  return g_player.load();
}

void MovieConnection::post(std::unique_ptr<request_t> request) {
  if (!request) return;
  Sink taken;
  {
    std::lock_guard<std::mutex> lock(sinkMutex());
    taken = sink();
  }
  if (taken) {
    taken(std::move(request));
    return;
  }
  std::shared_ptr<request_t> shared(std::move(request));
  mainLoop().post([shared] { deliver(*shared); });
}

void MovieConnection::deliver(const request_t& request) {
  tamb::Player* target = player();
  if (!target) {
    Logger::write(Logger::kError,
                  std::string("No movie to deliver the request to: ") + request.name_m.c_str(),
                  __FILE__, __LINE__);
    return;
  }
  // The movie's return value has no use here.
  (void)lei::lumen_player_invoke_request(target, request);
}

void MovieConnection::setSinkForTest(Sink s) {
  std::lock_guard<std::mutex> lock(sinkMutex());
  sink() = std::move(s);
}
