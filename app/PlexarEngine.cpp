#include "app/PlexarEngine.h"

#include "products/CZorbProduct.h"

void PlexarEngine::SetDefaultProductLocale(const CString& locale) {
  CZorbProduct::_defaultLocale = locale;
}
