#include "foundation/CZorbLibrary.h"

#include "platform/os/ColonPath.h"
#include "platform/os/DynamicLibrary.h"
#include "platform/os/Utf.h"

CZorbLibrary::CZorbLibrary() = default;

CZorbLibrary::~CZorbLibrary() {
  Unload();
  m_functions.clear();
}

bool CZorbLibrary::Load() {
  if (m_bundle) return true;
  CString path;
  GetBundlePath(path);
  auto posix = platform::colonToPosix(
      std::u16string_view(path.Get(), static_cast<size_t>(path.GetLength())));
  if (!posix) return false;
  std::string code = platform::bundleExecutablePath(*posix);
  if (code.empty()) return false;
  auto bundle = std::make_unique<platform::DynamicLibrary>();
  if (!bundle->open(code)) return false;
  m_bundle = std::move(bundle);
  if (MapFunctionPointers()) return true;
  Unload();
  return false;
}

bool CZorbLibrary::MapFunctionPointers() {
  if (!m_bundle) return false;
  for (const auto& [name, slot] : m_functions) {
    if (slot == nullptr) return false;
    auto utf8 = platform::utf16ToUtf8(name);
    if (!utf8) return false;
    void* function = m_bundle->symbol(*utf8);
    if (function == nullptr) return false;
    *slot = function;
  }
  return true;
}

void CZorbLibrary::Unload() {
  m_bundle.reset();
}
