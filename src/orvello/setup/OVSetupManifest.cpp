#include "orvello/setup/OVSetupManifest.h"

#include <exception>
#include <set>

#include <nlohmann/json.hpp>

#include "orvello/setup/OVSetupPaths.h"

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

constexpr size_t kMaxText = 1024;  // bytes of any text but a registry value
constexpr int kMaxDepth = 16;      // the manifest nests five deep

ordered_json FileJson(const OVSetupFile& f) {
  return ordered_json{{"entry", f.strEntry}, {"sha256", f.strSha256}, {"size", f.qwSize}};
}

// The deepest nesting of arrays and objects, strings skipped; beyond the
// limit it stops counting. Keeps anything recursive away from hostile depth.
int NestingDepth(const char* p, size_t n) {
  int depth = 0, deepest = 0;
  bool bString = false;
  for (size_t i = 0; i < n; ++i) {
    const char c = p[i];
    if (bString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        bString = false;
    } else if (c == '"') {
      bString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > deepest && (deepest = depth) > kMaxDepth) return deepest;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

// Reads fields with their place in the document, for the one line that says
// what is wrong.
class Reader {
 public:
  std::string m_why;

  bool Fail(const std::string& where, const std::string& what) {
    if (m_why.empty()) m_why = "the manifest's " + where + " " + what;
    return false;
  }

  static std::string At(const std::string& where, const char* key) {
    return where.empty() ? std::string("\"") + key + "\"" : where + ".\"" + key + "\"";
  }
  static std::string At(const std::string& where, size_t i) {
    return where + "[" + std::to_string(i) + "]";
  }

  const json* Get(const json& obj, const char* key, const std::string& where, bool bRequired) {
    auto it = obj.find(key);
    if (it == obj.end()) {
      if (bRequired) Fail(At(where, key), "is missing");
      return nullptr;
    }
    return &*it;
  }

  bool Text(const json& obj, const char* key, const std::string& where, std::string* pOut,
            size_t nMax = kMaxText, bool bRequired = true) {
    const json* v = Get(obj, key, where, bRequired);
    if (!v) return !bRequired;
    if (!v->is_string()) return Fail(At(where, key), "is not a text");
    const std::string& s = v->get_ref<const std::string&>();
    if (s.size() > nMax)
      return Fail(At(where, key), "is longer than " + std::to_string(nMax) + " bytes");
    if (s.find('\0') != std::string::npos) return Fail(At(where, key), "holds a NUL");
    *pOut = s;
    return true;
  }

  bool Number(const json& obj, const char* key, const std::string& where, int64_t nMin,
              int64_t nMax, int64_t* pOut) {
    const json* v = Get(obj, key, where, true);
    if (!v) return false;
    const std::string range =
        "is not a whole number from " + std::to_string(nMin) + " to " + std::to_string(nMax);
    if (v->is_number_unsigned()) {
      const uint64_t u = v->get<uint64_t>();
      if (u > static_cast<uint64_t>(nMax)) return Fail(At(where, key), range);
      *pOut = static_cast<int64_t>(u);
    } else if (v->is_number_integer()) {
      *pOut = v->get<int64_t>();
    } else {
      return Fail(At(where, key), range);
    }
    if (*pOut < nMin || *pOut > nMax) return Fail(At(where, key), range);
    return true;
  }

  bool Flag(const json& obj, const char* key, const std::string& where, bool* pOut) {
    const json* v = Get(obj, key, where, true);
    if (!v) return false;
    if (!v->is_boolean()) return Fail(At(where, key), "is not true or false");
    *pOut = v->get<bool>();
    return true;
  }

  const json* Array(const json& obj, const char* key, const std::string& where, size_t nMax) {
    const json* v = Get(obj, key, where, true);
    if (!v) return nullptr;
    if (!v->is_array()) return Fail(At(where, key), "is not a list"), nullptr;
    if (v->size() > nMax)
      return Fail(At(where, key), "holds more than " + std::to_string(nMax) + " items"), nullptr;
    return v;
  }

  bool Object(const json& v, const std::string& where) {
    return v.is_object() || Fail(where, "is not an object");
  }

  bool File(const json& obj, const std::string& where, OVSetupFile* pOut) {
    int64_t n = 0;
    if (!Text(obj, "entry", where, &pOut->strEntry, 240) ||
        !Text(obj, "sha256", where, &pOut->strSha256, 64) ||
        !Number(obj, "size", where, 0, int64_t{1} << 40, &n))
      return false;
    pOut->qwSize = static_cast<uint64_t>(n);
    const std::string why = OVCheckEntryName(pOut->strEntry);
    if (!why.empty()) return Fail(At(where, "entry"), "cannot be used: " + why);
    if (!OVIsSha256(pOut->strSha256)) return Fail(At(where, "sha256"), "is not a SHA-256");
    return true;
  }
};

bool ReadConduit(Reader& r, const json& c, const std::string& where, size_t nLibraries,
                 OVSetupConduit* pOut) {
  int64_t nLib = 0;
  if (!r.Object(c, where) || !r.Text(c, "key", where, &pOut->strKey, 64) ||
      !r.Text(c, "creator", where, &pOut->strCreator, 16) ||
      !r.Text(c, "title", where, &pOut->strTitle) ||
      !r.Number(c, "library", where, -1, static_cast<int64_t>(nLibraries) - 1, &nLib))
    return false;
  pOut->nLibrary = static_cast<int>(nLib);
  const json* vals = r.Array(c, "values", where, kOVSetupMaxValues);
  if (!vals) return false;
  std::set<std::string> names;
  for (size_t i = 0; i < vals->size(); ++i) {
    const json& v = (*vals)[i];
    const std::string at = Reader::At(Reader::At(where, "values"), i);
    RegValue val;
    std::string hex;
    int64_t nType = 0;
    if (!r.Object(v, at) || !r.Text(v, "name", at, &val.strName, 255) ||
        !r.Number(v, "type", at, 0, 0xFFFFFFFFll, &nType) ||
        !r.Text(v, "data", at, &hex, 2 * kOVSetupMaxValueData))
      return false;
    if (!OVUnhex(hex, &val.bytes)) return r.Fail(Reader::At(at, "data"), "is not hex digits");
    std::string key = val.strName;
    for (char& ch : key)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    if (!names.insert(key).second) return r.Fail(at, "names a value twice");
    val.dwType = static_cast<uint32_t>(nType);
    pOut->values.push_back(std::move(val));
  }
  return true;
}

bool ReadUser(Reader& r, const json& u, const std::string& where, OVSetupUser* pOut) {
  if (!r.Object(u, where) || !r.Text(u, "name", where, &pOut->strName, 255) ||
      !r.Text(u, "directory", where, &pOut->strDirectory, 255) ||
      !r.Flag(u, "profile", where, &pOut->bProfile))
    return false;
  if (pOut->strName.empty()) return r.Fail(Reader::At(where, "name"), "is empty");
  const std::string why = OVCheckRelativePath(pOut->strDirectory);
  if (!why.empty()) return r.Fail(Reader::At(where, "directory"), "cannot be used: " + why);
  const json* acts = r.Array(u, "actions", where, kOVSetupMaxActions);
  if (!acts) return false;
  std::set<uint32_t> creators;
  for (size_t i = 0; i < acts->size(); ++i) {
    const json& a = (*acts)[i];
    const std::string at = Reader::At(Reader::At(where, "actions"), i);
    OVSetupAction act;
    int64_t nId = 0, nAction = 0;
    if (!r.Object(a, at) || !r.Number(a, "creator_id", at, 0, 0xFFFFFFFFll, &nId) ||
        !r.Text(a, "creator", at, &act.strCreator, 16) ||
        !r.Number(a, "action", at, 0, 4, &nAction))
      return false;
    act.dwCreatorID = static_cast<uint32_t>(nId);
    act.nAction = static_cast<int32_t>(nAction);
    if (!creators.insert(act.dwCreatorID).second)
      return r.Fail(at, "sets a creator's action twice");
    pOut->actions.push_back(act);
  }
  const json* files = r.Array(u, "files", where, kOVSetupMaxFiles);
  if (!files) return false;
  for (size_t i = 0; i < files->size(); ++i) {
    const json& f = (*files)[i];
    const std::string at = Reader::At(Reader::At(where, "files"), i);
    OVSetupUserFile uf;
    if (!r.Object(f, at) || !r.Text(f, "path", at, &uf.strPath, 255) || !r.File(f, at, &uf.file))
      return false;
    const std::string whyPath = OVCheckRelativePath(uf.strPath);
    if (!whyPath.empty()) return r.Fail(Reader::At(at, "path"), "cannot be used: " + whyPath);
    pOut->files.push_back(std::move(uf));
  }
  return true;
}

bool ReadManifest(Reader& r, const json& root, OVSetupManifest* m) {
  if (!root.is_object()) return r.Fail("top level", "is not an object");
  std::string format;
  if (!r.Text(root, "format", "", &format)) return false;
  if (format != kOVSetupFormat)
    return r.Fail("\"format\"", "is not \"" + std::string(kOVSetupFormat) + "\"");
  const json* pVersion = r.Get(root, "format_version", "", true);
  if (!pVersion) return false;
  if (!pVersion->is_number_integer()) return r.Fail("\"format_version\"", "is not a whole number");
  if (pVersion->get<int64_t>() != kOVSetupFormatVersion) {
    r.m_why = "it is of format version " + pVersion->dump() + "; this Tandelix reads version " +
              std::to_string(kOVSetupFormatVersion);
    return false;
  }
  int64_t nCodePage = 0;
  if (!r.Text(root, "created", "", &m->strCreated, 64) ||
      !r.Text(root, "computer", "", &m->strComputer, 255) ||
      !r.Text(root, "tandelix_version", "", &m->strTandelixVersion, 64) ||
      !r.Number(root, "code_page", "", 0, 65535, &nCodePage) ||
      !r.Text(root, "palm_desktop", "", &m->strDesktop, 259) ||
      !r.Flag(root, "with_data", "", &m->bWithData))
    return false;
  m->nCodePage = static_cast<uint32_t>(nCodePage);

  const json* libs = r.Array(root, "libraries", "", kOVSetupMaxConduits + 1);
  if (!libs) return false;
  for (size_t i = 0; i < libs->size(); ++i) {
    const json& l = (*libs)[i];
    const std::string at = Reader::At("\"libraries\"", i);
    OVSetupLibrary lib;
    if (!r.Object(l, at) || !r.Text(l, "path", at, &lib.strPath, 259) ||
        !r.Text(l, "version", at, &lib.strVersion, 64) || !r.Flag(l, "present", at, &lib.bPresent))
      return false;
    const std::string why = OVCheckLibraryPath(lib.strPath);
    if (!why.empty()) return r.Fail(Reader::At(at, "path"), "cannot be used: " + why);
    if (lib.bPresent && !r.File(l, at, &lib.file)) return false;
    m->libraries.push_back(std::move(lib));
  }

  const json* conds = r.Array(root, "conduits", "", kOVSetupMaxConduits);
  if (!conds) return false;
  for (size_t i = 0; i < conds->size(); ++i) {
    OVSetupConduit c;
    if (!ReadConduit(r, (*conds)[i], Reader::At("\"conduits\"", i), m->libraries.size(), &c))
      return false;
    m->conduits.push_back(std::move(c));
  }

  const json* backup = r.Get(root, "backup_conduit", "", true);
  if (!backup) return false;
  if (!backup->is_null()) {
    int64_t nLib = 0;
    if (!r.Object(*backup, "\"backup_conduit\"") ||
        !r.Text(*backup, "library_path", "\"backup_conduit\"", &m->strBackupLibrary, 259) ||
        !r.Number(*backup, "library", "\"backup_conduit\"", -1,
                  static_cast<int64_t>(m->libraries.size()) - 1, &nLib))
      return false;
    m->bHasBackup = true;
    m->nBackupLibrary = static_cast<int>(nLib);
  }

  const json* inst = r.Array(root, "install_conduits", "", kOVSetupMaxConduits);
  if (!inst) return false;
  for (size_t i = 0; i < inst->size(); ++i) {
    const json& c = (*inst)[i];
    const std::string at = Reader::At("\"install_conduits\"", i);
    OVSetupInstallConduit ic;
    if (!r.Object(c, at) || !r.Text(c, "creator", at, &ic.strCreator, 16) ||
        !r.Text(c, "title", at, &ic.strTitle) ||
        !r.Text(c, "library_path", at, &ic.strLibrary, 259))
      return false;
    m->installConduits.push_back(std::move(ic));
  }

  const json* users = r.Array(root, "users", "", kOVSetupMaxUsers);
  if (!users) return false;
  std::set<std::string> names;
  for (size_t i = 0; i < users->size(); ++i) {
    OVSetupUser u;
    const std::string at = Reader::At("\"users\"", i);
    if (!ReadUser(r, (*users)[i], at, &u)) return false;
    if (!names.insert(u.strName).second) return r.Fail(at, "names a user twice");
    m->users.push_back(std::move(u));
  }

  const json* sets = r.Array(root, "backup_sets", "", kOVSetupMaxSets);
  if (!sets) return false;
  for (size_t i = 0; i < sets->size(); ++i) {
    const json& s = (*sets)[i];
    const std::string at = Reader::At("\"backup_sets\"", i);
    OVSetupBackupSet set;
    if (!r.Object(s, at) || !r.Text(s, "file", at, &set.strFile, 259) ||
        !r.Text(s, "description", at, &set.strDesc, 255) || !r.File(s, at, &set.file))
      return false;
    const std::string why = OVCheckRelativePath(set.strFile);
    if (!why.empty()) return r.Fail(Reader::At(at, "file"), "cannot be used: " + why);
    m->sets.push_back(std::move(set));
  }

  const json* hist = r.Get(root, "history", "", true);
  if (!hist) return false;
  if (!hist->is_null()) {
    if (!r.Object(*hist, "\"history\"") || !r.File(*hist, "\"history\"", &m->history)) return false;
    m->bHasHistory = true;
  }

  // Each ZIP entry stands for one file only.
  const std::vector<const OVSetupFile*> files = m->Files();
  if (files.size() > kOVSetupMaxFiles) return r.Fail("file list", "is longer than allowed");
  std::set<std::string> entries;
  for (const OVSetupFile* f : files) {
    std::string key = f->strEntry;
    for (char& ch : key)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
    if (key == "MANIFEST.JSON" || !entries.insert(key).second)
      return r.Fail("entry \"" + f->strEntry + "\"", "is named for two files");
  }
  return true;
}

}  // namespace

std::vector<const OVSetupFile*> OVSetupManifest::Files() const {
  std::vector<const OVSetupFile*> v;
  for (const OVSetupLibrary& l : libraries)
    if (l.bPresent) v.push_back(&l.file);
  for (const OVSetupUser& u : users)
    for (const OVSetupUserFile& f : u.files) v.push_back(&f.file);
  for (const OVSetupBackupSet& s : sets) v.push_back(&s.file);
  if (bHasHistory) v.push_back(&history);
  return v;
}

std::vector<OVSetupFile*> OVSetupManifest::FilesToFill() {
  std::vector<OVSetupFile*> v;
  for (const OVSetupFile* f : Files()) v.push_back(const_cast<OVSetupFile*>(f));
  return v;
}

std::string OVWriteManifest(const OVSetupManifest& m) {
  ordered_json root;
  root["format"] = kOVSetupFormat;
  root["format_version"] = m.nFormatVersion;
  root["created"] = m.strCreated;
  root["computer"] = m.strComputer;
  root["tandelix_version"] = m.strTandelixVersion;
  root["code_page"] = m.nCodePage;
  root["palm_desktop"] = m.strDesktop;
  root["with_data"] = m.bWithData;
  ordered_json libs = ordered_json::array();
  for (const OVSetupLibrary& l : m.libraries) {
    ordered_json j{{"path", l.strPath}, {"version", l.strVersion}, {"present", l.bPresent}};
    if (l.bPresent) j.update(FileJson(l.file));
    libs.push_back(std::move(j));
  }
  root["libraries"] = std::move(libs);
  ordered_json conds = ordered_json::array();
  for (const OVSetupConduit& c : m.conduits) {
    ordered_json vals = ordered_json::array();
    for (const RegValue& v : c.values)
      vals.push_back({{"name", v.strName}, {"type", v.dwType}, {"data", OVHex(v.bytes)}});
    conds.push_back({{"key", c.strKey},
                     {"creator", c.strCreator},
                     {"title", c.strTitle},
                     {"library", c.nLibrary},
                     {"values", std::move(vals)}});
  }
  root["conduits"] = std::move(conds);
  root["backup_conduit"] = m.bHasBackup ? ordered_json{{"library_path", m.strBackupLibrary},
                                                       {"library", m.nBackupLibrary}}
                                        : ordered_json(nullptr);
  ordered_json inst = ordered_json::array();
  for (const OVSetupInstallConduit& c : m.installConduits)
    inst.push_back(
        {{"creator", c.strCreator}, {"title", c.strTitle}, {"library_path", c.strLibrary}});
  root["install_conduits"] = std::move(inst);
  ordered_json users = ordered_json::array();
  for (const OVSetupUser& u : m.users) {
    ordered_json acts = ordered_json::array();
    for (const OVSetupAction& a : u.actions)
      acts.push_back(
          {{"creator_id", a.dwCreatorID}, {"creator", a.strCreator}, {"action", a.nAction}});
    ordered_json files = ordered_json::array();
    for (const OVSetupUserFile& f : u.files) {
      ordered_json j{{"path", f.strPath}};
      j.update(FileJson(f.file));
      files.push_back(std::move(j));
    }
    users.push_back({{"name", u.strName},
                     {"directory", u.strDirectory},
                     {"profile", u.bProfile},
                     {"actions", std::move(acts)},
                     {"files", std::move(files)}});
  }
  root["users"] = std::move(users);
  ordered_json sets = ordered_json::array();
  for (const OVSetupBackupSet& s : m.sets) {
    ordered_json j{{"file", s.strFile}, {"description", s.strDesc}};
    j.update(FileJson(s.file));
    sets.push_back(std::move(j));
  }
  root["backup_sets"] = std::move(sets);
  root["history"] = m.bHasHistory ? FileJson(m.history) : ordered_json(nullptr);
  // Texts that are not UTF-8 (they never should be) become U+FFFD rather
  // than failing the export.
  return root.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

bool OVReadManifest(const char* pText, size_t cbText, OVSetupManifest* pOut, std::string* pWhy) {
  *pOut = OVSetupManifest{};
  std::string why;
  if (!pText || cbText == 0) {
    why = "the manifest is empty";
  } else if (cbText > kOVSetupMaxManifest) {
    why = "the manifest is larger than allowed";
  } else if (NestingDepth(pText, cbText) > kMaxDepth) {
    why = "the manifest nests deeper than allowed";
  } else {
    try {
      const json root = json::parse(pText, pText + cbText, nullptr, false);
      if (root.is_discarded()) {
        why = "the manifest is not JSON";
      } else {
        Reader r;
        if (!ReadManifest(r, root, pOut))
          why = r.m_why.empty() ? "the manifest is damaged" : r.m_why;
      }
    } catch (const std::exception&) {
      why = "the manifest could not be read";
    }
  }
  if (why.empty()) return true;
  *pOut = OVSetupManifest{};
  if (pWhy) *pWhy = why;
  return false;
}

std::string OVHex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    s += kDigits[c >> 4];
    s += kDigits[c & 15];
  }
  return s;
}

bool OVUnhex(const std::string& hex, std::string* pBytes) {
  if (hex.size() % 2) return false;
  auto val = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = val(hex[i]), lo = val(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
  }
  *pBytes = std::move(out);
  return true;
}

bool OVIsSha256(const std::string& s) {
  if (s.size() != 64) return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}
