#pragma once

// Fails each mutating file call of an operation in turn and checks that the
// operation's undo gives everything back. One clean run counts the K
// mutating calls the operation makes; then, for k = 1..K, the world is
// brought back to its starting state, call k is failed (with the chosen
// errno; the calls after it pass) and the operation is run again. After each
// failed run:
//
//   - every root tree is byte-identical to before (TreeSnapshot);
//   - the temporary folder holds no name it did not hold before;
//   - the operation's step list is empty;
//   - the in-memory state (as the test renders it) is unchanged.
//
// After every run, failed or not, no root may hold a name that contains one
// of the case's stray names.
//
// A run that reports success although a call failed is recorded with the
// call it survived: the test decides which of those are sound (a logged
// failure of a clean-up, say).
//
//   testsupport::RollbackProbe::Case c;
//   c.prepare = [&] { world.reset(); world = std::make_unique<World>(); };
//   c.run = [&] { return world->engine.InstallExtension(...) != nullptr; };
//   c.pendingSteps = [&] { return world->engine.GetSteps().size(); };
//   c.memory = [&] { return world->listsText(); };
//   c.roots = {machine.root()};
//   c.temporaryFolder = machine.temporaryItems();
//   const auto result = testsupport::RollbackProbe::run(c);
//   EXPECT_TRUE(result.ok()) << result.report();

#include <cerrno>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/os/FileSystem.h"

namespace testsupport {

class RollbackProbe {
 public:
  struct Case {
    // Brings the world to the state every run starts from; called before
    // the counting run and before each failing one (never under faults).
    std::function<void()> prepare;
    // Runs the operation; true when it reports success.
    std::function<bool()> run;
    // Steps still held by the operation's list after a run.
    std::function<std::size_t()> pendingSteps;
    // A rendering of the in-memory state that an undo must give back;
    // optional.
    std::function<std::string()> memory;
    // Trees compared byte for byte; the skip entries (paths relative to
    // each root) are left out of all of them.
    std::vector<std::string> roots;
    std::vector<std::string> skip;
    // Where backups and working folders live; may be one of the roots.
    std::string temporaryFolder;
    // Which calls are counted and failed, and with what.
    uint32_t ops = platform::kFsMutatingOps;
    int error = EIO;
    // Stops after this many injected failures (0: all K).
    int limit = 0;
    // Parts of names that no run may leave in a root, whether it failed or
    // succeeded (the program's own scratch names).
    std::vector<std::string> strayNames;
  };

  // A call whose failure the operation survived with success.
  struct Survived {
    int index = 0;
    std::string op;
    std::string path;
  };

  struct Result {
    // The mutating calls of the clean run; 0 when it did not succeed.
    int calls = 0;
    bool cleanRunSucceeded = false;
    // One line per broken promise, naming the call that was failed.
    std::vector<std::string> faults;
    std::vector<Survived> survived;

    bool ok() const { return cleanRunSucceeded && faults.empty(); }
    std::string report() const;
  };

  static Result run(const Case& c);

  // Names in the folder (not below it) that were not in before.
  static std::vector<std::string> newNames(const std::string& folder,
                                           const std::vector<std::string>& before);
  static std::vector<std::string> names(const std::string& folder);
};

}  // namespace testsupport
