#include "config/CZorbDocumentTypeChange.h"

const char16_t* const CZorbDocumentTypeChange::kRootTag = u"documenttypes";
const char16_t* const CZorbDocumentTypeChange::kEntryTag = u"documenttype";

CZorbDocumentTypeChange::CZorbDocumentTypeChange() = default;

CZorbDocumentTypeChange::~CZorbDocumentTypeChange() = default;
