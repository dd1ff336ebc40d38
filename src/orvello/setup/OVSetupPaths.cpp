#include "orvello/setup/OVSetupPaths.h"

#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegMultiSz = 7;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool SameIgnoringCase(const std::string& a, size_t nFrom, const std::string& b) {
  if (a.size() - nFrom < b.size()) return false;
  for (size_t i = 0; i < b.size(); ++i)
    if (Upper(a[nFrom + i]) != Upper(b[i])) return false;
  return true;
}

// A device name stays one with any extension ("NUL.txt" is NUL).
bool IsDeviceName(const std::string& part) {
  std::string base = part.substr(0, part.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = Upper(c);
  static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* n : kNames)
    if (base == n) return true;
  if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0))
    return false;
  // COM1-COM9, and the superscript digits Windows takes for them too (as an
  // ANSI byte or in UTF-8).
  const std::string d = base.substr(3);
  if (d.size() == 1)
    return (d[0] >= '1' && d[0] <= '9') || d == "\xB9" || d == "\xB2" || d == "\xB3";
  return d == "\xC2\xB9" || d == "\xC2\xB2" || d == "\xC2\xB3";
}

std::string CheckPart(const std::string& part) {
  if (part.empty()) return "it has an empty part";
  if (part == "." || part == "..") return "it has a \"" + part + "\" part";
  if (part.back() == '.' || part.back() == ' ') return "a part ends in a dot or a blank";
  for (char ch : part) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) return "it holds a control character";
    if (std::strchr("<>:\"|?*", ch)) return std::string("it holds the character ") + ch;
  }
  if (IsDeviceName(part)) return "it names the device " + part;
  return {};
}

std::string CheckParts(const std::string& path, char sep) {
  size_t start = 0;
  for (;;) {
    const size_t end = path.find(sep, start);
    const std::string why = CheckPart(path.substr(start, end - start));
    if (!why.empty()) return why;
    if (end == std::string::npos) return {};
    start = end + 1;
  }
}

}  // namespace

std::string OVCheckEntryName(const std::string& strName) {
  if (strName.empty()) return "it is empty";
  if (strName.size() > 240) return "it is longer than 240 bytes";
  if (strName.find('\0') != std::string::npos) return "it holds a NUL";
  if (strName.find('\\') != std::string::npos) return "it holds a backslash";
  if (strName.find(':') != std::string::npos) return "it names a drive or a stream";
  if (strName[0] == '/') return "it is an absolute path";
  return CheckParts(strName, '/');
}

std::string OVCheckRelativePath(const std::string& strPath) {
  if (strPath.empty()) return "it is empty";
  if (strPath.size() > 255) return "it is longer than 255 bytes";
  if (strPath.find('\0') != std::string::npos) return "it holds a NUL";
  std::string p = strPath;
  for (char& c : p)
    if (c == '/') c = '\\';
  if (p.find(':') != std::string::npos) return "it names a drive or a stream";
  if (p[0] == '\\') return "it is an absolute path";
  return CheckParts(p, '\\');
}

std::string OVCheckLibraryPath(const std::string& strPath) {
  if (strPath.empty()) return "it is empty";
  if (strPath.size() > 259) return "it is longer than 259 bytes";
  if (strPath.find('\0') != std::string::npos) return "it holds a NUL";
  std::string p = strPath;
  for (char& c : p)
    if (c == '/') c = '\\';
  if (p.find('\\') == std::string::npos) return CheckPart(p);  // a bare file name
  const char d = Upper(p[0]);
  if (p.size() < 4 || d < 'A' || d > 'Z' || p[1] != ':' || p[2] != '\\')
    return "it is neither a file name nor a full path on a drive";
  return CheckParts(p.substr(3), '\\');
}

bool OVPathInDir(const std::string& strPath, const std::string& strDir) {
  std::string dir = strDir;
  while (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  if (dir.empty() || !SameIgnoringCase(strPath, 0, dir)) return false;
  return strPath.size() == dir.size() || strPath[dir.size()] == '\\' || strPath[dir.size()] == '/';
}

bool OVRewritePath(std::string& strPath, const std::string& strFrom, const std::string& strTo) {
  if (!OVPathInDir(strPath, strFrom)) return false;
  std::string from = strFrom, to = strTo;
  while (!from.empty() && (from.back() == '\\' || from.back() == '/')) from.pop_back();
  while (!to.empty() && (to.back() == '\\' || to.back() == '/')) to.pop_back();
  const std::string rewritten = to + strPath.substr(from.size());
  const bool bChanged = rewritten != strPath;
  strPath = rewritten;
  return bChanged;
}

bool OVRewriteRegData(uint32_t dwType, std::string& data, const std::string& strFrom,
                      const std::string& strTo) {
  if (dwType == kRegSz || dwType == kRegExpandSz) {
    // The text ends at the first NUL; what follows it is kept as it is.
    const size_t nul = data.find('\0');
    std::string text = data.substr(0, nul);
    if (!OVRewritePath(text, strFrom, strTo)) return false;
    data = text + (nul == std::string::npos ? std::string() : data.substr(nul));
    return true;
  }
  if (dwType != kRegMultiSz) return false;
  std::string out;
  bool bChanged = false;
  size_t start = 0;
  while (start < data.size()) {
    const size_t nul = data.find('\0', start);
    std::string text =
        data.substr(start, nul == std::string::npos ? std::string::npos : nul - start);
    if (!text.empty()) bChanged |= OVRewritePath(text, strFrom, strTo);
    out += text;
    if (nul == std::string::npos) break;
    out += '\0';
    start = nul + 1;
  }
  if (bChanged) data = out;
  return bChanged;
}

std::string OVFileNameOf(const std::string& strPath) {
  const size_t slash = strPath.find_last_of("\\/");
  return slash == std::string::npos ? strPath : strPath.substr(slash + 1);
}

std::string OVJoinPath(const std::string& strDir, const std::string& strRel) {
  std::string dir = strDir;
  while (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  std::string rel = strRel;
  for (char& c : rel)
    if (c == '/') c = '\\';
  return dir.empty() ? rel : dir + "\\" + rel;
}
