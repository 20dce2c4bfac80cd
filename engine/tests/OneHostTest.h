#pragma once

// The sandbox engine tests run in: an engine with a scripted UI, the
// program's resources where the build lays them out, and the log captured.
// OneHostTest adds one scripted host whose install folder is "Host", with
// its extensions folder and its store in "work", the only host the engine
// knows.

#include <filesystem>
#include <initializer_list>
#include <string>

#include "engine/CZorbPlexar.h"
#include "engine/tests/ScriptedHost.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/Logger.h"
#include "testsupport/LogCapture.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScriptedUI.h"

namespace enginetest {

class EngineTest : public testsupport::SandboxTest {
 protected:
  void SetUp() override {
    m_savedAppPath = gAppPath;
    gAppPath = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/Resources";
    Logger::resetForTest(testsupport::LogToString);
  }
  void TearDown() override {
    engine.ClearLists();
    engine.m_products.clear();
    Logger::finalize();
    Logger::resetForTest(nullptr);
    testsupport::CapturedLogStream() = nullptr;
    gAppPath = m_savedAppPath;
  }

  CString C(const std::string& relative) const { return CString(sandbox.colon(relative).c_str()); }

  std::string m_savedAppPath;
  testsupport::ScriptedUI ui;
  CZorbPlexar engine{&ui};
};

class OneHostTest : public EngineTest {
 protected:
  // The host as it stands before anything is installed: its own page, its
  // extensions folder, an empty store; the other folders named are made
  // afresh and empty.
  void ResetHost(std::initializer_list<const char*> others = {}) {
    engine.ClearLists();
    engine.m_products.clear();
    for (const char* folder : {"Host", "work"}) std::filesystem::remove_all(sandbox.posix(folder));
    for (const char* folder : others) {
      std::filesystem::remove_all(sandbox.posix(folder));
      sandbox.makeFolder(folder);
    }
    sandbox.makeFolder("Host/Commands");
    sandbox.makeFolder("Host/Configuration/Extensions");
    sandbox.makeFolder("work/store");
    sandbox.writeFile("Host/Commands/host.htm", "the host's own");
    host.m_installFolder = C("Host") + u":";
    host.m_extensionsFolder = C("Host/Configuration/Extensions").Get();
    host.m_pxStorePath = C("work/store");
    engine.m_systemTokens.SetAt(u"hostfolder", C("Host") + u":");
    engine.m_products.push_back(&host);
  }

  ScriptedHost host{u"Lumen 11"};
};

}  // namespace enginetest
