// The record of what an install wrote into a product, kept in the store
// beside the description copy, so that a removal deletes only that.
//
// UTF-8 text, one item a line: "F " and a file's colon path, or "D " and
// a folder's; "C " and a folder the person chose for a token; "R <saved
// name> " and a host file the install replaced, whose copy lies under that
// name in the replaced folder beside the record; "S <size>
// <seconds> <nanoseconds> " and a path for how a file looked when the
// install left it. "%", CR and LF in a path are written
// "%25", "%0D", "%0A". Readers pass over kinds they do not know.
#include <string>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "foundation/CZorbFile.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/CZorbXmlFile.h"
#include "foundation/Logger.h"
#include "products/CZorbProduct.h"
#include "transaction/CZorbExtensionInstallStep.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

namespace {

constexpr char16_t kHeader[] = u"PlexarInstallRecord 1";
// More lines than this are not a record of ours.
constexpr size_t kMaxItems = 1000000;

void Escape(const CString& path, CString& out) {
  for (int32_t i = 0; i < path.GetLength(); ++i) {
    const char16_t unit = path.GetAt(i);
    if (unit == u'%')
      out += u"%25";
    else if (unit == u'\r')
      out += u"%0D";
    else if (unit == u'\n')
      out += u"%0A";
    else
      out += unit;
  }
}

bool Unescape(const CString& text, int32_t from, CString& out) {
  out.Empty();
  for (int32_t i = from; i < text.GetLength(); ++i) {
    const char16_t unit = text.GetAt(i);
    if (unit != u'%') {
      out += unit;
      continue;
    }
    if (i + 2 >= text.GetLength()) return false;
    const CString code = text.Mid(i + 1, 2);
    if (code == u"25")
      out += u'%';
    else if (code == u"0D")
      out += u'\r';
    else if (code == u"0A")
      out += u'\n';
    else
      return false;
    i += 2;
  }
  return out.GetLength() > 0;
}

// Writes a text file in place; Undo gives back what stood there (or
// nothing), Release drops the copy kept for that.
class WriteRecordStep : public CZorbExtensionInstallStep {
 public:
  WriteRecordStep(const CString& path, const CString& text) : m_path(path), m_text(text) {}
  int Do() override {
    if (!m_saved) {
      const Kind kind = KindOf(m_path);
      if (kind == Kind::kFile) {
        if (!BackUpFile(u"rec", m_path, m_backup)) return -1;
      } else if (kind != Kind::kNothing) {
        return -1;
      }
      m_saved = true;
    }
    m_written = true;
    return CZorbXmlFile::WriteDocument(m_path, m_text, CZorbUnicodeConverter::kUTF8, false) == 0
               ? 0
               : -1;
  }
  int Undo() override {
    if (!m_written) return 0;
    if (m_backup.GetLength() > 0) return RestoreFile(m_backup, m_path) ? 0 : -1;
    return DiscardFile(m_path) ? 0 : -1;
  }
  void Release() override {
    if (m_backup.GetLength() > 0) DiscardFile(m_backup);
    m_backup.Empty();
  }
  bool GetRestoreInfo(CString& item, CString& backup) const override {
    if (m_backup.GetLength() == 0) return false;
    item = m_path;
    backup = m_backup;
    return true;
  }

 private:
  CString m_path;
  CString m_text;
  CString m_backup;
  bool m_saved = false;
  bool m_written = false;
};

// "<size> <seconds> <nanoseconds> <path>" after the kind; false when
// malformed.
bool ParseStamp(const CString& line, CZorbPlexar::InstalledItems::Stamped& out) {
  int32_t at = 2;
  int64_t numbers[3] = {};
  for (int i = 0; i < 3; ++i) {
    bool negative = false;
    // Only the time may lie before 1970.
    if (i == 1 && at < line.GetLength() && line.GetAt(at) == u'-') {
      negative = true;
      ++at;
    }
    const int32_t from = at;
    uint64_t value = 0;
    for (; at < line.GetLength() && line.GetAt(at) != u' '; ++at) {
      const char16_t unit = line.GetAt(at);
      if (unit < u'0' || unit > u'9' || at - from >= 19) return false;
      value = value * 10 + static_cast<uint64_t>(unit - u'0');
    }
    if (at == from || at >= line.GetLength()) return false;
    ++at;
    numbers[i] = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
  }
  if (numbers[2] > 999999999) return false;
  out.m_stamp.size = static_cast<uint64_t>(numbers[0]);
  out.m_stamp.seconds = numbers[1];
  out.m_stamp.nanoseconds = static_cast<int32_t>(numbers[2]);
  return Unescape(line, at, out.m_path);
}

}  // namespace

const CZorbOS::FileStamp* CZorbPlexar::InstalledItems::StampOf(const CString& path) const {
  for (const Stamped& stamped : m_stamps)
    if (stamped.m_path.CompareNoCase(path) == 0) return &stamped.m_stamp;
  return nullptr;
}

void CZorbPlexar::StampInstalledFiles(InstalledItems& items, const std::vector<CString>& extra) {
  items.m_stamps.clear();
  auto stamp = [&items](const CString& path) {
    InstalledItems::Stamped stamped;
    stamped.m_path = path;
    if (CZorbOS::GetFileStamp(path, stamped.m_stamp)) items.m_stamps.push_back(stamped);
  };
  for (const CString& file : items.m_files) stamp(file);
  for (const CString& file : extra) stamp(file);
}

CZorbPlexar::FileChange CZorbPlexar::ChangeSinceInstall(const InstalledItems& items,
                                                        const CString& path) {
  const CZorbOS::FileStamp* recorded = items.StampOf(path);
  if (recorded == nullptr) return FileChange::kUnknown;
  CZorbOS::FileStamp now;
  if (!CZorbOS::GetFileStamp(path, now)) return FileChange::kUnknown;
  return now == *recorded ? FileChange::kUnchanged : FileChange::kChanged;
}

CString CZorbPlexar::InstallRecordPath(const CString& store, const CString& descriptionName,
                                       const CString& productName) {
  CZorbPath base = descriptionName;
  base.SetExtension(u"");
  CString name = base;
  // A ":" in a product's name would lead out of the store.
  CString product = productName;
  product.Replace(u':', u'_');
  if (name.GetLength() > 0 && name.GetAt(name.GetLength() - 1) == u'.')
    name = name.Left(name.GetLength() - 1);
  return WithColon(store) + name + u"." + product + u".kxi_written";
}

CString CZorbPlexar::InstallRecordPath(const CZorbProduct* product,
                                       const CZorbExtension* extension) {
  if (product == nullptr || extension == nullptr) return CString();
  CString store;
  getPXStoreFromProductOrPlexo(product, store);
  CString name;
  product->GetName(name);
  return InstallRecordPath(store, CZorbPath(extension->m_path).GetFileName(), name);
}

CString CZorbPlexar::ReplacedFilesFolder(const CZorbProduct* product,
                                         const CZorbExtension* extension) {
  CZorbPath folder = InstallRecordPath(product, extension);
  if (folder.GetLength() == 0) return CString();
  folder.SetExtension(u"kxi_replaced");
  return folder;
}

bool CZorbPlexar::ReadInstallRecord(const CString& path, InstalledItems& items) {
  items = InstalledItems{};
  if (path.GetLength() == 0 || KindOf(path) != Kind::kFile) return false;
  CZorbFile file(CZorbUnicodeConverter::kUTF8);
  if (!file.Open(path, 0)) return false;
  (void)file.SetEncodingFromByteOrderMark();
  CString line;
  if (!file.ReadString(line) || line != kHeader) {
    Logger::write(Logger::kError, u"Not an install record: " + std::u16string(path.Get()), __FILE__,
                  __LINE__);
    return false;
  }
  size_t count = 0;
  while (file.ReadString(line)) {
    if (line.GetLength() == 0) continue;
    CString item;
    if (++count > kMaxItems || line.GetLength() < 3 || line.GetAt(1) != u' ' ||
        !Unescape(line, 2, item)) {
      Logger::write(Logger::kError, u"Damaged install record: " + std::u16string(path.Get()),
                    __FILE__, __LINE__);
      items = InstalledItems{};
      return false;
    }
    if (line.GetAt(0) == u'S') {
      InstalledItems::Stamped stamped;
      if (ParseStamp(line, stamped)) {
        items.m_stamps.push_back(stamped);
      } else {
        // A stamp that cannot be read only costs a question later.
        Logger::write(Logger::kError,
                      u"Damaged stamp in install record: " + std::u16string(path.Get()), __FILE__,
                      __LINE__);
      }
    } else if (line.GetAt(0) == u'C') {
      items.m_chosenFolders.push_back(item);
    } else if (line.GetAt(0) == u'R') {
      // "R <saved name> <path>": the saved name has no blank.
      const int32_t blank = item.Find(u' ');
      if (blank > 0 && blank + 1 < item.GetLength())
        items.m_replaced.push_back({item.Mid(blank + 1), item.Left(blank)});
    } else if (line.GetAt(0) == u'F')
      items.m_files.push_back(item);
    else if (line.GetAt(0) == u'D')
      items.m_folders.push_back(item);
  }
  return true;
}

int CZorbPlexar::WriteInstallRecord(const CString& path, const InstalledItems& items) {
  if (path.GetLength() == 0) return -1;
  CString text = kHeader;
  text += u"\n";
  for (const CString& file : items.m_files) {
    text += u"F ";
    Escape(file, text);
    text += u"\n";
  }
  for (const CString& folder : items.m_folders) {
    text += u"D ";
    Escape(folder, text);
    text += u"\n";
  }
  for (const InstalledItems::Replaced& replaced : items.m_replaced) {
    text += u"R ";
    text += replaced.m_saved;
    text += u" ";
    Escape(replaced.m_path, text);
    text += u"\n";
  }
  for (const CString& folder : items.m_chosenFolders) {
    text += u"C ";
    Escape(folder, text);
    text += u"\n";
  }
  for (const InstalledItems::Stamped& stamped : items.m_stamps) {
    const std::string numbers = "S " + std::to_string(stamped.m_stamp.size) + " " +
                                std::to_string(stamped.m_stamp.seconds) + " " +
                                std::to_string(stamped.m_stamp.nanoseconds) + " ";
    text += CString(std::u16string(numbers.begin(), numbers.end()).c_str());
    Escape(stamped.m_path, text);
    text += u"\n";
  }
  return m_transaction.Add(new WriteRecordStep(path, text)) == 0 ? 0 : -1;
}
