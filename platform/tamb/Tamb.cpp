#include "platform/tamb/Tamb.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

#include "platform/os/MacStatus.h"
#include "platform/tamb/ScriptMovie.h"

namespace {

std::atomic<bool> g_initialized{false};
std::atomic<int32_t> g_initializeStatus{0};

struct Registry {
  std::mutex mutex;
  std::map<std::string, tamb::MovieFactory> factories;
};

Registry& registry() {
  static Registry* r = [] {
    auto* made = new Registry;
    made->factories["script"] = [](const tamb::MovieSettings&) {
      return std::make_unique<tamb::ScriptMovie>();
    };
    return made;
  }();
  return *r;
}

std::string trimmed(const std::string& text) {
  const char* space = " \t\r";
  const size_t first = text.find_first_not_of(space);
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(space);
  return text.substr(first, last - first + 1);
}

}  // namespace

int32_t TAMBInitialize(const TAMBInitParams* params) {
  if (!params) return platform::paramErr;
  if (const int32_t status = g_initializeStatus.load(); status != 0) return status;
  g_initialized = true;
  return platform::noErr;
}

void TAMBTerminate() {
  g_initialized = false;
}

bool TAMBIsInitialized() {
  return g_initialized;
}

int32_t TAMBLumenPlayerLoadMovie(tamb::Player* player, const std::string& path, int32_t /*flags*/) {
  if (!player || !g_initialized) return platform::paramErr;
  tamb::MovieSettings settings;
  std::string error;
  {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) return platform::fnfErr;
  }
  if (!tamb::readMovieFile(path, settings, &error)) return platform::paramErr;
  const auto named = settings.find("movie");
  if (named == settings.end()) return platform::paramErr;
  tamb::MovieFactory factory;
  {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.factories.find(named->second);
    if (it == r.factories.end()) return platform::paramErr;
    factory = it->second;
  }
  std::unique_ptr<tamb::Movie> movie = factory(settings);
  if (!movie) return platform::paramErr;
  player->load(std::move(movie));
  return platform::noErr;
}

void TAMBLumenPlayerChangeAttributes(tamb::Player* player, uint32_t set, uint32_t clear) {
  if (player) player->changeAttributes(set, clear);
}

uint32_t TAMBLumenPlayerGetAttributes(tamb::Player* player) {
  return player ? player->attributes() : 0;
}

namespace tamb {

void setInitializeStatusForTest(int32_t status) {
  g_initializeStatus = status;
}

void registerMovie(const std::string& name, MovieFactory factory) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.factories[name] = std::move(factory);
}

bool isMovieRegistered(const std::string& name) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.factories.count(name) != 0;
}

bool readMovieFile(const std::string& path, MovieSettings& settings, std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  std::ifstream in(path, std::ios::binary);
  if (!in) return refuse("can't open " + path);
  std::string text;
  text.resize(kMaxMovieFileBytes + 1);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxMovieFileBytes) return refuse("movie file too large");
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  MovieSettings read;
  while (std::getline(lines, line)) {
    ++number;
    const std::string item = trimmed(line);
    if (item.empty() || item[0] == '#') continue;
    const size_t eq = item.find('=');
    if (eq == std::string::npos || eq == 0)
      return refuse("line " + std::to_string(number) + " is not key=value");
    read[trimmed(item.substr(0, eq))] = trimmed(item.substr(eq + 1));
  }
  settings = std::move(read);
  return true;
}

}  // namespace tamb
