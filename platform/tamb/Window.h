#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/tamb/Events.h"
#include "platform/tamb/Player.h"

namespace tamb {

// A rectangle of the screen in the framework's form: four 16-bit values,
// in global coordinates, y growing downwards.
struct Rect {
  int16_t top = 0;
  int16_t left = 0;
  int16_t bottom = 0;
  int16_t right = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Window attributes the program changes.
inline constexpr uint32_t kWindowCloseBoxAttribute = 1u << 0;
inline constexpr uint32_t kWindowCollapseBoxAttribute = 1u << 3;
inline constexpr uint32_t kWindowNoTitleBarAttribute = 1u << 9;
inline constexpr uint32_t kWindowHideOnSuspendAttribute = 1u << 24;

// The zoom parts: back to the size the user gave, and out to the standard
// (maximised) state.
inline constexpr int16_t inZoomIn = 7;
inline constexpr int16_t inZoomOut = 8;

// A view of a window that shows a movie: a player with a control id.
class View final : public EventTarget {
 public:
  View(MainLoop& loop, uint32_t signature, int32_t id)
      : m_signature(signature), m_id(id), m_player(loop) {}

  uint32_t signature() const { return m_signature; }
  int32_t id() const { return m_id; }
  Player& player() { return m_player; }
  bool isVisible() const { return m_visible; }
  void setVisible(bool visible) { m_visible = visible; }

 private:
  uint32_t m_signature;
  int32_t m_id;
  Player m_player;
  bool m_visible = true;
};

// A window without a screen: it keeps its content bounds, its collapsed
// and zoomed states, its visibility and focus, and records every operation
// in order, so tests can see what the program did to it. Main thread only.
class Window final : public EventTarget {
 public:
  // The standard (maximised) content of a window: a screen of 1440 x 900
  // pixels below a menu bar of 22.
  static constexpr Rect kDefaultStandardBounds{22, 0, 900, 1440};

  Window(MainLoop& loop, const Rect& content);

  View& addView(uint32_t signature, int32_t id);
  // The view with that control id, or null.
  View* findView(uint32_t signature, int32_t id);

  // Shows or hides a view of the window.
  void setViewVisible(View& view, bool visible);

  // False once the window is disposed.
  bool getContentBounds(Rect& out) const;
  void setContentBounds(const Rect& content);

  void collapse(bool collapsed);
  bool isCollapsed() const { return m_collapsed; }
  // inZoomOut keeps the current bounds as the user's and takes the
  // standard ones; inZoomIn gives the user's bounds back.
  void zoom(int16_t part);
  bool isInStandardState() const;
  void setStandardBounds(const Rect& content) { m_standard = content; }

  void show();
  void hide();
  bool isVisible() const { return m_visible; }

  void changeAttributes(uint32_t set, uint32_t clear);
  uint32_t attributes() const { return m_attributes; }

  void setUserFocus();
  bool hasUserFocus() const { return m_userFocus; }
  void setKeyboardFocus(View* view);
  View* keyboardFocus() const { return m_keyboardFocus; }

  void dispose();
  bool isDisposed() const { return m_disposed; }

  // "bounds <top> <left> <bottom> <right>", "collapse 1", "zoom 8", "show",
  // "hide", "attributes <set> <clear>", "user-focus", "keyboard-focus
  // <signature> <id>", "dispose", "view-visible 0"..., in order.
  const std::vector<std::string>& operations() const { return m_operations; }
  void clearOperations() { m_operations.clear(); }
  // Records an operation that happens to a view of the window.
  void record(std::string operation) { m_operations.push_back(std::move(operation)); }

 private:
  MainLoop& m_loop;
  Rect m_content;
  Rect m_standard = kDefaultStandardBounds;
  Rect m_userBounds;
  bool m_hasUserBounds = false;
  bool m_collapsed = false;
  bool m_visible = false;
  bool m_userFocus = false;
  bool m_disposed = false;
  uint32_t m_attributes = 0;
  View* m_keyboardFocus = nullptr;
  std::vector<std::unique_ptr<View>> m_views;
  std::vector<std::string> m_operations;
};

}  // namespace tamb
