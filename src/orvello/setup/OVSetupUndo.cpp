#include "orvello/setup/OVSetupUndo.h"

#include <exception>

#include <nlohmann/json.hpp>

#include "orvello/setup/OVSetupPaths.h"

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

constexpr size_t kMaxItems = 200000;
constexpr uint64_t kMaxRecord = 256ull << 20;

ordered_json KeysJson(const std::vector<RegKeyValues>& keys) {
  ordered_json a = ordered_json::array();
  for (const RegKeyValues& k : keys) {
    ordered_json vals = ordered_json::array();
    for (const RegValue& v : k.values)
      vals.push_back({{"name", v.strName}, {"type", v.dwType}, {"data", OVHex(v.bytes)}});
    a.push_back(std::move(vals));
  }
  return a;
}

// Throws (caught below) on any mistyped field: the record is ours, and any
// fault in it makes the whole record unusable.
struct Bad : std::exception {};

const json& Need(const json& o, const char* key) {
  if (!o.is_object()) throw Bad();
  auto it = o.find(key);
  if (it == o.end()) throw Bad();
  return *it;
}
std::string Text(const json& o, const char* key, size_t nMax = 1024) {
  const json& v = Need(o, key);
  if (!v.is_string() || v.get_ref<const std::string&>().size() > nMax) throw Bad();
  return v.get<std::string>();
}
uint64_t Unsigned(const json& o, const char* key, uint64_t nMax) {
  const json& v = Need(o, key);
  if (!v.is_number_unsigned() || v.get<uint64_t>() > nMax) throw Bad();
  return v.get<uint64_t>();
}
int32_t Action(const json& o, const char* key) { return static_cast<int32_t>(Unsigned(o, key, 4)); }
bool Flag(const json& o, const char* key) {
  const json& v = Need(o, key);
  if (!v.is_boolean()) throw Bad();
  return v.get<bool>();
}
const json& List(const json& o, const char* key) {
  const json& v = Need(o, key);
  if (!v.is_array() || v.size() > kMaxItems) throw Bad();
  return v;
}
std::string FullPath(const json& o, const char* key) {
  std::string p = Text(o, key, 259);
  if (!OVCheckLibraryPath(p).empty() || p.find('\\') == std::string::npos) throw Bad();
  return p;
}

std::vector<RegKeyValues> Keys(const json& o, const char* key) {
  std::vector<RegKeyValues> keys;
  for (const json& k : List(o, key)) {
    if (!k.is_array() || k.size() > kOVSetupMaxValues) throw Bad();
    RegKeyValues vals;
    for (const json& v : k) {
      RegValue val;
      val.strName = Text(v, "name", 255);
      val.dwType = static_cast<uint32_t>(Unsigned(v, "type", 0xFFFFFFFFu));
      if (!OVUnhex(Text(v, "data", 2 * kOVSetupMaxValueData), &val.bytes)) throw Bad();
      vals.values.push_back(std::move(val));
    }
    keys.push_back(std::move(vals));
  }
  return keys;
}

}  // namespace

std::string OVWriteUndo(const OVUndoRecord& r) {
  ordered_json root;
  root["format"] = kOVUndoFormat;
  root["format_version"] = kOVUndoFormatVersion;
  root["archive"] = r.strArchive;
  root["computer"] = r.strComputer;
  root["time"] = r.strTime;
  root["complete"] = r.bComplete;
  root["conduits_before"] = KeysJson(r.before);
  root["conduits_after"] = KeysJson(r.after);
  root["backup_changed"] = r.bBackupChanged;
  root["backup_before"] = r.strBackupBefore;
  root["backup_after"] = r.strBackupAfter;
  ordered_json acts = ordered_json::array();
  for (const OVUndoAction& a : r.actions)
    acts.push_back({{"user", a.strUser},
                    {"user_id", a.dwUserID},
                    {"creator_id", a.dwCreatorID},
                    {"had_before", a.bHadBefore},
                    {"before", a.nBefore},
                    {"set", a.nSet}});
  root["actions"] = std::move(acts);
  ordered_json files = ordered_json::array();
  for (const OVUndoFile& f : r.files)
    files.push_back({{"path", f.strPath},
                     {"existed", f.bExisted},
                     {"saved", f.strSaved},
                     {"written", f.bWritten},
                     {"sha256_after", f.strShaAfter}});
  root["files"] = std::move(files);
  root["folders"] = r.folders;
  ordered_json users = ordered_json::array();
  for (const OVUndoUser& u : r.users)
    users.push_back({{"name", u.strName}, {"folder", u.strFolder}, {"user_id", u.dwUserID}});
  root["users"] = std::move(users);
  root["sets"] = r.sets;
  return root.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

bool OVReadUndo(const char* pText, size_t cbText, OVUndoRecord* pOut, std::string* pWhy) {
  *pOut = OVUndoRecord{};
  auto fail = [&](const char* why) {
    *pOut = OVUndoRecord{};
    if (pWhy) *pWhy = why;
    return false;
  };
  if (!pText || cbText == 0 || cbText > kMaxRecord)
    return fail("the undo record is empty or too large");
  try {
    const json root = json::parse(pText, pText + cbText, nullptr, false);
    if (root.is_discarded()) return fail("the undo record is not JSON");
    if (Text(root, "format") != kOVUndoFormat ||
        Unsigned(root, "format_version", 1000) != kOVUndoFormatVersion)
      return fail("the undo record is of another kind or version");
    OVUndoRecord& r = *pOut;
    r.strArchive = Text(root, "archive");
    r.strComputer = Text(root, "computer");
    r.strTime = Text(root, "time");
    r.bComplete = Flag(root, "complete");
    r.before = Keys(root, "conduits_before");
    r.after = Keys(root, "conduits_after");
    r.bBackupChanged = Flag(root, "backup_changed");
    r.strBackupBefore = Text(root, "backup_before", 259);
    r.strBackupAfter = Text(root, "backup_after", 259);
    for (const json& a : List(root, "actions")) {
      OVUndoAction act;
      act.strUser = Text(a, "user", 255);
      act.dwUserID = static_cast<uint32_t>(Unsigned(a, "user_id", 0xFFFFFFFFu));
      act.dwCreatorID = static_cast<uint32_t>(Unsigned(a, "creator_id", 0xFFFFFFFFu));
      act.bHadBefore = Flag(a, "had_before");
      act.nBefore = Action(a, "before");
      act.nSet = Action(a, "set");
      r.actions.push_back(std::move(act));
    }
    for (const json& f : List(root, "files")) {
      OVUndoFile file;
      file.strPath = FullPath(f, "path");
      file.bExisted = Flag(f, "existed");
      file.strSaved = Text(f, "saved", 64);
      file.bWritten = Flag(f, "written");
      file.strShaAfter = Text(f, "sha256_after", 64);
      if (file.bExisted && (file.strSaved.empty() || !OVCheckRelativePath(file.strSaved).empty() ||
                            file.strSaved.find('\\') != std::string::npos))
        throw Bad();
      if (file.bWritten && !OVIsSha256(file.strShaAfter)) throw Bad();
      r.files.push_back(std::move(file));
    }
    for (const json& d : List(root, "folders")) {
      if (!d.is_string()) throw Bad();
      const std::string p = d.get<std::string>();
      if (!OVCheckLibraryPath(p).empty() || p.find('\\') == std::string::npos) throw Bad();
      r.folders.push_back(p);
    }
    for (const json& u : List(root, "users")) {
      OVUndoUser user;
      user.strName = Text(u, "name", 255);
      user.strFolder = FullPath(u, "folder");
      user.dwUserID = static_cast<uint32_t>(Unsigned(u, "user_id", 0xFFFFFFFFu));
      r.users.push_back(std::move(user));
    }
    for (const json& s : List(root, "sets")) {
      if (!s.is_string() || !OVCheckRelativePath(s.get<std::string>()).empty()) throw Bad();
      r.sets.push_back(s.get<std::string>());
    }
  } catch (const std::exception&) {
    return fail("the undo record is damaged");
  }
  return true;
}
