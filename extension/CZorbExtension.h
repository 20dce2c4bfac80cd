#pragma once

#include <cstdint>
#include <string>

#include "config/CZorbExtensionButton.h"
#include "config/CZorbExtensionMenuBase.h"
#include "extension/CZorbExtensionFiles.h"
#include "extension/CZorbExtensionProducts.h"
#include "extension/CZorbExtensionSignInfos.h"
#include "extension/CZorbExtensionTokens.h"
#include "extension/CZorbExtensionUpdateInfo.h"
#include "foundation/CString.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"
#include "foundation/CZorbTypedMap.h"
#include "foundation/CZorbTypedVector.h"
#include "foundation/CZorbVersionNumber.h"
#include "foundation/CZorbXmlFile.h"

class CZorbConfigChanges;
class CZorbExtensionProduct;
class CZorbHelpChanges;
class CZorbMasterConfigChanges;
class CZorbPlexarUI;
class CZorbProduct;

// One extension as its description (KXI file) describes it: identity,
// versions, display texts and their resource ids, flags, tokens, files,
// supported products, update and signature information, and the change
// sets it applies to a host's configuration and help files.
//
// The extension owns its description children and every change set in its
// two change-set vectors. Copies are deep.
class CZorbExtension : public CZorbXmlFile {
 public:
  using TextMap = CZorbTypedMap<CString, CString, CZorbMapCStringLessThan>;

  // What GetPrimaryProduct asks of a host product.
  struct ProductNames {
    CString name;       // GetName
    CString groupName;  // GetGroupName
    CString family;     // GetProductFamily
  };
  // Reads them; false when it cannot. The product classes live above this
  // library, which therefore cannot call them: the product library
  // installs the reader.
  using ProductNamesReader = bool (*)(const CZorbProduct* product, ProductNames& names);
  static void SetProductNamesReader(ProductNamesReader reader);

  // Prefix of the resource table's keys.
  static constexpr char16_t kResourceKeyPrefix[] = u"DefaultSet.";
  // Key prefix of a resource file's texts.
  static constexpr char16_t kResourceDataPrefix[] = u"Resources.Data";

  CZorbExtension();
  // Starts empty, then assigns.
  CZorbExtension(const CZorbExtension& other);
  // A deep copy. The target's old change sets are deleted; the registries
  // of a load (menuMap, m_buttonMap) are emptied, never copied.
  CZorbExtension& operator=(const CZorbExtension& other);
  // Deletes every change set held.
  ~CZorbExtension() override;

  CZorbExtension* Clone() const override;
  // "quillory-extension".
  void GetTag(CString& tag) const override;

  using CZorbXmlObject::Save;
  // Writes the description in UTF-8 to path, or to the own path when path
  // is null or empty, then gives the file at the own path the type 'TEXT'
  // and the creator 'QqXm'. The encoding is restored. 0 or -1.
  int Save(const char16_t* path) override;
  // LoadWithLoadResourceFlagAndCheck(path, true, null, messages).
  int Load(const char16_t* path, CZorbTypedList<CZorbString>* messages) override;
  // Reads and checks the description at path (a colon path). 0 when it was
  // read, even with invalid values (the first error found goes to errors,
  // every unknown attribute to warnings; either list may be null); -1 when
  // the file cannot be read, -2 without the root element, -3 for a line
  // holding "/ >", -5 for a file entry whose source or destination holds
  // "..". A document that breaks off before its root element closes is
  // read as far as it goes and adds an error naming the line and column.
  virtual int LoadWithLoadResourceFlagAndCheck(const char16_t* path, bool loadResources,
                                               CZorbTypedList<CZorbString>* errors,
                                               CZorbTypedList<CZorbString>* warnings);

  // The description's XML with both change sections.
  void BuildXml(int level, CString& out) const override;
  // Appends the description's XML to text at level; the configuration
  // change sets only with withChanges (the help sets always).
  void DoBuildXml(int level, CString& text, bool withChanges) const;
  // One text element (description, ui-access, license-agreement and their
  // localize forms): its text in a CDATA section, a carriage return after
  // each "<br>".
  void OutputText(const CString& text, const char16_t* tag, const CString& indent,
                  const CString& resid, CString& out) const;
  // Writes the description without its configuration changes in UTF-8 to
  // path, or to the own path when path is null or empty, then gives the
  // own path the type 'TEXT' and the creator 'QqXm'. DoSave's result.
  int SaveWithoutConfigChangeSection(const char16_t* path);
  // Writes that copy, with the package type and the given enabled-for-
  // enable-all flag, into folder under the description's file name. The
  // extension is left as it was. The save's result.
  int createZIRForEnableALL(const CZorbPath& folder, bool enabledForAll);

  // Name to definition of every token that has both; true when one was put.
  bool GetUserDefinedTokens(
      CZorbTypedMap<std::u16string, std::u16string, CZorbMapStringLessThan>& tokens) const;
  // Whether the description lists files for the locale (ignoring case); an
  // empty locale always has them.
  bool filesExistForLocale(const CString& locale) const;
  // The encoding the description's XML declaration names; false when it has
  // no declaration or names none the program knows.
  bool GetDeclaredEncoding(uint32_t& encoding) const;
  // For a multilingual extension, copies and maps its resource bundle; then
  // gives every menu and button read its resource text.
  void updateResourceFile(const CString& path);
  // Each registered menu or menu item with a resid:name gets the resource
  // text of that id as its shown name, each button with a resid:label its
  // label; an id without a text leaves the node as it is.
  void getResourceValueForMenuAndButton();

  void SetVersion(const char16_t* text);
  void SetPlexoVersion(const char16_t* text);
  void SetKXIVersion(const char16_t* text);

  // The texts shown for the extension: from the resource table when the
  // extension is multilingual (falling back to the stored text), else the
  // stored text. Each returns out.
  CString& GetName(CString& out) const;
  CString& GetDesc(CString& out) const;
  CString& GetUIAccess(CString& out) const;
  CString& GetLicenseAgreement(CString& out) const;
  CString& GetAuthorName(CString& out) const;
  // The resource text of the matching resource id when there is a
  // non-empty one, else the stored text. Each returns out.
  CString& getDisplayName(CString& out) const;
  CString& getDisplayDescription(CString& out) const;
  CString& getDisplayUiAccess(CString& out) const;
  CString& getDisplayLicense(CString& out) const;
  CString& getDisplayAuthorName(CString& out) const;
  // The resource text of "DefaultSet." + resid (exact key); false, with out
  // unchanged, when there is none or it is empty.
  bool getStringValueByResID(const CString& resid, CString& out) const;

  // By display name (case-sensitive, UTF-16 units), then by version:
  // negative, 0 or positive.
  int Compare(const CZorbExtension& other) const;

  // The product element to treat as primary. Without a product, the first
  // one marked primary. With one, the first element marked primary that
  // names the product (by its name, or by its family name matching the
  // product's group) on no platform or the Mac, and that the user
  // interface says the product supports. Other nodes among the product
  // elements are passed over. Null when none qualifies, and when a product
  // is given but its names or the user interface are not at hand.
  CZorbExtensionProduct* GetPrimaryProduct(CZorbPlexarUI* ui, const CZorbProduct* product) const;
  // The same with the product's names given (null: no product).
  CZorbExtensionProduct* GetPrimaryProductFor(CZorbPlexarUI* ui, const ProductNames* names) const;

  // A change set of the menus file, respectively of the insert bar.
  bool HasMenuChanges() const;
  bool HasInsertbarConfigChanges() const;
  // The first change set of the menus file, or null.
  CZorbMasterConfigChanges* GetMasterConfigChanges() const;
  // A token that asks the user (its prompt is not empty).
  bool HasUserDefinedTokens() const;
  // Empties both change-set vectors; whoever took the sets owns them now.
  void RemoveAllConfigChanges();

  // Appends a signature result to the signatures element.
  void addSignInfo(const CString& name, bool isSigned, const CString& certificateType,
                   const CString& publisher, const CString& extensionType);
  // Deletes every signature result.
  void clearSigInfoEntry();

  // Display texts as read: trimmed; "&amp;", "&apos;", "+&lt;" and "+&gt;"
  // given back; runs of blanks and of empty lines halved; every line end
  // (CR LF, CR or LF, together with a "<br>" before it) one "<br>".
  static void CleanUpText(CString& text);
  // Escapes what descriptions write bare: "&", "<%", "%>", "+<", "+>", "'".
  static void ConvertBadXml(CString& text);
  // The same for length units of text, appended to out.
  static void AppendBadXmlEscaped(const char16_t* text, size_t length, std::u16string& out);
  // One unit of such a text, between the units before and after it (0 at
  // either end); true when it was escaped.
  static bool AppendBadXmlUnit(char16_t before, char16_t unit, char16_t after, std::u16string& out);
  // Gives those back: "&amp;", "&lt;%", "%&gt;", "+&lt;", "+&gt;", "&apos;".
  static void RevertBadXml(CString& text);

  // Copies the resource folder beside the description (its path followed
  // by "_Resources") into "Vesko:Plexar WB5" of the folder for data shared
  // by all users, when there is one.
  void GenerateResourceBundle(const CString& kxiPath);
  // Has that copy read through the XML proxy ("Resources.Data") and puts
  // every pair into the resource table, replacing equal keys. Nothing
  // happens without the copy, its POSIX path or a proxy.
  void mapResourceID(const CString& kxiPath);

  CZorbVersionNumber m_plexoVersion;  // vornversion
  CZorbVersionNumber m_kxiVersion;    // kxiversion
  CString m_id;
  CString m_name;
  CString m_nameResId;
  CString m_icon;
  CZorbVersionNumber m_version;
  CString m_description;
  CString m_descriptionResId;
  // href and source of the description element.
  CString m_descriptionHref;
  CString m_descriptionSource;
  CString m_uiAccess;
  CString m_uiAccessResId;
  CString m_licenseAgreement;
  CString m_licenseResId;
  CString m_defaultLanguage;
  // 0 to 64 by the type attribute.
  int32_t m_type = 0;
  // Union of the file types of all file entries.
  int32_t m_fileTypes = 0;
  // The type attribute as written.
  CString m_typeText;
  bool m_requiresRestart = false;
  CString m_authorName;
  CString m_authorResId;
  // Where the description was read from; Save's default target.
  CString m_path;
  bool m_enabled = false;
  // Found in a product's shared, all-users extensions folder.
  bool m_allUsers = false;
  bool m_severalPrimaryProducts = false;
  // The file was written in the Windows character set.
  bool m_windowsCharset = false;
  CZorbExtensionTokens m_tokens;
  CZorbExtensionFiles m_files;
  CZorbExtensionProducts m_products;
  CZorbExtensionUpdateInfo m_updateInfo;
  CZorbExtensionSignInfos m_signInfos;
  // Owned; one set per host configuration file.
  CZorbTypedVector<CZorbConfigChanges*> m_configChanges;
  // Owned.
  CZorbTypedVector<CZorbHelpChanges*> m_helpChanges;
  bool m_forceCheck = false;
  bool m_defaultLanguageGiven = false;
  // The description has files for its default language.
  bool m_filesForDefaultLanguage = false;
  bool m_multilingual = false;
  // Resource texts of a multilingual extension, keyed "DefaultSet." + id.
  TextMap m_resources;
  // The languages the description has files for (values empty).
  TextMap m_localesWithFiles;
  // Menus and buttons whose labels wait for resource texts while a
  // description is read; not owned.
  CZorbTypedList<CZorbExtensionMenuBase*> menuMap;
  CZorbTypedList<CZorbExtensionButton*> m_buttonMap;
  // Write the pkgtype attribute.
  bool m_writePackageType = false;
  // CZorbPackageUtility's package type.
  int32_t m_packageType = 2;
  bool m_forceQuit = false;
  bool m_locked = false;
  bool m_showFiles = true;
  // 0 all users, 1 current user, 2 not given.
  int32_t m_pluginManagerType = 2;
  bool m_enabledForEnableAll = true;
  CZorbDateTime m_timeStamp;
  // Where a product with a per-user store keeps the extension: 0 the user
  // who installs it, 2 every user. The install time is stamped into the
  // per-user copy only while m_installTimeSet holds.
  int32_t m_installLevel = 0;
  CZorbDateTime m_installTime;
  bool m_installTimeSet = false;

 private:
  // The checks after a description was parsed; 0 or -5.
  int Check(CZorbTypedList<CZorbString>* errors);
  // The root's start tag and every element below it but the change sections.
  void BuildDescription(int level, CString& out) const;
};
