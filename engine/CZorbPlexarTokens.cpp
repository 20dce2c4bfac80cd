// Paths of a description's files.
#include "engine/CZorbPlexar.h"

int CZorbPlexar::LocalizeSource(CZorbPath& source) {
  if (source.GetLength()) {
    source.LocalizePathSeparators();
    source = m_sourceRoot + source;
  }
  return 0;
}
