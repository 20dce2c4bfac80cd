#pragma once

// Reads change sets back from the text their BuildXml writes, taking the
// elements and attributes as an extension's description gives them, so that
// a test can check that writing a set and reading it again keeps it whole.

#include <memory>
#include <vector>

#include "config/CZorbConfigChanges.h"
#include "foundation/CString.h"

namespace configtest {

// Every set element of the text (several may stand side by side), in
// order; an empty list when the text does not parse.
std::vector<std::unique_ptr<CZorbConfigChanges>> ReadChangeSets(const CString& text);

// The set's text as BuildXml writes it from level 0.
CString Written(const CZorbXmlObject& node);

}  // namespace configtest
