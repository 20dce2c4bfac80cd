#pragma once

#include <cstddef>

#include "foundation/CString.h"
#include "foundation/CZorbGetXMLProxy.h"

// Turns an XML file into key and value pairs, the way the user interface
// answers a request to parse XML. The key prefix "E1.E2.Name" walks from the
// root element E1 through child elements E2 (every match, at each level) and
// takes each child element Name below them: its "key" attribute is the key,
// all the character data inside it, exactly as written, the value. A later
// equal key replaces an earlier one; an element without a key attribute
// gives no pair.
//
// The file is decoded by its byte-order mark, else by the encoding its
// declaration names, else as UTF-8. External entities and DTDs are never
// read.
class CZorbXmlPairs {
 public:
  // The answers, as the user interface gives them.
  enum Answer : int {
    kPairs = 0,          // the elements were found (the pairs may be empty)
    kNoSuchElement = 1,  // the document holds no element at the prefix
    kUnreadable = 2,     // cannot be read, or not well-formed
  };
  using Pairs = CZorbGetXMLProxy::ResultMap;

  CZorbXmlPairs() = delete;

  // text is a POSIX path, or "file://" and one. A folder stands for its
  // ".xml" files (names starting with "." left out), read in name order
  // into one set of pairs: kUnreadable when one of them is, kNoSuchElement
  // when none holds the prefix or there is none. pairs is emptied first.
  static Answer Read(const CString& text, const CString& keyPrefix, Pairs& pairs);
  // The same for a document held in memory, bytes as a file holds them.
  // The pairs found are added to pairs (replacing equal keys); an
  // unreadable document adds none.
  static Answer ReadBytes(const char* bytes, size_t size, const CString& keyPrefix, Pairs& pairs);
};

// The proxy that answers in this process through CZorbXmlPairs.
class CZorbXmlPairsProxy : public CZorbGetXMLProxy {
 public:
  // False only for kUnreadable; kNoSuchElement gives true and no pairs.
  bool getXMLinfoFromBareString(const CString& text, const CString& keyPrefix) override;
};
