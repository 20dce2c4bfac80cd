#include "config/CZorbHelpBookChange.h"

const char16_t* const CZorbHelpBookChange::kRootTag = u"help-books";
const char16_t* const CZorbHelpBookChange::kEntryTag = u"book-id";

CZorbHelpBookChange::CZorbHelpBookChange() = default;

CZorbHelpBookChange::~CZorbHelpBookChange() = default;
