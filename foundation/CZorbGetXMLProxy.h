#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbTypedMap.h"

// The way to have an XML file turned into key and value pairs by whoever
// answers for the user interface (the movie in the program, the in-process
// routine of CZorbXmlPairs elsewhere). The product catalogue and the
// extension model read their XML texts through it.
class CZorbGetXMLProxy {
 public:
  using ResultMap = CZorbTypedMap<CString, CString, CZorbMapCStringLessThan>;

  CZorbGetXMLProxy();
  virtual ~CZorbGetXMLProxy();
  CZorbGetXMLProxy(const CZorbGetXMLProxy&) = delete;
  CZorbGetXMLProxy& operator=(const CZorbGetXMLProxy&) = delete;

  // Empties the results, has the file named by text (a POSIX path, or
  // "file://" and one) read with the dotted key prefix ("E1.E2.Name"), and
  // fills the results with what came back. False when the answer was a
  // refusal (the file cannot be read or is not well-formed); true, with
  // the results possibly empty, otherwise. Blocks until answered.
  virtual bool getXMLinfoFromBareString(const CString& text, const CString& keyPrefix) = 0;

  // The value of a key of the last answer; empty when absent.
  CString getValue(const CString& key) const;
  // The last answer's pairs, in key order.
  const ResultMap& GetResults() const { return m_results; }

  // The one proxy of the process, installed by the program once its user
  // interface is up (null before); not owned.
  static CZorbGetXMLProxy* GetInstance();
  static void SetInstance(CZorbGetXMLProxy* proxy);

 protected:
  ResultMap m_results;
};
