#pragma once

#include "config/CZorbConfigChange.h"
#include "foundation/CString.h"

class CZorbTextConfigFile;

// A change to the host's source-format file: tag lines in sections, the
// element tags after "<?elements>", the attribute tags after
// "<?attributes>" up to "<?end>". Each tag line is "<", the name, its
// options and ">".
class CZorbSourceFormatChange : public CZorbConfigChange {
 public:
  // Results of the tag edits, mapped by each change to its own codes.
  enum TagResult : int32_t {
    kTagDone = 0,
    kTagNoFile = 11,
    kTagNoName = 13,
    kTagNoSection = 18,
    kTagNotAlone = 21
  };

  CZorbSourceFormatChange();
  ~CZorbSourceFormatChange() override;

  // The tag line of an insert ("<name options>", and a carriage return
  // when withLineEnd); the base gives the empty text.
  virtual void CreateTag(CString& tag, bool withLineEnd) const;
  // The name of the tag the change is about; the base gives the empty text.
  virtual void GetTagName(CString& name) const;

 protected:
  // The section of element tags, then of attribute tags.
  static const char16_t* const kElementsMarker;
  static const char16_t* const kAttributesMarker;
  static const char16_t* const kEndMarker;

  // Removes the tag with the name from the section between the two
  // markers, with its line end (and its whole line when it stands alone);
  // 0 also when there is none, 21 when something follows it on its line or
  // it does not close there.
  static int32_t RemoveTag(CZorbXmlFile* file, const CString& name, const char16_t* open,
                           const char16_t* close);
  // Replaces (or adds) the tag line, in the sorted place of its name.
  int32_t InsertTag(CZorbXmlFile* file, const char16_t* open, const char16_t* close) const;
  // Turns a tag-edit result into the change's code.
  static ErrorCode MapResult(int32_t result, ErrorCode noName, ErrorCode noSection);
  // The change's element: its tag, name (always), the options already
  // formatted, then its locale.
  void BuildNamedXml(const CString& options, int level, CString& out) const;
};
