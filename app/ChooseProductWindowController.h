#pragma once

#include <vector>

#include "foundation/CString.h"

class CZorbPlexar;
class CZorbProduct;

// What the window for choosing a host product decides, without the window:
// which products it offers, which one is selected, the location shown, and
// whether a location may be taken. The program itself shows no such window;
// its movie asks the person instead.
class ChooseProductWindowController {
 public:
  // Message about a location that is not part of the chosen product.
  static constexpr unsigned int kMsgNotPartOfInstall = 2015;

  // The engine (borrowed) supplies the products and asks through its UI.
  explicit ChooseProductWindowController(CZorbPlexar* engine);

  // Only products of this family, ignoring case (empty: any family), and
  // the product to select first (by name, ignoring case).
  void setProductFamily(const CString& family) { m_family = family; }
  void setProduct(const CString& name) { m_product = name; }

  // Offers the installed, supported products of the family, in the
  // engine's order; selects the set product, else the first one; shows its
  // folder.
  void reset();
  // The product at that index of the offer becomes the selected one.
  void onProductChange(int index);
  // Asks the person for a folder, starting at the location; a chosen one
  // becomes the location.
  void onChoose();
  // Whether the selected product takes the location; when not, the person
  // is told (message 2015 with the product's name).
  bool onOK();

  const std::vector<CZorbProduct*>& products() const { return m_products; }
  const std::vector<CString>& titles() const { return m_titles; }
  int selected() const { return m_selected; }
  const CString& location() const { return m_location; }
  void setLocation(const CString& location) { m_location = location; }

 private:
  CZorbPlexar* m_engine;
  CString m_family;
  CString m_product;
  std::vector<CZorbProduct*> m_products;
  std::vector<CString> m_titles;
  int m_selected = -1;
  CString m_location;
};
