#include "platform/ulp/Component.h"

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace ulp {

namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, ComponentFactory> factories;
};

Registry& registry() {
  static Registry* r = new Registry;
  return *r;
}

std::string trimmed(const std::string& text) {
  const char* space = " \t\r";
  const size_t first = text.find_first_not_of(space);
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(space);
  return text.substr(first, last - first + 1);
}

}  // namespace

Component::~Component() = default;

std::string ComponentSource::value(const std::string& key, const std::string& fallback) const {
  for (auto it = settings.rbegin(); it != settings.rend(); ++it)
    if (it->first == key) return it->second;
  return fallback;
}

std::vector<std::string> ComponentSource::values(const std::string& key) const {
  std::vector<std::string> found;
  for (const auto& [name, text] : settings)
    if (name == key) found.push_back(text);
  return found;
}

void registerComponent(const std::string& name, ComponentFactory factory) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.factories[name] = std::move(factory);
}

bool isComponentRegistered(const std::string& name) {
  Registry& r = registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.factories.count(name) != 0;
}

bool readComponentFile(const std::string& path, ComponentSource& source, std::string* error) {
  auto refuse = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  std::ifstream in(path, std::ios::binary);
  if (!in) return refuse("can't open " + path);
  std::string text(kMaxComponentFileBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxComponentFileBytes) return refuse("component file too large");
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  std::vector<std::pair<std::string, std::string>> read;
  while (std::getline(lines, line)) {
    ++number;
    const std::string item = trimmed(line);
    if (item.empty() || item[0] == '#') continue;
    const size_t eq = item.find('=');
    if (eq == std::string::npos || eq == 0)
      return refuse("line " + std::to_string(number) + " is not key=value");
    read.emplace_back(trimmed(item.substr(0, eq)), trimmed(item.substr(eq + 1)));
  }
  source.settings = std::move(read);
  return true;
}

std::unique_ptr<Component> makeComponent(const ComponentSource& source, std::string* error) {
  const std::string name = source.value("component");
  if (name.empty()) {
    if (error) *error = "the component file names no component";
    return nullptr;
  }
  ComponentFactory factory;
  {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.factories.find(name);
    if (it != r.factories.end()) factory = it->second;
  }
  if (!factory) {
    if (error) *error = "no component is called " + name;
    return nullptr;
  }
  std::unique_ptr<Component> made = factory(source);
  if (!made && error) *error = "the component " + name + " refused its settings";
  return made;
}

}  // namespace ulp
