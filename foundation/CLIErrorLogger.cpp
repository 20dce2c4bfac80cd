#include "foundation/CLIErrorLogger.h"

#include <memory>
#include <mutex>
#include <vector>

#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/Logger.h"

namespace {

constexpr uint32_t kUtf8 = CZorbUnicodeConverter::kUTF8;
constexpr unsigned int kOpenNewForWriting = 4097;

std::mutex g_mutex;
CLIErrorLogger* g_instance = nullptr;
bool g_finalized = false;
// Finalised logs are closed but kept until exit, so a pointer another
// thread still holds never dangles.
std::vector<std::unique_ptr<CLIErrorLogger>> g_retired;
// One message at a time: its three lines stay together.
std::mutex g_writeMutex;

}  // namespace

CLIErrorLogger* CLIErrorLogger::getInstance() {
  CZorbOS::InitMultiUserMembers();
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_finalized || g_instance != nullptr) return g_instance;
  CZorbPath path;
  if (!CZorbOS::GetCurrentUserAppDataPath(path)) return nullptr;
  path.Append(u"Vesko:Plexar WB5:CLIPlexar.log");
  const CString folder = path.GetFolder();
  // A folder that cannot be made shows below as a log that cannot be opened.
  if (!CZorbOS::DirectoryExists(folder)) (void)CZorbOS::CreateDirectory(folder, true);
  auto* made = new CLIErrorLogger(path);
  // A log that cannot be opened is given up for the rest of the run.
  if (!made->IsUsable()) {
    delete made;
    g_finalized = true;
    return nullptr;
  }
  g_instance = made;
  return g_instance;
}

void CLIErrorLogger::finalize() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_instance != nullptr) {
    {
      std::lock_guard<std::mutex> write(g_writeMutex);
      g_instance->m_usable = false;
      g_instance->Close();
    }
    g_retired.emplace_back(g_instance);
  }
  g_instance = nullptr;
  g_finalized = true;
}

void CLIErrorLogger::resetForTest() {
  std::lock_guard<std::mutex> lock(g_mutex);
  delete g_instance;
  g_instance = nullptr;
  g_retired.clear();
  g_finalized = false;
}

CLIErrorLogger::CLIErrorLogger(const CString& path) : CZorbFile(kUtf8) {
  m_usable = Open(path, kOpenNewForWriting);
}

CLIErrorLogger::~CLIErrorLogger() = default;

void CLIErrorLogger::logMessage(const CString& message) {
  std::lock_guard<std::mutex> write(g_writeMutex);
  if (!m_usable) return;
  // A log has no one to tell that it cannot be written.
  (void)WriteString(u"VESKO PLEXAR ");
  (void)WriteString(CString(u'-', 35));
  (void)WriteString(message);
}

std::string CLIErrorLogger::getCurrentTime() {
  return Logger::getCurrentTime();
}
