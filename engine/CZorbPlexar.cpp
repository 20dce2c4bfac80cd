#include "engine/CZorbPlexar.h"

#include <iterator>
#include <utility>

#include "extension/CZorbExtension.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "foundation/MessageText.h"
#include "foundation/StringUtil.h"
#include "messaging/ArborTalkConnector.h"
#include "platform/os/PlatformConfig.h"
#include "products/CZorbCommonProduct.h"
#include "products/CZorbProduct.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

// Extension-type code to the string id of its label.
constexpr std::pair<int, unsigned int> kTypeLabels[] = {
    {0, 4015},  {1, 4002},  {2, 4000},  {3, 4003},  {4, 4007},  {5, 4008},  {6, 4006},  {7, 4005},
    {8, 4009},  {9, 4010},  {10, 4004}, {11, 4011}, {12, 4001}, {13, 4012}, {14, 4013}, {15, 4070},
    {16, 4071}, {17, 4069}, {18, 4068}, {19, 4014}, {20, 4073}, {21, 4074}, {22, 4082}, {23, 4083},
    {24, 4084}, {25, 4085}, {26, 4086}, {27, 4090}, {28, 4091}, {29, 4092}, {30, 4093}, {31, 4094},
    {32, 4107}, {33, 4108}, {34, 4109}, {35, 4119}, {36, 4121}, {37, 4120}, {38, 4122}, {39, 4118},
    {40, 4123}, {41, 4124}, {42, 4125}, {43, 4127}, {44, 4126}, {45, 4128}, {46, 4129}, {47, 4130},
    {48, 4131}, {49, 4137}, {50, 4138}, {51, 4154}, {52, 4155}, {53, 4156}, {54, 4157}, {55, 4159},
    {56, 4160}, {57, 4161}, {58, 4162}, {59, 4163}, {60, 4164}, {61, 4165}, {62, 4166}, {63, 4167},
    {64, 4171},
};
static_assert(std::size(kTypeLabels) == 65);

// A folder without its trailing ":", as a POSIX path (made when missing).
CString posixWithoutColon(const CZorbPath& folder) {
  CString text = folder;
  if (text.GetLength() && text.GetAt(text.GetLength() - 1) == u':')
    text.Delete(text.GetLength() - 1, 1);
  CString posix;
  if (text.GetLength() == 0 || !CZorbOS::convertPath(text, posix)) return CString();
  return posix;
}

}  // namespace

namespace {
CZorbPlexar::OwnProductMaker& ownProductMaker() {
  static CZorbPlexar::OwnProductMaker maker = nullptr;
  return maker;
}
}  // namespace

void CZorbPlexar::SetOwnProductMaker(OwnProductMaker maker) {
  ownProductMaker() = maker;
}

CZorbPlexar::CZorbPlexar(CZorbPlexarUI* ui) : m_pUI(ui) {
  if (OwnProductMaker maker = ownProductMaker()) {
    m_ownedProduct.reset(maker());
    m_ownProduct = m_ownedProduct.get();
  }
}

CZorbPlexar::~CZorbPlexar() {
  ClearLists();
  for (CZorbProduct* product : m_products) delete product;
  m_products.clear();
}

void CZorbPlexar::InitTokens() {
  CZorbOS::InitMultiUserMembers();
  m_systemTokens.SetAt(u"suiteversion", u"WB5");
  m_dollarTokens.SetAt(u"$suiteversion", u"WB5");
  char16_t folder[kZorbMaxPath + 1] = {};
  if (CZorbOS::GetSystemFolder(folder, kZorbMaxPath + 1)) AddStartupToken(u"system", folder);
  folder[0] = 0;
  if (CZorbOS::GetFontsFolder(folder, kZorbMaxPath + 1)) AddStartupToken(u"fonts", folder);
  CZorbPath common;
  const bool haveCommon = CZorbOS::GetCommonAppPath(common);
  if (haveCommon) {
    const CString vesko = common + u":Vesko:";
    AddStartupToken(u"veskocommon", vesko);
    m_serviceFrameworkFolder = vesko + u"WB5ServiceManager:extensions";
  }
  processMediaServiceCoreTokenValue();
  processApplicationSupport();
  CZorbPath path;
  if (CZorbOS::GetCurrentUserLibraryPath(path)) AddStartupToken(u"userlibraryfolder", path);
  if (CZorbOS::GetUserHomePath(path)) AddStartupToken(u"userhomefolder", path);
  if (CZorbOS::GetCurrentUserRoamingDataPath(path)) AddStartupToken(u"userroamingfolder", path);
  if (haveCommon) AddStartupToken(u"resourceroot", common + u":Vesko:Plexar WB5");

  // The data folders stay POSIX paths: product files write them so.
  CZorbPath data;
  if (CZorbOS::GetCurrentUserAppDataPath(data))
    if (const CString posix = posixWithoutColon(data); posix.GetLength())
      m_dollarTokens.SetAt(u"$userdatafolder", posix);
  if (CZorbOS::GetSharedAppDataPath(data))
    if (const CString posix = posixWithoutColon(data); posix.GetLength())
      m_dollarTokens.SetAt(u"$shareddatafolder", posix);
}

void CZorbPlexar::BuildTypeLabels() {
  m_typeLabels.clear();
  for (const auto& [code, id] : kTypeLabels) m_typeLabels.SetAt(code, Message(id));
}

CString CZorbPlexar::Message(unsigned int id) {
  CString text;
  text.LoadString(id);
  return text;
}

CString CZorbPlexar::Message(unsigned int id, const CString& argument) {
  CString format;
  CString text;
  if (format.LoadString(id))
    text.Format(platform::RuntimeFormat(format.Get()),
                ShortenedForMessage(argument, kMessageNameLimit));
  return text;
}

int CZorbPlexar::ShowError(const CString& text) const {
  if (!m_pUI) return CZorbPlexarUI::kAnswerCancel;
  return m_pUI->MessageBox(ShortenedForMessage(text, kMessageLimit).Get(), CZorbPlexarUI::kNotice,
                           true);
}

// ---------------------------------------------------------------------------
// Start-up and the product registry
// ---------------------------------------------------------------------------

namespace {

CZorbPlexar::BuiltInHostMaker& builtInHostMaker() {
  static CZorbPlexar::BuiltInHostMaker maker = nullptr;
  return maker;
}
CZorbPlexar::CommonProductMaker& commonProductMaker() {
  static CZorbPlexar::CommonProductMaker maker = nullptr;
  return maker;
}

bool isBuiltInLine(const CString& specifier) {
  return specifier.Left(5).CompareNoCase(u"lumen") == 0 ||
         specifier.Left(10).CompareNoCase(u"loomwright") == 0 ||
         specifier.Left(7).CompareNoCase(u"emberly") == 0;
}

void debug(const std::u16string& text, int line) {
  Logger::write(Logger::kDebug, text, __FILE__, line);
}

}  // namespace

void CZorbPlexar::SetBuiltInHostMaker(BuiltInHostMaker maker) {
  builtInHostMaker() = maker;
}

void CZorbPlexar::SetCommonProductMaker(CommonProductMaker maker) {
  commonProductMaker() = maker;
}

CZorbProduct* CZorbPlexar::MakeCommonProduct(const CString& specifier, const CString& folder) {
  // The product takes a host's folder in POSIX form; the product files may
  // name it in either.
  CString posix = folder;
  if (folder.GetLength() && folder.GetAt(0) != u'/' && !CZorbOS::convertPath(folder, posix)) {
    debug(u"No POSIX form of the folder " + std::u16string(folder.Get()), __LINE__);
    return nullptr;
  }
  if (posix.GetLength() > 1 && posix.GetAt(posix.GetLength() - 1) == u'/')
    posix.Delete(posix.GetLength() - 1, 1);
  CommonProductMaker maker = commonProductMaker();
  return maker ? maker(specifier, posix) : new CZorbCommonProduct(specifier, posix);
}

void CZorbPlexar::AppendProduct(CZorbProduct* product) {
  if (product) m_products.push_back(product);
}

int CZorbPlexar::Init() {
  InitTokens();
  // The program's own per-user folder: the licence text of an install is
  // written there for the movie to show.
  if (CString folder; derivedProductsFolder(folder)) m_dataFolder = folder;
  if (m_ownProduct) m_ownProduct->Initialize();
  ProcessVornDrivedProducts();
  CZorbProduct::TokenMap system;
  for (const auto& [name, folder] : m_systemTokens)
    system.SetAt(std::u16string(name.Get()), std::u16string(folder.Get()));
  CZorbProduct::SetSystemToken(system);
  RegisterMessagingHosts();
  for (const auto& [key, folder] : m_derivedProducts) AppendProduct(MakeCommonProduct(key, folder));
  MakeBuiltInHosts();
  for (CZorbProduct* product : m_products) {
    product->Initialize();
    CString name;
    product->GetName(name);
    if (!product->IsAKInitializeSuccess() || !product->IsInstalled()) {
      debug(u"Product not set up or not installed: " + std::u16string(name.Get()), __LINE__);
      continue;
    }
    CString folder;
    product->GetExtensionsFolder(folder);
    if (folder.GetLength() && !CZorbOS::DirectoryExists(folder) &&
        !CZorbOS::CreateDirectory(folder, true))
      debug(u"Can not create the extensions folder " + std::u16string(folder.Get()), __LINE__);
    checkWhetherProductNeedImport(product);
  }
  BuildTypeLabels();
  if (m_ownProduct && m_ownProduct->m_pxStorePath.GetLength() &&
      !CZorbOS::DirectoryExists(m_ownProduct->m_pxStorePath)) {
    if (CZorbOS::CreateDirectory(m_ownProduct->m_pxStorePath, true))
      CreatePXStore();
    else
      debug(u"Can not create the extension store " +
                std::u16string(m_ownProduct->m_pxStorePath.Get()),
            __LINE__);
  }
  return 0;
}

void CZorbPlexar::RegisterMessagingHosts() {
  Velt::ArborTalkConnector* connector = Velt::ArborTalkConnector::get();
  const int32_t count = connector ? connector->getNumberOfRegisteredApplications() : 0;
  for (int32_t i = 0; i < count; ++i) {
    const Velt::VtString text = connector->getApplicationSpecifier(i);
    if (text.length() == 0) continue;
    CString specifier;
    StringUtil::convertVTStringToCString(text, specifier);
    CString path;
    generateVornConfigPath(path, text.get());
    if (!m_masterEntry.empty()) {
      const CString folder = m_masterEntry.begin()->second;
      if (isBuiltInLine(specifier))
        m_masteredHosts.SetAt(specifier, folder);
      else
        AppendProduct(MakeCommonProduct(specifier, folder));
      continue;
    }
    if (isBuiltInLine(specifier) || path.GetLength() == 0 || !CZorbOS::FileExists(path)) continue;
    AppendProduct(MakeCommonProduct(specifier, CString()));
  }
}

void CZorbPlexar::MakeBuiltInHosts() {
  BuiltInHostMaker maker = builtInHostMaker();
  if (!maker) return;
  // The marker lies at the machine's root.
  std::u16string root;
  StringUtil::convertStringToWide(platform::PlatformConfig::current().rootFolder(), root);
  CString marker;
  const bool version9 =
      CZorbOS::convertPath(root + u"/wb3.display", marker, false) && CZorbOS::FileExists(marker);
  for (const char16_t* line : {u"loomwright", u"emberly", u"lumen"}) {
    if (version9) AppendProduct(maker(CString(line) + u"-9.0", CString()));
    for (const char16_t* version : {u"-10.0", u"-11.0"}) {
      const CString specifier = CString(line) + version;
      CString folder;
      (void)m_masteredHosts.Lookup(specifier, folder);  // none: an empty folder
      AppendProduct(maker(specifier, folder));
    }
  }
}

bool CZorbPlexar::isPlatformStatified(int platform) const {
  return platform == 0 || platform == 1;
}

bool CZorbPlexar::checkWhetherProductNeedImport(CZorbProduct* product) {
  if (!product || product->m_preferredExtensionFolder.GetLength() == 0) return false;
  product->m_needsMigration = true;
  ++m_importCount;
  return true;
}

bool CZorbPlexar::IsProductInstalled(const char16_t* name) const {
  if (!name) return false;
  for (const CZorbProduct* product : m_products) {
    if (!product->IsInstalled()) continue;
    CString productName;
    product->GetName(productName);
    if (productName.CompareNoCase(name) == 0) return true;
  }
  return false;
}

void CZorbPlexar::LoginAs(const CString& user) {
  for (CZorbProduct* product : m_products) {
    if (!product->IsInstalled()) continue;
    CString folder;
    product->GetInstallFolder(folder);
    product->SetPaths(folder, user);
  }
}

CZorbProduct* CZorbPlexar::FindProduct(const char16_t* first, const char16_t* second,
                                       const char16_t* third, const CString& group,
                                       const CString& productName, bool flagA, bool flagB,
                                       int platform, int option) {
  if (!isPlatformStatified(platform) || !m_pUI) return nullptr;
  const CString kind = first ? first : u"";
  const CString low = second ? second : u"";
  const CString high = third ? third : u"";
  auto supports = [&](CZorbProduct* candidate, const CString& kxiName) {
    CString name;
    candidate->GetName(name);
    return m_pUI->Supports(name, kxiName, low, high, flagA, flagB, option);
  };
  if (kind.GetLength() == 0) {
    for (auto it = m_products.rbegin(); it != m_products.rend(); ++it) {
      CZorbProduct* candidate = *it;
      CString candidateGroup;
      candidate->GetGroupName(candidateGroup);
      if (candidateGroup.CompareNoCase(group.Get()) != 0) continue;
      CString name;
      candidate->GetName(name);
      if (productName.GetLength() && name != productName) continue;
      CString family;
      candidate->GetProductFamily(family);
      if (supports(candidate, family) && candidate->IsInstalled()) return candidate;
    }
  }
  for (auto it = m_products.rbegin(); it != m_products.rend(); ++it)
    if (supports(*it, kind) && (*it)->IsInstalled() && (*it)->IsRunning()) return *it;
  CZorbProduct* fallback = nullptr;
  for (auto it = m_products.rbegin(); it != m_products.rend(); ++it) {
    if (!supports(*it, kind)) continue;
    if ((*it)->IsInstalled()) return *it;
    fallback = *it;
  }
  return fallback;
}

// ---------------------------------------------------------------------------
// Lookups over the registry
// ---------------------------------------------------------------------------

int CZorbPlexar::RemoveExtensionFromAllProducts(CZorbExtension* extension) {
  if (!extension) return 0;
  // Copies: the extension itself may be among those deleted.
  const CZorbPath fileName(CZorbPath(extension->m_path).GetFileName());
  const CZorbVersionNumber version = extension->m_version;
  int count = 0;
  for (const CZorbProduct* product : m_products) {
    if (CZorbExtension* found = GetExtensionByName(product, fileName, version)) {
      RemoveExtension(product, found);
      ++count;
    }
  }
  if (CZorbExtension* found = GetExtensionByName(OwnProduct(), fileName, version))
    RemoveExtension(OwnProduct(), found);
  return count;
}

int CZorbPlexar::CountEnabledProducts(const CZorbExtension* extension) const {
  if (!extension) return 0;
  const CZorbPath fileName(CZorbPath(extension->m_path).GetFileName());
  int count = 0;
  for (const CZorbProduct* product : m_products) {
    const CZorbExtension* found = GetExtensionByName(product, fileName, extension->m_version);
    if (found && found->m_enabled) ++count;
  }
  return count;
}

bool CZorbPlexar::checkIfExtensionHasBeenEnabledOnce(const CZorbExtension* extension) const {
  if (!extension) return false;
  CString name;
  extension->GetName(name);
  if (name.GetLength() == 0) return false;
  for (auto it = m_products.rbegin(); it != m_products.rend(); ++it) {
    const CZorbExtension* found = FindByName(*it, name);
    if (found && found->Compare(*extension) == 0 && found->m_enabled) return true;
  }
  return false;
}

bool CZorbPlexar::IsProductsEqual(const CZorbProduct* a, const CZorbProduct* b) const {
  if (!a || !b) return a == b;
  CString first;
  CString second;
  a->GetName(first);
  b->GetName(second);
  return first == second;
}

bool CZorbPlexar::NeedCreateExtensionPathFile(const CZorbProduct* product,
                                              const CZorbExtension* extension) const {
  return product && extension && product->m_showInstalledFiles && extension->m_showFiles;
}

bool CZorbPlexar::isFileAllowToBeModified(const CString& path, CString& message) const {
  for (const CZorbProduct* product : m_products) {
    if (product->pathIsVornconfigPath(path)) {
      message = Message(kMsgConfigurationFileProtected, path);
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// What token resolution asks of products
// ---------------------------------------------------------------------------

bool CZorbPlexar::ProductToken(const CZorbProduct* product, const CString& name,
                               const CString& destination, const CZorbPath& folder,
                               const CZorbExtension* extension, CString& value,
                               CZorbTypedVector<CString>& roots) {
  CZorbProduct::TokenMap map;
  product->MapTokens(destination, folder, map);
  if ((CString(u"$") + name).CompareNoCase(u"$ExtensionSpecificPXStore") == 0 && extension) {
    CString store;
    getPXStoreFromProductOrPlexo(product, store);
    if (store.GetLength())
      map.SetAt(
          std::u16string(name.Get()),
          std::u16string((store + CZorbPath(extension->m_path).GetFileName() + u".dir").Get()));
  }
  for (const auto& [key, folderValue] : map) roots.push_back(CString(folderValue.c_str()));
  std::u16string found;
  if (!map.Lookup(std::u16string(name.Get()), found)) return false;
  value = found.c_str();
  return true;
}

const CZorbProduct* CZorbPlexar::InstalledProductToken(
    const CString& name, const CString& destination, const CZorbPath& folder,
    const CZorbExtension* extension, CString& value, CZorbTypedVector<CString>& roots) {
  for (auto it = m_products.rbegin(); it != m_products.rend(); ++it) {
    if (!(*it)->IsInstalled()) continue;
    if (ProductToken(*it, name, destination, folder, extension, value, roots)) return *it;
  }
  return nullptr;
}

void CZorbPlexar::MassageProductDestination(const CZorbProduct* product, CZorbPath& destination) {
  CString text = destination;
  product->MassageDestination(text);
  destination = text;
}

void CZorbPlexar::ProductLocaleAndName(const CZorbProduct* product, CString& locale,
                                       CString& name) {
  product->GetProductLocale(locale);
  product->GetName(name);
}
