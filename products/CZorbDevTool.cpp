#include "products/CZorbDevTool.h"

CZorbTesselBuilder1::CZorbTesselBuilder1() {
  m_name = u"Tessel Builder";
}
uint32_t CZorbTesselBuilder1::GetAppSignature() const {
  return kSignature;
}
uint32_t CZorbTesselBuilder1::GetAppSignatureVersion() const {
  return 1;
}
void CZorbTesselBuilder1::GetVersionAsString(CString& out) const {
  out = u"1.0";
}
// Both releases ship in the same package.
void CZorbTesselBuilder1::GetExecutablePackageName(CString& out) const {
  out = u"TesselBuilder_1_5";
}
void CZorbTesselBuilder1::GetExecutableFileName(CString& out) const {
  out = u"TesselBuilder_1";
}
void CZorbTesselBuilder1::GetDebugExecutableFileName(CString& out) const {
  out = u"Tessel BuilderD";
}
bool CZorbTesselBuilder1::SupportsMultiUser() const {
  return true;
}
bool CZorbTesselBuilder1::SupportsMultiUserAdmin() const {
  return true;
}

CZorbTesselBuilder1_5::CZorbTesselBuilder1_5() {
  m_name = u"Tessel Builder 1.5";
}
void CZorbTesselBuilder1_5::GetVersionAsString(CString& out) const {
  out = u"1.5";
}
void CZorbTesselBuilder1_5::GetExecutableFileName(CString& out) const {
  out = u"Tessel Builder";
}
