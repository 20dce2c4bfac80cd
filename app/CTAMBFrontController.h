#pragma once

#include <atomic>
#include <memory>

#include "app/LumenExternalInterface.h"
#include "app/MessageEscapeCodec.h"
#include "support/vector.h"

class CommandExecutor;
class IEngine;
namespace tamb {
class Player;
}

// Between the movie and the engine: turns each call of the movie into a
// queued command or into the answer to an earlier request, sends the
// program's calls to the movie with their texts escaped, and runs the
// start-up hand-shake with the movie on the worker thread.
class CTAMBFrontController {
 public:
  using request_t = vesko::tamb_canvas::lumen_external_interface::request_t;
  using ArgumentVector = vesko::vector<vesko::any_regular_t>;

  // The one engine; set at start-up before the movie runs, not owned.
  static IEngine* m_manager;
  // The worker, from the movie's "brioCallBackReady" on; null before.
  static std::atomic<CommandExecutor*> m_CommandExecutor;
  // Read only by sendGeneralErrorMsg; nothing sets it.
  static tamb::Player* m_BrioControl;

  // The one front controller, made on first use with its escape table.
  static CTAMBFrontController* getInstance();

  void initConversionTable() { m_codec.initConversionTable(); }
  const MessageEscapeCodec& codec() const { return m_codec; }
  // Buffers: at least 2 * length + 1 bytes to encode, length + 1 to decode.
  void encodeMessage(const char* in, char* out) const { m_codec.encodeMessage(in, out); }
  void decodeMessage(const char* in, char* out) const { m_codec.decodeMessage(in, out); }

  // Posts a call to the movie, its string arguments escaped (others left
  // out and logged); any thread. The main loop delivers it, also before
  // the worker exists.
  void sendCallbackMessage(const char* name, const ArgumentVector& args);
  // Calls the named function of the movie at once with one text; unused.
  void sendGeneralErrorMsg(const char* name);

  // Worker thread: has the movie read suppress mode from the start-up
  // command line.
  void evaluateSupressMode();
  // Worker thread, its first job: the start-up hand-shake, the string
  // tables, the UI adapter and the engine's initialisation.
  bool Initialize();

  // Main thread: one call of the movie.
  void dispatchInvocation(request_t& request);

 private:
  CTAMBFrontController() = default;

  MessageEscapeCodec m_codec;
};
