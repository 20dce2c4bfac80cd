#include "foundation/CStartupCLIParser.h"

#include <atomic>
#include <filesystem>
#include <system_error>

#include "foundation/Logger.h"
#include "platform/os/Utf.h"

namespace {

std::atomic<CStartupCLIParser::HandOver> g_handOver{nullptr};

}  // namespace

CStartupCLIParser* CStartupCLIParser::getInstance() {
  static CStartupCLIParser* instance = new CStartupCLIParser;
  return instance;
}

void CStartupCLIParser::setHandOver(HandOver handOver) {
  g_handOver.store(handOver);
}

void CStartupCLIParser::saveCommandLine(const char16_t* text, bool fromArguments) {
  m_fromArguments = fromArguments;
  std::error_code ec;
  const std::string cwd = std::filesystem::current_path(ec).string();
  const auto wide = ec ? std::nullopt : platform::utf8ToUtf16(cwd);
  if (!wide) {
    Logger::write(Logger::kFatal, std::string("get curr directory failed"), __FILE__, __LINE__);
    return;
  }
  CString line(text);
  line += fromArguments ? u"\n" : u" ";
  line += u"-CurrDir=";
  line += quote(CString(wide->c_str(), static_cast<uint32_t>(wide->size())));
  m_CmdLine = line;
  const CString logged = CString(u"StartCmdLineParser::m_CmdLine is:") + m_CmdLine;
  Logger::write(Logger::kInfo,
                std::u16string(logged.Get(), static_cast<size_t>(logged.GetLength())), __FILE__,
                __LINE__);
}

void CStartupCLIParser::getCommandLine(CString& out) {
  out = m_CmdLine;
}

void CStartupCLIParser::handleCommandLine() {
  if (m_CmdLine.GetLength() == 0) return;
  if (HandOver handOver = g_handOver.load()) handOver(m_CmdLine, m_fromArguments);
}
