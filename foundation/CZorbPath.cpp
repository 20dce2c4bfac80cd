#include "foundation/CZorbPath.h"

#include "platform/widechar/WideChar.h"

namespace {

struct PathParts {
  CString drive, dir, fname, ext;
};

PathParts splitParts(const CString& path) {
  PathParts parts;
  CString rest(path);
  CString name;
  int32_t last = rest.ReverseFind(u':');
  if (last < 0) {
    parts.fname = rest;
  } else {
    name = rest.Mid(last + 1);
    rest = rest.Left(last);
    int32_t first = rest.Find(u':');
    if (first >= 0) {
      parts.dir = CString(u":") + rest.Mid(first + 1) + u":";
      rest = rest.Left(first);
    }
    parts.drive = rest;
    parts.fname = name;
  }
  int32_t dot = parts.fname.ReverseFind(u'.');
  if (dot >= 0) {
    parts.ext = CString(u".") + parts.fname.Mid(dot + 1);
    parts.fname = parts.fname.Left(dot);
  }
  return parts;
}

void copyOut(char16_t* out, const CString& text) {
  if (out == nullptr) return;
  int32_t n = text.GetLength() < kZorbMaxPath ? text.GetLength() : kZorbMaxPath;
  for (int32_t i = 0; i < n; ++i) out[i] = text.GetAt(i);
  out[n] = 0;
}

// Where the extension's "." is, or -1.
int32_t extensionDot(const CString& path) {
  int32_t dot = path.ReverseFind(u'.');
  return dot > path.ReverseFind(u':') ? dot : -1;
}

}  // namespace

void _splitpath(const char16_t* path, char16_t* drive, char16_t* dir, char16_t* fname,
                char16_t* ext) {
  for (char16_t* out : {drive, dir, fname, ext})
    if (out != nullptr) *out = 0;
  if (path == nullptr) return;
  PathParts parts = splitParts(CString(path));
  copyOut(drive, parts.drive);
  copyOut(dir, parts.dir);
  copyOut(fname, parts.fname);
  copyOut(ext, parts.ext);
}

CZorbPath::~CZorbPath() = default;

CString CZorbPath::GetFileName() const {
  int32_t last = ReverseFind(u':');
  return last < 0 ? CString(*this) : Mid(last + 1);
}

CString CZorbPath::GetExtension() const {
  int32_t dot = extensionDot(*this);
  return dot < 0 ? CString() : Mid(dot + 1);
}

CString CZorbPath::GetFolder() const {
  int32_t last = ReverseFind(u':');
  return last < 0 ? CString(*this) : Left(last + 1);
}

void CZorbPath::Split(CString& drive, CString& dir, CString& name, CString& ext) const {
  if (GetLength() == 0) {
    drive.Empty();
    dir.Empty();
    name.Empty();
    ext.Empty();
    return;
  }
  PathParts parts = splitParts(*this);
  drive = parts.drive;
  dir = parts.dir;
  name = parts.fname;
  ext = parts.ext.GetLength() > 0 ? parts.ext.Mid(1) : parts.ext;
}

void CZorbPath::Append(const char16_t* part) {
  if (part == nullptr) return;
  CString copy(part);  // part may point into this path
  if (GetLength() == 0) {
    CString::operator=(copy);
    return;
  }
  bool endsWithColon = GetAt(GetLength() - 1) == u':';
  bool startsWithColon = copy.GetAt(0) == u':';
  if (endsWithColon && startsWithColon)
    copy = copy.Mid(1);
  else if (!endsWithColon && !startsWithColon)
    *this += u':';
  *this += copy;
}

void CZorbPath::SetFolder(const char16_t* folder) {
  CString name = GetFileName();
  CString text(folder);
  if (text.GetLength() == 0 || text.GetAt(text.GetLength() - 1) != u':') text += u':';
  text += name;
  CString::operator=(text);
}

void CZorbPath::SetExtension(const char16_t* ext) {
  int32_t dot = extensionDot(*this);
  if (dot >= 0) CString::operator=(Left(dot));
  if (ext != nullptr && *ext != 0) {
    *this += u'.';
    *this += ext;
  }
}

void CZorbPath::SetFileName(const char16_t* name) {
  CString oldExt = GetExtension();
  int32_t last = ReverseFind(u':');
  CString text = last < 0 ? CString() : Left(last + 1);
  if (name != nullptr && *name != 0) {
    text += name;
    if (oldExt.GetLength() > 0 && platform::wcschr(name, u'.') == nullptr) {
      text += u'.';
      text += oldExt;
    }
  }
  CString::operator=(text);
}

void CZorbPath::TerminateWithSeparator() {
  if (GetLength() == 0 || GetAt(GetLength() - 1) != u':') *this += u':';
}

void CZorbPath::LocalizePathSeparators() {
  Replace(u'/', u':');
  Replace(u'\\', u':');
  Replace(u'\u00A5', u':');
}
