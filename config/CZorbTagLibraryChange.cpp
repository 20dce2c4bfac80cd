#include "config/CZorbTagLibraryChange.h"

const char16_t* const CZorbTagLibraryChange::kRootTag = u"taglibraries";
const char16_t* const CZorbTagLibraryChange::kEntryTag = u"taglibrary";

CZorbTagLibraryChange::CZorbTagLibraryChange() = default;

CZorbTagLibraryChange::~CZorbTagLibraryChange() = default;
