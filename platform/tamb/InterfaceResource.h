#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/tamb/Window.h"

namespace tamb {

// An interface resource of the application bundle: the objects a window or
// menu bar is made from. A resource "<name>" is the text file
// "<name>.nib" in the bundle's Resources folder; without the file the
// built-in one of that name is used ("TAMBMain": the window "MainWindow"
// with a player view 'Lumn' 0; "menubar": the menu bar "MenuBar").
//
// The text: "[Object]" starts an object; "key = value" lines follow; blank
// lines and lines starting with "#" are skipped. Keys: "kind" (window or
// menubar, required), and for windows "content = <top> <left> <bottom>
// <right>" and "view = <four-character signature> <id>" (repeatable).
class InterfaceResource {
 public:
  struct Object {
    std::string kind;
    Rect content{100, 100, 630, 890};
    std::vector<std::pair<uint32_t, int32_t>> views;
  };

  // Files larger than this are refused.
  static constexpr size_t kMaxBytes = 64u << 10;

  // Opens the resource from the folder (or the built-in one). 0; fnfErr
  // when there is neither a file nor a built-in resource of that name;
  // paramErr when the file can't be read or is malformed.
  static int32_t open(const std::string& resourcesFolder, const std::string& name,
                      std::unique_ptr<InterfaceResource>& out, std::string* error = nullptr);
  // Reads the text of a resource; false, with a reason, when malformed.
  static bool parse(const std::string& text, InterfaceResource& out, std::string* error);

  const Object* find(const std::string& object, const std::string& kind) const;

  // Makes the window of that object, hidden, with its views. 0, or
  // paramErr when the resource has no such window.
  int32_t createWindow(const std::string& object, MainLoop& loop,
                       std::unique_ptr<Window>& out) const;
  // Installs the menu bar of that object. 0, or paramErr when there is
  // none.
  int32_t setMenuBar(const std::string& object) const;

 private:
  std::map<std::string, Object> m_objects;
};

}  // namespace tamb
