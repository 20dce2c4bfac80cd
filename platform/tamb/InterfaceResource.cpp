#include "platform/tamb/InterfaceResource.h"

#include <fstream>
#include <sstream>

#include "platform/os/MacStatus.h"

namespace tamb {

namespace {

std::string trimmed(const std::string& text) {
  const char* space = " \t\r";
  const size_t first = text.find_first_not_of(space);
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(space);
  return text.substr(first, last - first + 1);
}

bool readShort(std::istringstream& in, int16_t& out) {
  long value = 0;
  if (!(in >> value) || value < INT16_MIN || value > INT16_MAX) return false;
  out = static_cast<int16_t>(value);
  return true;
}

const char* builtIn(const std::string& name) {
  if (name == "TAMBMain")
    return "[MainWindow]\n"
           "kind = window\n"
           "content = 100 100 630 890\n"
           "view = Lumn 0\n";
  if (name == "menubar")
    return "[MenuBar]\n"
           "kind = menubar\n";
  return nullptr;
}

}  // namespace

bool InterfaceResource::parse(const std::string& text, InterfaceResource& out, std::string* error) {
  auto refuse = [&](int line, const std::string& why) {
    if (error) *error = "line " + std::to_string(line) + ": " + why;
    return false;
  };
  std::map<std::string, Object> objects;
  Object* current = nullptr;
  std::istringstream lines(text);
  std::string raw;
  int number = 0;
  while (std::getline(lines, raw)) {
    ++number;
    const std::string line = trimmed(raw);
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) return refuse(number, "bad object line");
      const std::string name = trimmed(line.substr(1, line.size() - 2));
      if (name.empty() || objects.count(name)) return refuse(number, "empty or repeated object");
      current = &objects[name];
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos || !current) return refuse(number, "not key = value in an object");
    const std::string key = trimmed(line.substr(0, eq));
    const std::string value = trimmed(line.substr(eq + 1));
    std::istringstream in(value);
    if (key == "kind") {
      if (value != "window" && value != "menubar") return refuse(number, "unknown kind");
      current->kind = value;
    } else if (key == "content") {
      Rect r;
      std::string rest;
      if (!readShort(in, r.top) || !readShort(in, r.left) || !readShort(in, r.bottom) ||
          !readShort(in, r.right) || (in >> rest) || r.bottom <= r.top || r.right <= r.left)
        return refuse(number, "content needs top left bottom right");
      current->content = r;
    } else if (key == "view") {
      std::string signature;
      long id = 0;
      std::string rest;
      if (!(in >> signature >> id) || signature.size() != 4 || (in >> rest) || id < INT32_MIN ||
          id > INT32_MAX)
        return refuse(number, "view needs a four-character signature and an id");
      const char code[5] = {signature[0], signature[1], signature[2], signature[3], '\0'};
      current->views.emplace_back(platform::fourCC(code), static_cast<int32_t>(id));
    } else {
      return refuse(number, "unknown key " + key);
    }
  }
  for (const auto& [name, object] : objects)
    if (object.kind.empty()) return refuse(number, "object " + name + " has no kind");
  out.m_objects = std::move(objects);
  return true;
}

int32_t InterfaceResource::open(const std::string& resourcesFolder, const std::string& name,
                                std::unique_ptr<InterfaceResource>& out, std::string* error) {
  out.reset();
  std::string text;
  std::ifstream file(resourcesFolder + "/" + name + ".nib", std::ios::binary);
  if (file) {
    text.resize(kMaxBytes + 1);
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (file.bad()) {
      if (error) *error = "can't read " + name;
      return platform::paramErr;
    }
    text.resize(static_cast<size_t>(file.gcount()));
    if (text.size() > kMaxBytes) {
      if (error) *error = name + " is too large";
      return platform::paramErr;
    }
  } else if (const char* made = builtIn(name)) {
    text = made;
  } else {
    if (error) *error = "no interface resource " + name;
    return platform::fnfErr;
  }
  auto resource = std::make_unique<InterfaceResource>();
  if (!parse(text, *resource, error)) return platform::paramErr;
  out = std::move(resource);
  return platform::noErr;
}

const InterfaceResource::Object* InterfaceResource::find(const std::string& object,
                                                         const std::string& kind) const {
  const auto it = m_objects.find(object);
  return it != m_objects.end() && it->second.kind == kind ? &it->second : nullptr;
}

int32_t InterfaceResource::createWindow(const std::string& object, MainLoop& loop,
                                        std::unique_ptr<Window>& out) const {
  out.reset();
  const Object* found = find(object, "window");
  if (!found) return platform::paramErr;
  auto window = std::make_unique<Window>(loop, found->content);
  for (const auto& [signature, id] : found->views) window->addView(signature, id);
  out = std::move(window);
  return platform::noErr;
}

int32_t InterfaceResource::setMenuBar(const std::string& object) const {
  return find(object, "menubar") ? platform::noErr : platform::paramErr;
}

}  // namespace tamb
