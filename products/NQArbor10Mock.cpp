#include "products/NQArbor10Mock.h"

void NQArbor10Mock::GetValue(const CString&, CString&) const {}

void NQArbor10Mock::GetInstallFolderName(CString& out) {
  out = u"/Applications/Vesko Loomwright Marlin";
}

void NQArbor10Mock::GetExtensionFolderName(CString& out) {
  out = u"Configuration/en_US/Extensions";
}

void NQArbor10Mock::GetUserConfigureFolderName(CString& out) {
  out = u"Configuration";
}
