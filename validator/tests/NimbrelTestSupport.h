#pragma once

// Runs Nimbrel inside the test process: a folder that stands for its own
// (an executable file, the component file, a trust store), the stand-in
// runtime with its hooks, and the answer caught in a file.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/ulp/RunLoop.h"
#include "platform/ulp/Ulp.h"
#include "platform/ulp/UlpTesting.h"
#include "testsupport/TempDir.h"
#include "validator/CFrontController.h"
#include "validator/MiniDOM.h"
#include "validator/NimbrelAppDelegate.h"

namespace nimbreltest {

struct NimbrelRun {
  int exitCode = 0;
  std::string output;
  // Whether the application ended by itself (or still waits).
  bool ended = false;
};

class NimbrelFolder {
 public:
  NimbrelFolder() {
    TempDir::write(executable(), "");
    std::filesystem::create_directories(m_dir / "TrustStore");
  }
  std::string executable() const { return m_dir / "Nimbrel"; }
  std::string path(const std::string& name) const { return m_dir / name; }
  void component(const std::string& text) const { TempDir::write(path("Component.ulp"), text); }

  // Launches with argv[0] and the arguments, runs every frame and event
  // there is, then terminates.
  NimbrelRun run(const std::vector<std::string>& arguments,
                 const std::string& argv0 = std::string()) const {
    std::vector<std::string> argv{argv0.empty() ? executable() : argv0};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    nimbrel::registerComponents();
    ulp::RunLoop::shared().reset();
    std::FILE* out = std::tmpfile();
    nimbrel::CFrontController::getInstance()->setOutput(out, false);
    NimbrelRun run;
    {
      nimbrel::NimbrelAppDelegate delegate(argv);
      delegate.applicationDidFinishLaunching();
      ulp::RunLoop::shared().runPending();
      run.ended = ulp::RunLoop::shared().isTerminated();
      delegate.applicationWillTerminate();
    }
    run.exitCode = nimbrel::g_exitCode;
    std::rewind(out);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), out)) > 0) run.output.append(buffer, n);
    std::fclose(out);
    nimbrel::CFrontController::getInstance()->setOutput(nullptr, false);
    return run;
  }

 private:
  TempDir m_dir;
};

}  // namespace nimbreltest
