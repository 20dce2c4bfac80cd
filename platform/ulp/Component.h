#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ulp {

class Script;

// A component file ("Component.ulp" in the folder given to
// UlpPlayerLoadComponent) is a small text of key=value lines; blank lines
// and lines starting with "#" are skipped, and a key may repeat. Its
// "component" key names a registered component, whose factory receives
// every setting in file order and the folder.
inline constexpr const char* kComponentFileName = "Component.ulp";
// Component files larger than this are refused.
inline constexpr size_t kMaxComponentFileBytes = 64 * 1024;

struct ComponentSource {
  std::string folder;  // ends in "/"
  std::vector<std::pair<std::string, std::string>> settings;

  // The last value of the key, or fallback.
  std::string value(const std::string& key, const std::string& fallback = {}) const;
  // Every value of the key, in file order.
  std::vector<std::string> values(const std::string& key) const;
};

// The code a player runs. load() defines the component's classes and may
// ask for later frames; from then on the component runs when the host calls
// into it or its frames come up on the run loop.
class Component {
 public:
  virtual ~Component();
  virtual void load(Script& script) = 0;
};

using ComponentFactory = std::function<std::unique_ptr<Component>(const ComponentSource& source)>;

// Registers (or replaces) a component under a name. Any thread.
void registerComponent(const std::string& name, ComponentFactory factory);
bool isComponentRegistered(const std::string& name);

// Reads a component file; false, with a reason in *error, when it can't be
// read, is too large or holds a line that is not key=value.
bool readComponentFile(const std::string& path, ComponentSource& source, std::string* error);

// Makes the component that the source names; null, with a reason, when it
// names none or an unknown one.
std::unique_ptr<Component> makeComponent(const ComponentSource& source, std::string* error);

}  // namespace ulp
