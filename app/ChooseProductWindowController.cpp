#include "app/ChooseProductWindowController.h"

#include "engine/CZorbPlexar.h"
#include "products/CZorbProduct.h"
#include "transaction/CZorbPlexarUI.h"

ChooseProductWindowController::ChooseProductWindowController(CZorbPlexar* engine)
    : m_engine(engine) {}

void ChooseProductWindowController::reset() {
  m_products.clear();
  m_titles.clear();
  m_selected = -1;
  m_location.Empty();
  if (m_engine == nullptr) return;
  int remembered = -1;
  for (CZorbProduct* product : m_engine->m_products) {
    if (product == nullptr || !product->IsInstalled() || !product->IsSupported()) continue;
    if (m_family.GetLength() > 0) {
      CString family;
      product->GetProductFamily(family);
      if (family.CompareNoCase(m_family.Get()) != 0) continue;
    }
    CString name;
    product->GetName(name);
    if (remembered < 0 && m_product.GetLength() > 0 && name.CompareNoCase(m_product.Get()) == 0)
      remembered = static_cast<int>(m_products.size());
    m_products.push_back(product);
    m_titles.push_back(name);
  }
  if (m_products.empty()) return;
  onProductChange(remembered >= 0 ? remembered : 0);
}

void ChooseProductWindowController::onProductChange(int index) {
  if (index < 0 || index >= static_cast<int>(m_products.size())) return;
  m_selected = index;
  m_products[static_cast<size_t>(index)]->GetApplicationFolder(m_location);
}

void ChooseProductWindowController::onChoose() {
  CZorbPlexarUI* ui = m_engine ? m_engine->GetUI() : nullptr;
  if (ui == nullptr) return;
  CString chosen;
  if (ui->PromptForFolder(CString(), m_location, false, chosen)) m_location = chosen;
}

bool ChooseProductWindowController::onOK() {
  if (m_selected < 0) return false;
  const CZorbProduct* product = m_products[static_cast<size_t>(m_selected)];
  CString root;
  if (product->IsFolderPartOfInstall(m_location, root)) return true;
  CZorbPlexarUI* ui = m_engine ? m_engine->GetUI() : nullptr;
  if (ui != nullptr) {
    CString format;
    CString text;
    if (format.LoadString(kMsgNotPartOfInstall))
      text.Format(platform::RuntimeFormat(format.Get()), m_titles[static_cast<size_t>(m_selected)]);
    ui->MessageBox(text.Get(), CZorbPlexarUI::kNotice, false);
  }
  return false;
}
