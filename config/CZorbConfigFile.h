#pragma once

#include "foundation/CZorbXmlFile.h"

// The base of the file models that are not XML (the text files).
class CZorbConfigFile : public CZorbXmlFile {
 public:
  CZorbConfigFile();
  CZorbConfigFile(const CZorbConfigFile& other);
  ~CZorbConfigFile() override;
};
