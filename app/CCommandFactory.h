#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/CBrioCommand.h"

// Knows the commands by the names of the movie's calls and makes a new one
// for every call, so two calls of one name never share a command. A name it
// does not know is the movie's answer to an earlier request.
class CCommandFactory {
 public:
  using Creator = std::function<std::unique_ptr<CBrioCommand>()>;

  // The factory, made on first use with the program's commands.
  static CCommandFactory* getInstance();

  // A new command for a call of that name, or null.
  std::unique_ptr<CBrioCommand> getCommand(const std::string& name) const;
  bool hasCommand(const std::string& name) const;
  // Registers the creator under the name its commands give (replacing an
  // earlier one of that name).
  void registerCommand(const Creator& creator);
  void unregisterCommand(const std::string& name);
  std::vector<std::string> commandNames() const;

 private:
  CCommandFactory();

  mutable std::mutex m_mutex;
  std::map<std::string, Creator> m_creators;
};
