#include "engine/CZorbPlexar.h"

#include "transaction/CZorbPlexarUI.h"

CZorbPlexar::CZorbPlexar(CZorbPlexarUI* ui) : m_pUI(ui) {}

CZorbPlexar::~CZorbPlexar() = default;

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
