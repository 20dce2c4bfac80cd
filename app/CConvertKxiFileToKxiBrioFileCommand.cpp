#include "app/CConvertKxiFileToKxiBrioFileCommand.h"

#include <string>

#include "app/CommandText.h"
#include "extension/CZorbExtension.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/Logger.h"

namespace {

constexpr size_t kArguments = 3;

void debug(const std::string& text, int line) {
  Logger::write(Logger::kDebug, text, __FILE__, line);
}

}  // namespace

bool CConvertKxiFileToKxiBrioFileCommand::parseArguments() {
  if (argumentCount() < kArguments) {
    debug("Wrong argument number.", __LINE__);
    return false;
  }
  m_source = commandText(argumentText(1));
  m_destinationFolder = commandText(argumentText(2));
  return true;
}

void CConvertKxiFileToKxiBrioFileCommand::SetResponse(bool ok) {
  sendReply({ok ? "0" : "1"});
}

void CConvertKxiFileToKxiBrioFileCommand::execute() {
  debug("CConvertKxiFileToKxiBrioFileCommand is executed.", __LINE__);
  // A path that does not convert names nothing to read or write: "1".
  CString source;
  if (!CZorbOS::convertPath(std::u16string(m_source.Get()), source, true)) {
    debug("Can not convert.", __LINE__);
    SetResponse(false);
    return;
  }
  CZorbExtension extension;
  if (extension.Load(source, nullptr) != 0) {
    debug("Can not convert.", __LINE__);
    SetResponse(false);
    return;
  }
  CString folder;
  if (!CZorbOS::convertPath(std::u16string(m_destinationFolder.Get()), folder, true) ||
      !CZorbOS::DirectoryExists(folder)) {
    debug("Can not convert.", __LINE__);
    SetResponse(false);
    return;
  }
  CZorbPath output = source;
  const CString name = output.GetFileName();
  if (folder.GetLength() && folder.GetAt(folder.GetLength() - 1) != u':') folder += u":";
  output.SetFolder(folder);
  output.SetFileName(name);
  output.SetExtension(u"kxi_brio");
  extension.m_path = output;
  if (extension.SaveWithoutConfigChangeSection(output) != 0) {
    debug("Can not convert.", __LINE__);
    SetResponse(false);
    return;
  }
  debug("Convert succeeded.", __LINE__);
  SetResponse(true);
}
