#include "config/CZorbConfigFile.h"

CZorbConfigFile::CZorbConfigFile() = default;

CZorbConfigFile::CZorbConfigFile(const CZorbConfigFile& other) : CZorbXmlFile(other) {}

CZorbConfigFile::~CZorbConfigFile() = default;
