#include "products/EZArbor10Mock.h"

void EZArbor10Mock::GetValue(const CString&, CString&) const {}

void EZArbor10Mock::GetInstallFolderName(CString& out) {
  out = u"/Applications/Vesko Emberly WB4";
}

void EZArbor10Mock::GetExtensionFolderName(CString& out) {
  out = u"Configuration/en_US/Extensions";
}

void EZArbor10Mock::GetUserConfigureFolderName(CString& out) {
  out = u"Configuration";
}
