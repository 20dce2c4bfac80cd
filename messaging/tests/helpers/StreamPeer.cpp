// A second process for the stream tests.
//
//   StreamPeer own <specifier> <ready file> <parent pid>
//     owns the port of specifier, writes "good" or "bad" to the ready file
//     and then waits, never taking a delivery, until it is killed, its
//     parent is gone, or a minute has passed;
//   StreamPeer send <own specifier> <target> <text>...
//     sends each text to target, "\0" in a text standing for a NUL byte;
//     exits 0 when every send succeeded, 1 when one failed, 2 without a
//     port of its own.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "messaging/InterAppStream.h"
#include "platform/os/Process.h"
#include "platform/os/SmallFiles.h"

namespace {

constexpr int kMaxWaitRounds = 600;

std::string unescape(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (p[0] == '\\' && p[1] == '0') {
      out += '\0';
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

int own(const char* specifier, const char* readyFile, const char* parent) {
  Velt::InterAppStream stream(Velt::VtString(specifier), false);
  const char* state = stream.isGood() ? "good" : "bad";
  if (platform::createFileExclusively(readyFile, state, std::strlen(state), 0600) != 0) return 3;
  const pid_t parentPid = static_cast<pid_t>(std::atoi(parent));
  for (int i = 0; i < kMaxWaitRounds && platform::processExists(parentPid); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return 0;
}

int send(const char* specifier, const char* target, int count, char** texts) {
  Velt::InterAppStream stream(Velt::VtString(specifier), false);
  if (!stream.isGood()) return 2;
  for (int i = 0; i < count; ++i) {
    const std::string text = unescape(texts[i]);
    if (!stream.send(Velt::VtString(target),
                     Velt::VtString(text.data(), static_cast<int32_t>(text.size()))))
      return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "own") == 0) return own(argv[2], argv[3], argv[4]);
  if (argc >= 4 && std::strcmp(argv[1], "send") == 0)
    return send(argv[2], argv[3], argc - 4, argv + 4);
  return 64;
}
