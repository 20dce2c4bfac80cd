// The host classes the engine knows by name: the built-in lines that
// start-up makes, and the factory by display name.

#include <functional>
#include <memory>

#include "engine/CZorbPlexar.h"
#include "products/CZorbDevTool.h"
#include "products/CZorbEmberly.h"
#include "products/CZorbLoomwrightVersions.h"
#include "products/CZorbLumen.h"
#include "products/CZorbPlexarProduct.h"

namespace {

using Maker = std::function<CZorbProduct*()>;

template <class T>
Maker plain() {
  return [] { return new T(); };
}

template <class T>
Maker withFolder() {
  return [] { return new T(CString()); };
}

// Every host class, newest of a line last; the display name each reports
// is its key, so the table can not drift from the classes.
const std::vector<Maker>& hostClasses() {
  static const std::vector<Maker> classes = {
      plain<CZorbLoomwright3>(),
      plain<CZorbLoomwright4>(),
      plain<CZorbLoomwright6>(),
      plain<CZorbLoomwright7>(),
      plain<CZorbLoomwright8>(),
      plain<CZorbLoomwright9>(),
      withFolder<CZorbLoomwright10>(),
      withFolder<CZorbLoomwright11>(),
      plain<CZorbTesselBuilder1>(),
      plain<CZorbTesselBuilder1_5>(),
      plain<CZorbEmberly3>(),
      plain<CZorbEmberly4>(),
      plain<CZorbEmberly6>(),
      plain<CZorbEmberly7>(),
      plain<CZorbEmberly8>(),
      plain<CZorbEmberly9>(),
      withFolder<CZorbEmberly10>(),
      withFolder<CZorbEmberly11>(),
      plain<CZorbLumen6>(),
      plain<CZorbLumen7>(),
      plain<CZorbLumen8>(),
      plain<CZorbLumen9>(),
      withFolder<CZorbLumen10>(),
      withFolder<CZorbLumen11>(),
      plain<CZorbPlexarProduct>(),
  };
  return classes;
}

}  // namespace

CZorbProduct* CZorbPlexar::CreateProduct(const CString& name, const CString& installFolder) {
  if (name.GetLength() == 0) return nullptr;
  for (const Maker& make : hostClasses()) {
    std::unique_ptr<CZorbProduct> candidate(make());
    CString candidateName;
    candidate->GetName(candidateName);
    if (candidateName.CompareNoCase(name.Get()) != 0) continue;
    candidate->Initialize();
    if (installFolder.GetLength()) candidate->SetPaths(installFolder, CString());
    return candidate.release();
  }
  return nullptr;
}

CZorbProduct* CZorbPlexar::MakeBuiltInHost(const CString& specifier, const CString& folder) {
  struct Line {
    const char16_t* specifier;
    CZorbProduct* (*make)(const CString& folder);
  };
  static const Line lines[] = {
      {u"loomwright-9.0", [](const CString&) -> CZorbProduct* { return new CZorbLoomwright9(); }},
      {u"loomwright-10.0",
       [](const CString& f) -> CZorbProduct* { return new CZorbLoomwright10(f); }},
      {u"loomwright-11.0",
       [](const CString& f) -> CZorbProduct* { return new CZorbLoomwright11(f); }},
      {u"emberly-9.0", [](const CString&) -> CZorbProduct* { return new CZorbEmberly9(); }},
      {u"emberly-10.0", [](const CString& f) -> CZorbProduct* { return new CZorbEmberly10(f); }},
      {u"emberly-11.0", [](const CString& f) -> CZorbProduct* { return new CZorbEmberly11(f); }},
      {u"lumen-9.0", [](const CString&) -> CZorbProduct* { return new CZorbLumen9(); }},
      {u"lumen-10.0", [](const CString& f) -> CZorbProduct* { return new CZorbLumen10(f); }},
      {u"lumen-11.0", [](const CString& f) -> CZorbProduct* { return new CZorbLumen11(f); }},
  };
  for (const Line& line : lines)
    if (specifier.CompareNoCase(line.specifier) == 0) return line.make(folder);
  return nullptr;
}

CZorbProduct* CZorbPlexar::MakeOwnProduct() {
  return new CZorbPlexarProduct();
}
