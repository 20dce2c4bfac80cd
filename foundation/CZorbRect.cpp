#include "foundation/CZorbRect.h"

CZorbRect::~CZorbRect() = default;

CString CZorbRect::AsString() const {
  CString text;
  text.Format(u"%d,%d,%d,%d", static_cast<int>(m_rect.left), static_cast<int>(m_rect.top),
              static_cast<int>(m_rect.right), static_cast<int>(m_rect.bottom));
  return text;
}
