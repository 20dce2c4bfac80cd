#include "products/LWArbor10Mock.h"

void LWArbor10Mock::GetValue(const CString&, CString&) const {}

void LWArbor10Mock::GetInstallFolderName(CString& out) {
  out = u"/Applications/Vesko Loomwright Marlin";
}

void LWArbor10Mock::GetExtensionFolderName(CString& out) {
  out = u"Vesko/Loomwright Marlin A0/Configuration/Extensions";
}

void LWArbor10Mock::GetSharedExtensionFolderName(CString& out) {
  out = u"Vesko/Loomwright Marlin A0/en_US/Configuration/Extensions";
}

void LWArbor10Mock::GetUserConfigureFolderName(CString& out) {
  out = u"Vesko/Loomwright Marlin A0/en_US/Configuration";
}

void LWArbor10Mock::GetUserBinFolderName(CString& out) {
  out = u"Vesko/Loomwright Marlin A0/en_US";
}

void LWArbor10Mock::GetAppConfigureFolderName(CString& out) {
  out = u"Configuration";
}

void LWArbor10Mock::GetHelpFolderName(CString& out) {
  out = u"Help";
}
