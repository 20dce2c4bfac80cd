#pragma once

#include "foundation/CRect.h"
#include "foundation/CString.h"

// A rectangle with its text form; all edges 0 when new.
class CZorbRect {
 public:
  CZorbRect() = default;
  CZorbRect(const CRect& rect) : m_rect(rect) {}
  virtual ~CZorbRect();

  // "left,top,right,bottom".
  CString AsString() const;

  CRect& GetRect() { return m_rect; }
  const CRect& GetRect() const { return m_rect; }
  void SetRect(const CRect& rect) { m_rect = rect; }

 private:
  CRect m_rect;
};
