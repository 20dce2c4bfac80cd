#include "foundation/CZorbOS.h"

#include "foundation/Logger.h"
#include "platform/os/MacStatus.h"
#include "platform/os/Process.h"
#include "platform/os/TextEncodings.h"
#include "platform/os/Utf.h"
#include "platform/widechar/WideChar.h"

platform::NMRec CZorbOS::nmr;

namespace {

const char kSource[] = "CZorbOSProcesses";

bool (*g_focusProbe)() = nullptr;

// Where a process was started from: its bundle, else its executable.
bool sameObject(const std::string& location, const platform::FSRef& app) {
  platform::FSRef ref;
  if (platform::makeRef(location, ref) != platform::noErr) return false;
  return ref.device == app.device && ref.inode == app.inode;
}

}  // namespace

int32_t CZorbOS::FindProcess(const platform::FSRef& app, platform::ProcessSerialNumber& psn) {
  psn = platform::ProcessSerialNumber();
  if (app.isNull()) return platform::fnfErr;
  for (const auto& process : platform::runningProcesses()) {
    const std::string& location =
        process.bundlePath.empty() ? process.executable : process.bundlePath;
    if (sameObject(location, app)) {
      psn = platform::psnForProcess(process.pid);
      return platform::noErr;
    }
  }
  return platform::fnfErr;
}

int32_t CZorbOS::FindProcess(uint32_t creator, platform::FSRef& app,
                             platform::ProcessSerialNumber& psn) {
  psn = platform::ProcessSerialNumber();
  for (const auto& process : platform::runningProcesses()) {
    // Only applications: processes running from a readable bundle.
    if (process.bundlePath.empty()) continue;
    platform::BundleInfo info;
    if (platform::readBundle(process.bundlePath, info) != platform::noErr) continue;
    if (info.creator() != creator) continue;
    // A bundle gone since the listing names no application.
    if (platform::makeRef(process.bundlePath, app) != platform::noErr) continue;
    psn = platform::psnForProcess(process.pid);
    return platform::noErr;
  }
  return platform::fnfErr;
}

int32_t CZorbOS::LaunchApp(const platform::FSRef& app, platform::ProcessSerialNumber& psn,
                           platform::AppParameters* params) {
  if (FindProcess(app, psn) == platform::noErr) return platform::noErr;
  if (!platform::isRefValid(app)) return platform::fnfErr;
  std::vector<std::string> arguments;
  if (params != nullptr) arguments = params->arguments;
  pid_t pid = -1;
  int32_t status;
  platform::BundleInfo bundle;
  if (platform::isBundleFolder(app.path)) {
    status = platform::readBundle(app.path, bundle);
    if (status == platform::noErr) status = platform::launchApplication(bundle, arguments, pid);
  } else if (platform::isRunnableFile(app.path)) {
    arguments.insert(arguments.begin(), app.path);
    int err = platform::spawnDetached(arguments, "/", pid);
    status = err == 0 ? platform::noErr : platform::macStatusFromErrno(err);
  } else {
    status = platform::fnfErr;
  }
  if (status == platform::noErr) psn = platform::psnForProcess(pid);
  return status;
}

int32_t CZorbOS::BringProcessToFront(const platform::ProcessSerialNumber& psn) {
  pid_t pid = platform::processOfPsn(psn);
  if (!platform::processExists(pid)) return platform::procNotFound;
  Logger::write(Logger::kDebug, "Bring process " + std::to_string(pid) + " to the front", kSource,
                __LINE__);
  return platform::noErr;
}

int32_t CZorbOS::BringProcessToFront(uint32_t creator) {
  platform::FSRef app;
  platform::ProcessSerialNumber psn;
  int32_t status = FindProcess(creator, app, psn);
  if (status != platform::noErr) return status;
  return BringProcessToFront(psn);
}

int32_t CZorbOS::PutStringParameter(platform::AppleEvent& event, uint32_t keyword,
                                    const char16_t* text) {
  if (text == nullptr) return platform::paramErr;
  auto bytes = platform::utf16ToUtf8(std::u16string_view(text, platform::wcslen(text)));
  if (!bytes) return platform::textstatus::kMalformedInput;
  bytes->push_back('\0');
  event.put(keyword, platform::AEDesc{platform::typeText, std::move(*bytes)});
  return platform::noErr;
}

int32_t CZorbOS::SendSimpleEvent(const platform::ProcessSerialNumber& psn, uint32_t eventClass,
                                 uint32_t eventId, uint32_t keyword, const char16_t* text) {
  pid_t pid = platform::processOfPsn(psn);
  if (pid < 0) return platform::procNotFound;
  platform::AppleEvent event;
  event.eventClass = eventClass;
  event.eventId = eventId;
  // A text that could not be put would reach the other side missing.
  int32_t status = PutStringParameter(event, keyword, text);
  if (status != platform::noErr) return status;
  return platform::sendAppleEvent(pid, event, false, 0);
}

int32_t CZorbOS::SendCommandLine(const platform::FSRef& file,
                                 const platform::ProcessSerialNumber& psn, uint32_t keyword,
                                 const char16_t* text) {
  pid_t pid = platform::processOfPsn(psn);
  if (pid < 0) return platform::procNotFound;
  if (file.isNull() || !platform::isRefValid(file)) return platform::fnfErr;
  platform::AppleEvent event;
  event.eventClass = platform::kCoreEventClass;
  event.eventId = platform::kAEOpenDocuments;
  event.put(
      platform::keyDirectObject,
      platform::AEDesc{platform::typeAEList,
                       platform::encodeList({platform::AEDesc{platform::typeAlias, file.path}})});
  int32_t status = PutStringParameter(event, keyword, text);
  if (status != platform::noErr) return status;
  return platform::sendAppleEvent(pid, event, true, kSendCommandLineTimeoutMs);
}

void CZorbOS::callUserAttentionIfInBackground() {
  if (isPlexoWindowActivate()) return;
  // One shared record: a second request reuses it.
  nmr = platform::NMRec();
  nmr.qType = platform::nmType;
  nmr.nmMark = 1;
  nmr.nmResp = &CZorbOS::nmComplete;
  nmr.installed = true;
  Logger::write(Logger::kDebug, "User attention requested", kSource, __LINE__);
}

void CZorbOS::nmComplete(platform::NMRec* request) {
  if (request != nullptr) request->installed = false;
}

bool CZorbOS::isPlexoWindowActivate() {
  return g_focusProbe != nullptr && g_focusProbe();
}

void CZorbOS::SetMainWindowFocusProbe(bool (*probe)()) {
  g_focusProbe = probe;
}
