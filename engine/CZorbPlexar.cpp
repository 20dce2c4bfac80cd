#include "engine/CZorbPlexar.h"

#include <iterator>
#include <utility>

#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
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

CZorbPlexar::CZorbPlexar(CZorbPlexarUI* ui) : m_pUI(ui) {}

CZorbPlexar::~CZorbPlexar() {
  ClearLists();
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
  if (format.LoadString(id)) text.Format(platform::RuntimeFormat(format.Get()), argument);
  return text;
}

int CZorbPlexar::ShowError(const CString& text) const {
  if (!m_pUI) return CZorbPlexarUI::kAnswerCancel;
  return m_pUI->MessageBox(text.Get(), CZorbPlexarUI::kNotice, true);
}

// ---------------------------------------------------------------------------
// What token resolution asks of products
// ---------------------------------------------------------------------------

bool CZorbPlexar::ProductToken(const CZorbProduct* /*product*/, const CString& /*name*/,
                               const CString& /*destination*/, const CZorbPath& /*folder*/,
                               const CZorbExtension* /*extension*/, CString& /*value*/,
                               CZorbTypedVector<CString>& /*roots*/) {
  return false;
}

const CZorbProduct* CZorbPlexar::InstalledProductToken(
    const CString& /*name*/, const CString& /*destination*/, const CZorbPath& /*folder*/,
    const CZorbExtension* /*extension*/, CString& /*value*/, CZorbTypedVector<CString>& /*roots*/) {
  return nullptr;
}

void CZorbPlexar::MassageProductDestination(const CZorbProduct* /*product*/,
                                            CZorbPath& /*destination*/) {}

void CZorbPlexar::ProductLocaleAndName(const CZorbProduct* /*product*/, CString& locale,
                                       CString& name) {
  locale.Empty();
  name.Empty();
}
