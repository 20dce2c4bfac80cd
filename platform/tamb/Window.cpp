#include "platform/tamb/Window.h"

namespace tamb {

namespace {

std::string text(const Rect& r) {
  return std::to_string(r.top) + " " + std::to_string(r.left) + " " + std::to_string(r.bottom) +
         " " + std::to_string(r.right);
}

}  // namespace

Window::Window(MainLoop& loop, const Rect& content) : m_loop(loop), m_content(content) {}

View& Window::addView(uint32_t signature, int32_t id) {
  m_views.push_back(std::make_unique<View>(m_loop, signature, id));
  return *m_views.back();
}

View* Window::findView(uint32_t signature, int32_t id) {
  for (const auto& view : m_views)
    if (view->signature() == signature && view->id() == id) return view.get();
  return nullptr;
}

void Window::setViewVisible(View& view, bool visible) {
  if (m_disposed) return;
  view.setVisible(visible);
  record(std::string("view-visible ") + (visible ? "1" : "0"));
}

bool Window::getContentBounds(Rect& out) const {
  if (m_disposed) return false;
  out = m_content;
  return true;
}

void Window::setContentBounds(const Rect& content) {
  if (m_disposed) return;
  m_content = content;
  record("bounds " + text(content));
}

void Window::collapse(bool collapsed) {
  if (m_disposed) return;
  m_collapsed = collapsed;
  record(collapsed ? "collapse 1" : "collapse 0");
}

void Window::zoom(int16_t part) {
  if (m_disposed) return;
  if (part == inZoomOut) {
    if (!isInStandardState()) {
      m_userBounds = m_content;
      m_hasUserBounds = true;
    }
    m_content = m_standard;
  } else if (part == inZoomIn && m_hasUserBounds) {
    m_content = m_userBounds;
  }
  record("zoom " + std::to_string(part));
}

bool Window::isInStandardState() const {
  return m_content == m_standard;
}

void Window::show() {
  if (m_disposed) return;
  m_visible = true;
  record("show");
}

void Window::hide() {
  if (m_disposed) return;
  m_visible = false;
  record("hide");
}

void Window::changeAttributes(uint32_t set, uint32_t clear) {
  if (m_disposed) return;
  m_attributes = (m_attributes | set) & ~clear;
  record("attributes " + std::to_string(set) + " " + std::to_string(clear));
}

void Window::setUserFocus() {
  if (m_disposed) return;
  m_userFocus = true;
  record("user-focus");
}

void Window::setKeyboardFocus(View* view) {
  if (m_disposed) return;
  m_keyboardFocus = view;
  record(view ? "keyboard-focus " + std::to_string(view->signature()) + " " +
                    std::to_string(view->id())
              : std::string("keyboard-focus none"));
}

void Window::dispose() {
  if (m_disposed) return;
  m_disposed = true;
  m_visible = false;
  m_userFocus = false;
  m_keyboardFocus = nullptr;
  record("dispose");
}

}  // namespace tamb
