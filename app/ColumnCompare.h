#pragma once

#include "foundation/CString.h"

class CZorbExtension;
class CZorbPlexar;

// Orders extensions by one column of the extension list: "onoff",
// "extensionname", "version", "type" or "author"; any other column gives
// every extension the empty text.
class ColumnCompare {
 public:
  // The engine (borrowed, may be null) labels the types.
  ColumnCompare(const CZorbPlexar* engine, const CString& column, int ascending);

  // The two column texts compared ignoring case, a against b when
  // ascending, b against a otherwise: negative, zero or positive.
  int operator()(const CZorbExtension* a, const CZorbExtension* b) const;

  // The column's text for one extension.
  CString ColumnText(const CZorbExtension& extension) const;

 private:
  const CZorbPlexar* m_engine;
  CString m_column;
  int m_ascending;
};
