// CZorbLoomwright6::MassageExtension: extensions written for older hosts
// and for the former edition rewritten for the current folder layout.

#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/CZorbInsertbarChangeInsert.h"
#include "config/CZorbInsertbarConfigChanges.h"
#include "config/CZorbMasterConfigChanges.h"
#include "config/CZorbServerConfigChanges.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/ExtensionXml.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbString.h"
#include "products/CZorbLoomwrightVersions.h"

namespace {

constexpr char16_t kConfigurationPart[] = u"/configuration/";
constexpr char16_t kObjectsPart[] = u"/configuration/objects/";
constexpr char16_t kObjectsFolder[] = u":configuration:objects:";
constexpr char16_t kGenericImage[] = u"generic.gif";

// The former edition's server folders, in the order they are tried.
constexpr const char16_t* kServerFolders[] = {u"serverbehaviors", u"datasources", u"serverformats",
                                              u"connections", u"connections/scripts"};

struct Pair {
  const char16_t* from;
  const char16_t* to;
};

constexpr Pair kCategories[] = {
    {u"Common", u"LW_Insertbar_Common"},
    {u"Tools", u"LW_Insertbar_Layout"},
    {u"Text", u"LW_Insertbar_Text"},
    {u"Tables", u"LW_Insertbar_Tables"},
    {u"Frames", u"LW_Insertbar_Frames"},
    {u"Forms", u"LW_Insertbar_Forms"},
    {u"Templates", u"LW_Insertbar_Templates"},
    {u"Characters", u"LW_Insertbar_Characters"},
    {u"Media", u"LW_Insertbar_Media"},
    {u"Head", u"LW_Insertbar_Head"},
    {u"Script", u"LW_Insertbar_Script"},
    {u"ASP", u"LW_Insertbar_ASP"},
    {u"JSP", u"LW_Insertbar_JSP"},
    {u"Server", u"LW_Insertbar_Server"},
    {u"ASP.NET", u"LW_Insertbar_ASPNET"},
};

constexpr Pair kServerModels[] = {
    {u"ASP.NET C#", u"ASP.NET_CSharp"}, {u"ASP.NET VB", u"ASP.NET_VB"},
    {u"ASP VBScript", u"ASP_Vbs"},      {u"ASP JavaScript", u"ASP_Js"},
    {u"PHP MySQL", u"PHP_MySQL"},       {u"Iron Brook", u"Ironbrook"},
};

bool IsFormerEdition(const CZorbExtension& extension) {
  for (const CZorbXmlObject* child : extension.m_products.m_children) {
    const auto* product = dynamic_cast<const CZorbExtensionProduct*>(child);
    if (product && (product->m_primary || product->m_required) &&
        product->m_name.CompareNoCase(u"farstage") == 0)
      return true;
  }
  return false;
}

// Whether word stands at position p of text and ends there with "/" or
// the end of the text.
bool WordAt(const CString& text, int32_t p, const CString& word) {
  if (p < 0 || p + word.GetLength() > text.GetLength()) return false;
  if (text.Mid(p, word.GetLength()) != word) return false;
  const int32_t after = p + word.GetLength();
  return after == text.GetLength() || text.GetAt(after) == u'/';
}

bool StartsAt(const CString& text, int32_t p, const char16_t* word) {
  const CString w(word);
  return p + w.GetLength() <= text.GetLength() && text.Mid(p, w.GetLength()) == w;
}

void AppendCopy(CZorbExtension& extension, const CZorbExtensionFile& file,
                const CString& destination) {
  auto* copy = file.Clone();
  copy->m_destination = destination;
  extension.m_files.m_children.push_back(copy);
}

// The file name of a source, whichever separator it uses.
CString NameOf(const CString& source) {
  CZorbPath path = source;
  path.LocalizePathSeparators();
  return path.GetFileName();
}

// The source up to and with its last dot (the whole source without one).
CString WithoutExtension(const CString& source) {
  const int32_t dot = source.ReverseFind(u'.');
  return dot < 0 ? source : source.Left(dot + 1);
}

// The folder a file is placed in: the destination without its last part
// when that part is the file's own name, else the whole destination; it
// ends with one ":".
CString DestinationFolder(const CZorbExtensionFile& file) {
  CZorbPath destination = file.m_destination;
  destination.LocalizePathSeparators();
  CString folder = destination;
  if (destination.GetFileName().CompareNoCase(NameOf(file.m_source)) == 0)
    folder = destination.GetFolder();
  while (folder.GetLength() > 0 && folder.GetAt(folder.GetLength() - 1) == u':')
    folder = folder.Left(folder.GetLength() - 1);
  folder += u':';
  return folder;
}

// The part of a folder after ":configuration:objects:", or empty.
CString BelowObjects(const CString& folder) {
  const int32_t at = CZorbString(folder).FindNoCase(kObjectsFolder, 0);
  if (at < 0) return CString();
  return folder.Mid(at + CString(kObjectsFolder).GetLength());
}

CString CategoryIdOf(const CString& folderName) {
  for (const Pair& category : kCategories)
    if (folderName.CompareNoCase(category.from) == 0) return category.to;
  CString id = u"LW_Inserbar_";
  id += folderName;
  id.Replace(u':', u'_');
  id.Replace(u' ', u'_');
  return id;
}

CString Backslashed(CString path) {
  path.Replace(u':', u'\\');
  return path;
}

void AddInsertbarChanges(CZorbExtension& extension,
                         const std::vector<const CZorbExtensionFile*>& objects,
                         const std::vector<const CZorbExtensionFile*>& images) {
  if (objects.empty() || images.empty() || extension.HasInsertbarConfigChanges()) return;
  CString extensionName;
  extension.GetName(extensionName);
  std::unique_ptr<CZorbInsertbarChangeInsert> insert;
  std::map<std::u16string, CZorbXmlObject*> categories;
  for (const CZorbExtensionFile* object : objects) {
    const CString base = WithoutExtension(object->m_source);
    const CZorbExtensionFile* image = nullptr;
    for (const CZorbExtensionFile* candidate : images) {
      if (WithoutExtension(candidate->m_source).CompareNoCase(base) == 0) {
        image = candidate;
        break;
      }
    }
    const CString relative = BelowObjects(DestinationFolder(*object));
    CString folderName = relative;
    if (folderName.GetLength() > 0 && folderName.GetAt(folderName.GetLength() - 1) == u':')
      folderName = folderName.Left(folderName.GetLength() - 1);
    const CString categoryId = CategoryIdOf(folderName);

    const CZorbPath buttonFile = relative + NameOf(object->m_source);
    CString imagePath = kGenericImage;
    if (image) imagePath = BelowObjects(DestinationFolder(*image)) + NameOf(image->m_source);
    CString buttonName = NameOf(object->m_source);
    const int32_t dot = buttonName.ReverseFind(u'.');
    if (dot >= 0) buttonName = buttonName.Left(dot);
    CString buttonId = extensionName + CString(u"_") + buttonName;
    buttonId.Replace(u' ', u'_');

    if (!insert) insert = std::make_unique<CZorbInsertbarChangeInsert>();
    CZorbXmlObject*& category = categories[std::u16string(categoryId.Get())];
    if (category == nullptr) {
      category = new CZorbXmlObject(u"category");
      category->SetAttribute(u"name", buttonName);
      category->SetAttribute(u"id", categoryId);
      category->SetAttribute(u"folder", folderName);
      insert->m_children.push_back(category);
    }
    auto* button = new CZorbXmlObject(u"button");
    button->SetAttribute(u"id", buttonId);
    button->SetAttribute(u"name", buttonName);
    button->SetAttribute(u"image", Backslashed(imagePath));
    button->SetAttribute(u"file", Backslashed(buttonFile));
    category->m_children.push_back(button);
  }
  if (!insert) return;
  auto* set = new CZorbInsertbarConfigChanges();
  set->m_children.push_back(insert.release());
  if (extension.GetMasterConfigChanges() == nullptr)
    extension.m_configChanges.push_back(new CZorbMasterConfigChanges());
  extension.m_configChanges.push_back(set);
}

void ConvertServerSets(CZorbExtension& extension) {
  std::vector<CZorbConfigChanges*> copies;
  for (CZorbConfigChanges* changes : extension.m_configChanges) {
    auto* server = dynamic_cast<CZorbServerConfigChanges*>(changes);
    if (server == nullptr) continue;
    const CString model = server->m_serverModelFolder;
    if (model.CompareNoCase(u"asp") != 0) {
      for (const Pair& entry : kServerModels)
        if (model.CompareNoCase(entry.from) == 0) server->SetServerModelFolder(entry.to);
      continue;
    }
    std::unique_ptr<CZorbXmlObject> clone(server->Clone());
    auto* copy = dynamic_cast<CZorbServerConfigChanges*>(clone.get());
    if (copy == nullptr) continue;  // not copied: the set keeps its folder
    clone.release();
    server->SetServerModelFolder(u"ASP_Vbs");
    copy->SetServerModelFolder(u"ASP_Js");
    copies.push_back(copy);
  }
  for (CZorbConfigChanges* copy : copies) extension.m_configChanges.push_back(copy);
}

}  // namespace

void CZorbLoomwright6::MassageExtension(CZorbExtension* extension, bool serverFolderFlag) {
  if (extension == nullptr) return;
  const bool former = IsFormerEdition(*extension);
  std::vector<const CZorbExtensionFile*> objects;
  std::vector<const CZorbExtensionFile*> images;

  // Copies appended on the way are visited too (a list keeps its
  // iterators while it grows).
  auto& files = extension->m_files.m_children;
  for (auto it = files.begin(); it != files.end(); ++it) {
    auto* file = dynamic_cast<CZorbExtensionFile*>(*it);
    if (file == nullptr) continue;
    if (file->m_platform != extcode::kPlatformNone && file->m_platform != extcode::kPlatformMac)
      continue;
    CString work = file->m_destination;
    work.MakeLower();
    work.Replace(u':', u'/');
    work.Replace(u'\\', u'/');
    if (work.GetLength() == 0 || work.GetAt(work.GetLength() - 1) != u'/') work += u'/';
    const int32_t at = work.Find(kConfigurationPart);
    if (at < 0) continue;
    int32_t p = at + CString(kConfigurationPart).GetLength();
    const CString destination = file->m_destination;

    if (WordAt(work, p, u"reference")) {
      file->m_destination = destination.Left(p) + CString(u"Content:") + destination.Mid(p);
    } else if (former) {
      const char16_t* folder = nullptr;
      for (const char16_t* candidate : kServerFolders) {
        if (StartsAt(work, p, candidate)) {
          folder = candidate;
          break;
        }
      }
      if (folder == nullptr) continue;
      p += CString(folder).GetLength();
      if (p >= work.GetLength() || work.GetAt(p) != u'/') continue;
      ++p;
      if (WordAt(work, p, u"asp")) {
        AppendCopy(*extension, *file,
                   destination.Left(p) + CString(u"ASP_Vbs") + destination.Mid(p + 3));
        AppendCopy(*extension, *file,
                   destination.Left(p) + CString(u"ASP_Js") + destination.Mid(p + 3));
      } else if (serverFolderFlag && WordAt(work, p, u"ironbrook")) {
        AppendCopy(*extension, *file,
                   destination.Left(p) + CString(u"RQ4-Ironbrook") + destination.Mid(p + 9));
      }
    }

    if (work.Find(kObjectsPart) >= 0) {
      const CString extensionOfSource = CZorbPath(NameOf(file->m_source)).GetExtension();
      if (extensionOfSource.Left(3).CompareNoCase(u"htm") == 0) {
        objects.push_back(file);
      } else if (extensionOfSource.CompareNoCase(u"gif") == 0 ||
                 extensionOfSource.CompareNoCase(u"png") == 0) {
        images.push_back(file);
      }
    }
  }

  AddInsertbarChanges(*extension, objects, images);
  if (former) ConvertServerSets(*extension);
}
