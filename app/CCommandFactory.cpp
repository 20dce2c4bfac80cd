#include "app/CCommandFactory.h"

#include "app/CConvertKxiFileToKxiBrioFileCommand.h"
#include "app/CDisableExCommand.h"
#include "app/CEnableExCommand.h"
#include "app/CGetPlexoConfigPath.h"
#include "app/CGetProductsCommand.h"
#include "app/CImportProductCommand.h"
#include "app/CInstallExCommand.h"
#include "app/CLIReadyCommand.h"
#include "app/CPackageCommand.h"
#include "app/CPumpArborTalkMessageCommand.h"
#include "app/CRemoveExCommand.h"
#include "app/GetLastVersionProductsCommand.h"
#include "app/HelpCommand.h"
#include "app/LoadExtensionCommand.h"
#include "app/MigratePreferredExtensionCommand.h"
#include "app/SendAKMessageCommand.h"
#include "app/UpdateCLIErrorMessageCommand.h"

namespace {

template <class Command>
std::unique_ptr<CBrioCommand> make() {
  return std::make_unique<Command>();
}

}  // namespace

CCommandFactory* CCommandFactory::getInstance() {
  static CCommandFactory* instance = new CCommandFactory;
  return instance;
}

CCommandFactory::CCommandFactory() {
  // The movie's calls that become commands; the commands of the engine's
  // operations join this list as they are built.
  registerCommand(&make<CLIReadyCommand>);
  registerCommand(&make<CGetProductsCommand>);
  registerCommand(&make<GetLastVersionProductsCommand>);
  registerCommand(&make<CGetPlexoConfigPath>);
  registerCommand(&make<CRemoveExCommand>);
  registerCommand(&make<CEnableExCommand>);
  registerCommand(&make<CDisableExCommand>);
  registerCommand(&make<CPackageCommand>);
  registerCommand(&make<CConvertKxiFileToKxiBrioFileCommand>);
  registerCommand(&make<CImportProductCommand>);
  registerCommand(&make<MigratePreferredExtensionCommand>);
  registerCommand(&make<LoadExtensionCommand>);
  registerCommand(&make<CPumpArborTalkMessageCommand>);
  registerCommand(&make<SendAKMessageCommand>);
  registerCommand(&make<UpdateCLIErrorMessageCommand>);
  registerCommand(&make<HelpCommand>);
  registerCommand(&make<CInstallExCommand>);
}

std::unique_ptr<CBrioCommand> CCommandFactory::getCommand(const std::string& name) const {
  Creator creator;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_creators.find(name);
    if (it == m_creators.end()) return nullptr;
    creator = it->second;
  }
  return creator();
}

bool CCommandFactory::hasCommand(const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_creators.count(name) != 0;
}

void CCommandFactory::registerCommand(const Creator& creator) {
  const std::unique_ptr<CBrioCommand> probe = creator();
  if (!probe) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_creators[probe->getCommandName()] = creator;
}

void CCommandFactory::unregisterCommand(const std::string& name) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_creators.erase(name);
}

std::vector<std::string> CCommandFactory::commandNames() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<std::string> names;
  for (const auto& [name, creator] : m_creators) names.push_back(name);
  return names;
}
