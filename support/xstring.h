#pragma once

#include <span>
#include <string>

#include "support/attribute_set_t.h"
#include "support/name_t.h"
#include "support/token_range_t.h"

namespace vesko {

// Xstrings: texts in variants, written <xstr id="..." lang="..."
// platform="...">text</xstr>, whose text may hold <marker .../> elements as
// placeholders. A glossary is loaded by parsing text with xml_xstr_store as
// the callback and translated with xml_xstr_lookup; xstring_replace fills the
// markers of a glossary string. The glossary serves one thread at a time.

void xstring_clear_glossary();

// Fill the markers of the glossary string named by id (or by the "id" of
// the first xstr element of xstr) with the content of the supplied markers
// of equal attributes. Among the variants of the id, the one filling most
// markers wins; one with a marker nobody supplies can't be used. Throws
// std::runtime_error when no variant can be used.
std::string xstring_replace(name_t const& id, std::span<std::string const> markers);
std::string xstring_replace(name_t const& id, std::string const& marker);
std::string xstring_replace(std::string const& xstr, std::string const& marker);
std::string xstring_replace(std::string const& xstr, std::span<std::string const> markers);

namespace implementation {

// Parser callbacks. Store: an xstr element's content joins the glossary
// (its bytes must outlive the glossary) and is parsed on. Lookup: an xstr
// element becomes the closest variant in the glossary, or, when none
// agrees, its own content, which is then stored. Both throw
// std::runtime_error for an xstr without an id.
token_range_t xml_xstr_store(token_range_t const& element, token_range_t const& name,
                             attribute_set_t const& attributes, token_range_t const& content);
token_range_t xml_xstr_lookup(token_range_t const& element, token_range_t const& name,
                              attribute_set_t const& attributes, token_range_t const& content);

// True for "xstr" and "marker".
bool xstring_preorder_predicate(token_range_t const& name);

}  // namespace implementation
}  // namespace vesko
