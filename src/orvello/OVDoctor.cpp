#include "orvello/OVDoctor.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "logs/LogFile.h"
#include "logs/LogReader.h"
#include "misc/WinUtil.h"
#include "orvello/ConduitTool.h"
#include "orvello/OVLogHealth.h"
#include "orvello/OVOutput.h"
#include "palm/CondAsk.h"
#include "palm/CondMgr.h"
#include "palm/CondRecord.h"
#include "palm/PalmDesktop.h"
#include "shell/Settings.h"

namespace {

// Far beyond any real desktop; a library that answers more is not believed.
constexpr int32_t kMaxConduits = 100000;

std::string SystemMessage(DWORD dwError) {
  char sz[256] = {};
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError,
                      0, sz, sizeof sz, nullptr))
    std::snprintf(sz, sizeof sz, "error %lu", static_cast<unsigned long>(dwError));
  std::string s = sz;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.'))
    s.pop_back();
  return s;
}

bool IsDir(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') ||
         (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

// A registered library as a full path: a relative name is the Palm Desktop
// directory's (the current one), where HotSync looks first, rather than
// wherever the DLL search order would find one.
std::string FullPathOf(const std::string& lib) {
  char szFull[MAX_PATH] = {};
  const DWORD n = lib.empty() ? 0 : GetFullPathNameA(lib.c_str(), sizeof szFull, szFull, nullptr);
  return (n > 0 && n < sizeof szFull) ? szFull : lib;
}

// The same file, the same key: full path, long form, upper case.
std::string LibraryKey(const std::string& lib) {
  if (lib.empty()) return "";
  std::string key = FullPathOf(lib);
  char szLong[MAX_PATH] = {};
  const DWORD m = GetLongPathNameA(key.c_str(), szLong, sizeof szLong);
  if (m > 0 && m < sizeof szLong) key = szLong;
  CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

OVLibraryFacts ExamineLibrary(const std::string& lib) {
  OVLibraryFacts f;
  if (lib.empty()) return f;
  const DWORD a = GetFileAttributesA(lib.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return f;
  if (a & FILE_ATTRIBUTE_DIRECTORY) {
    f.bDirectory = true;
    return f;
  }
  f.bExists = true;
  HANDLE h = CreateFileA(lib.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    f.strNotImage = "it cannot be read (" + SystemMessage(GetLastError()) + ")";
    return f;
  }
  unsigned char head[4096];
  DWORD cb = 0;
  const BOOL bRead = ReadFile(h, head, sizeof head, &cb, nullptr);
  CloseHandle(h);
  f.strNotImage = bRead ? OVImageProblem(head, cb) : "it cannot be read";
  return f;
}

// What the library answered when it was asked out of process.
void TakeAnswer(OVLibraryFacts& f, const CondAnswer& a) {
  f.bLoads = a.state == CondLibState::Answered;
  f.bCrashed = a.state == CondLibState::Crashed;
  f.bNoAnswer = a.state == CondLibState::NoAnswer;
  f.bMisbehaved = a.state == CondLibState::Misbehaved;
  f.bUnasked = a.state == CondLibState::Unasked;
  if (f.bUnasked) f.strUnasked = CondUnaskedReason(a);
  f.dwLoadError = a.state == CondLibState::NotLoaded ? a.dwLoadError : 0;
  f.bOpenConduit = a.bOpenConduit;
  if (a.bHasName) f.strName = std::string(a.szName, strnlen(a.szName, sizeof a.szName));
}

void ReadApplicationConduits(OVFacts& f) {
  int32_t n = CmGetConduitCount();
  if (n < 0) return;
  f.bConduitsRead = true;
  if (n > kMaxConduits) n = kMaxConduits;
  for (int32_t i = 0; i < n; ++i) {
    char szCreator[8] = {};
    int32_t cb = 5;
    if (CmGetConduitCreatorID(i, szCreator, &cb) < 0) continue;
    OVConduitFacts c;
    c.kind = OVCondKind::Application;
    c.nIndex = i;
    c.strCreator = std::string(szCreator, strnlen(szCreator, 4));
    char szLib[260] = {}, szTitle[64] = {};
    cb = sizeof szLib;
    CmGetCreatorName(szCreator, szLib, &cb);
    cb = sizeof szTitle;
    CmGetCreatorTitle(szCreator, szTitle, &cb);
    c.strLibrary = OVField(szLib);
    c.strTitle = OVField(szTitle);
    c.bHasPriority = CmGetCreatorPriority(szCreator, &c.nPriority) == 0;
    f.conduits.push_back(c);
  }
}

void ReadSystemConduits(OVFacts& f) {
  if (IsPalmLibraryLoaded(PD_LIB_INSTAIDE)) {
    int32_t n = PltGetInstallConduitCount();
    if (n > kMaxConduits) n = kMaxConduits;
    for (int32_t i = 0; i < n; ++i) {
      PltInstallConduitInfo info = {};
      int32_t cb = sizeof info;
      if (PltGetInstallConduitInfo(i, &info, &cb) <= 0) continue;
      OVConduitFacts c;
      c.kind = OVCondKind::Install;
      c.nIndex = i;
      c.strCreator.assign(info.szCreator, sizeof info.szCreator);
      c.strLibrary = OVField(info.szConduit);
      c.strTitle = OVField(info.szTitle);
      f.conduits.push_back(c);
    }
  }
  char szLib[260] = {};
  int32_t cb = sizeof szLib;
  if (CmGetBackupConduit(szLib, &cb) == 0 && szLib[0]) {
    OVConduitFacts c;
    c.kind = OVCondKind::Backup;
    c.strLibrary = OVField(szLib);
    f.conduits.push_back(c);
  }
}

void ReadUsers(OVFacts& f) {
  CxListOf<PalmUser>* pUsers = GetPalmUserList();
  if (!pUsers) return;
  f.bUsersRead = true;
  for (PalmUser* p = pUsers->GetFirst(); p; p = pUsers->GetNext()) {
    OVUserFacts u;
    u.strName = OVField(p->szUserName);
    u.strDir = OVField(p->szUserDir);
    if (!u.strDir.empty()) {
      u.strFullDir = IsAbsolute(u.strDir) ? u.strDir : f.strDesktop + "\\" + u.strDir;
      u.bDirExists = IsDir(u.strFullDir);
    }
    if (u.bDirExists) {
      for (const char* fmt : {HV_HTML_LOG_FORMAT, HV_PLAIN_LOG_FORMAT}) {
        char szPath[HV_PATH_SIZE];
        if (!HVFormLogPath(szPath, fmt, f.strDesktop.c_str(), u.strDir.c_str())) continue;
        OVLogFacts log;
        log.strPath = szPath;
        const DWORD a = GetFileAttributesA(szPath);
        log.bExists = a != INVALID_FILE_ATTRIBUTES;
        if (!log.bExists) continue;
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(szPath, GetFileExInfoStandard, &data))
          log.nSize = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (a & FILE_ATTRIBUTE_DIRECTORY) {
          log.bDirectory = true;
          log.strWhy = "it is a directory, not a file";
        } else if (std::FILE* fp = HVOpenForReading(szPath)) {
          char buf[512];
          const size_t got = std::fread(buf, 1, sizeof buf, fp);
          log.bReadable = got == sizeof buf || !std::ferror(fp);
          if (!log.bReadable) log.strWhy = "reading it fails";
          std::fclose(fp);
        } else {
          log.strWhy = std::strerror(errno);
        }
        u.logs.push_back(log);
      }
    }
    f.users.push_back(u);
  }
}

void ReadStore(OVFacts& f) {
  CondRecordReader reader;
  if (!reader.Open(f.strStorePath.c_str())) return;
  CondData rec;
  while (reader.Read(&rec)) {
    OVStoreFacts s;
    s.strCreator = OVField(rec.szCreatorID);
    s.strTitle = OVField(rec.szTitle);
    s.strLibrary = OVField(rec.szConduit);
    const DWORD a =
        s.strLibrary.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(s.strLibrary.c_str());
    s.bLibraryExists = a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    f.store.push_back(s);
  }
}

}  // namespace

OVFacts OVGatherFacts(const std::string& strModuleDir) {
  OVFacts f;
  char szExeDir[MAX_PATH] = {};
  GetModuleDir(nullptr, szExeDir);
  f.strIniPath = SettingsPath(szExeDir);
  char szPD[260] = {};
  GetPrivateProfileStringA("Path", "PDPath", "", szPD, sizeof szPD, f.strIniPath.c_str());
  f.bFromPDPath = szPD[0] != '\0';
  f.strStorePath = strModuleDir + kOVRestoreStore;
  char szDesktop[260] = {};
  f.bDesktopKnown = GetPalmDesktopPath(szDesktop, sizeof szDesktop) == 0;
  if (f.bDesktopKnown) {
    f.strDesktop = szDesktop;
    f.bDesktopExists = IsDir(f.strDesktop);
  }
  if (f.bDesktopExists) {
    static const struct {
      unsigned bit;
      const char* name;
    } kLibs[] = {{PD_LIB_CONDMGR, "condmgr.dll"},
                 {PD_LIB_USERDATA, "UserData.dll"},
                 {PD_LIB_HSAPI, "HSAPI.DLL"},
                 {PD_LIB_INSTAIDE, "instaide.dll"}};
    for (const auto& lib : kLibs) {
      if (IsPalmLibraryLoaded(lib.bit)) continue;
      f.strLibraryNotLoaded = lib.name;
      break;
    }
    if (IsPalmLibraryLoaded(PD_LIB_CONDMGR)) {
      ReadApplicationConduits(f);
      ReadSystemConduits(f);
    }
    // A library shared by several conduits is looked up and loaded once.
    std::map<std::string, std::string> keys;
    std::map<std::string, OVLibraryFacts> seen;
    for (OVConduitFacts& c : f.conduits) {
      auto k = keys.find(c.strLibrary);
      if (k == keys.end()) k = keys.emplace(c.strLibrary, LibraryKey(c.strLibrary)).first;
      c.strLibraryKey = k->second;
      auto it = seen.find(c.strLibraryKey);
      if (it == seen.end())
        it = seen.emplace(c.strLibraryKey, ExamineLibrary(FullPathOf(c.strLibrary))).first;
    }
    // The libraries that are whole images are asked all in one go.
    std::vector<std::string> ask, askKeys;
    for (const auto& kv : seen)
      if (kv.second.bExists && kv.second.strNotImage.empty()) {
        askKeys.push_back(kv.first);
        ask.push_back(kv.first);
      }
    const std::vector<CondAnswer> answers = CondAsker::Instance().Ask(ask);
    for (size_t i = 0; i < askKeys.size() && i < answers.size(); ++i)
      TakeAnswer(seen[askKeys[i]], answers[i]);
    for (OVConduitFacts& c : f.conduits) c.lib = seen[c.strLibraryKey];
    if (IsPalmLibraryLoaded(PD_LIB_USERDATA)) ReadUsers(f);
    OVGatherLogHealth(f);
  }
  ReadStore(f);
  return f;
}

// ---------------------------------------------------------------- the rules

bool OVIsPrintableCreator(const std::string& s) {
  if (s.size() != 4) return false;
  for (const char ch : s)
    if (ch < 0x20 || ch > 0x7E) return false;
  return true;
}

const OVMachine& OVConduitMachine() {
#if defined(_WIN64)
  // The x86_64 test build loads only its own kind.
  static const OVMachine m = {0x8664, 0x20B, true, "64-bit"};
#else
  static const OVMachine m = {0x14C, 0x10B, false, "32-bit"};
#endif
  return m;
}

std::string OVImageProblem(const unsigned char* p, size_t cb, const OVMachine& want) {
  auto u16 = [&](size_t at) { return static_cast<unsigned>(p[at] | (p[at + 1] << 8)); };
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(p[at]) | (static_cast<uint32_t>(p[at + 1]) << 8) |
           (static_cast<uint32_t>(p[at + 2]) << 16) | (static_cast<uint32_t>(p[at + 3]) << 24);
  };
  if (!p || cb < 0x40 || p[0] != 'M' || p[1] != 'Z') return "it is not a Windows program file";
  const uint32_t pe = u32(0x3C);
  // Signature, file header (20 bytes) and the optional header's magic.
  if (pe > cb || cb - pe < 4 + 20 + 2 || std::memcmp(p + pe, "PE\0\0", 4) != 0)
    return "it is not a Windows program file";
  const unsigned machine = u16(pe + 4);
  const unsigned characteristics = u16(pe + 4 + 18);
  const unsigned magic = u16(pe + 24);
  const bool b64 = machine == 0x8664 || machine == 0xAA64 || magic == 0x20B;
  if (b64 != want.b64) return b64 ? "it is a 64-bit file" : "it is a 32-bit file";
  if (machine != want.machine || magic != want.magic) {
    char sz[96];
    std::snprintf(sz, sizeof sz, "it is built for another processor (machine 0x%x)", machine);
    return sz;
  }
  if (!(characteristics & 0x2000)) return "it is a program, not a library";
  return "";
}

namespace {

std::string Quoted(const std::string& s) { return "\"" + OVVisible(s) + "\""; }

std::string ConduitName(const OVConduitFacts& c) {
  switch (c.kind) {
    case OVCondKind::Backup:
      return "the backup conduit";
    case OVCondKind::Install:
      return "install conduit " + Quoted(c.strTitle) + " (" + OVVisible(c.strCreator) + ")";
    default:
      return "conduit " + Quoted(c.strTitle) + " (" + OVVisible(c.strCreator) + ")";
  }
}

std::string RemoveHint(const OVConduitFacts& c) {
  if (c.kind == OVCondKind::Application && OVIsPrintableCreator(c.strCreator))
    return ", or uninstall the conduit: tdcond uninstall \"" + c.strCreator + "\"";
  if (c.kind == OVCondKind::Application) return ", or uninstall the conduit on the Orvello tab";
  return ", or repair Palm Desktop";
}

class Rules {
 public:
  explicit Rules(std::vector<OVFinding>& out) : m_out(out) {}

  void Add(OVSeverity sev, const char* check, std::string subject, std::string creator,
           std::string file, std::string problem, std::string action) {
    m_out.push_back({sev, check, std::move(subject), std::move(creator), std::move(file),
                     std::move(problem), std::move(action)});
  }

  void Desktop(const OVFacts& f) {
    const std::string where = f.bFromPDPath ? " (set by \"PDPath\" in " + f.strIniPath + ")"
                                            : " (Palm Desktop's \"DesktopPath\")";
    if (!f.bDesktopKnown) {
      Add(OVSeverity::Error, "desktop-missing", "Palm Desktop", "", "",
          "The Palm Desktop directory is not known: there is no \"PDPath\" in " + f.strIniPath +
              " and Palm Desktop's \"DesktopPath\" cannot be read.",
          "Install Palm Desktop for this Windows user, or name its directory with \"PDPath\" in "
          "section [Path] of " +
              f.strIniPath + ".");
      return;
    }
    if (!f.bDesktopExists) {
      Add(OVSeverity::Error, "desktop-missing", "Palm Desktop", "", f.strDesktop,
          "The Palm Desktop directory " + Quoted(f.strDesktop) + where + " does not exist.",
          f.bFromPDPath ? "Correct or remove \"PDPath\" in " + f.strIniPath + "."
                        : std::string("Reinstall Palm Desktop."));
      return;
    }
    if (!f.strLibraryNotLoaded.empty())
      Add(OVSeverity::Error, "desktop-library", "Palm Desktop", "",
          f.strDesktop + "\\" + f.strLibraryNotLoaded,
          "Palm Desktop's library " + f.strLibraryNotLoaded + " does not load from " +
              Quoted(f.strDesktop) + where + ", so what depends on it cannot be checked.",
          "Repair or reinstall Palm Desktop" +
              std::string(f.bFromPDPath ? ", or correct \"PDPath\"." : "."));
  }

  void Conduit(const OVConduitFacts& c) {
    const std::string name = ConduitName(c);
    const std::string creator = c.kind == OVCondKind::Backup ? "" : c.strCreator;
    if (c.kind != OVCondKind::Backup && !OVIsPrintableCreator(c.strCreator))
      Add(OVSeverity::Error, "creator-invalid", name, creator, "",
          "Its creator ID " + Quoted(c.strCreator) + " is not four printable characters.",
          c.kind == OVCondKind::Application
              ? "Uninstall the conduit and install it again with a creator ID of four printable "
                "characters (the conduit's maker names it)."
              : "Reinstall the software the install conduit came with.");
    const std::string lib = Quoted(c.strLibrary);
    const std::string fix = "Reinstall the software the conduit came with" + RemoveHint(c) + ".";
    if (c.strLibrary.empty()) {
      Add(OVSeverity::Error, "library-missing", name, creator, "",
          "No library is registered for it.", fix);
    } else if (c.lib.bDirectory || !c.lib.bExists) {
      Add(OVSeverity::Error, "library-missing", name, creator, c.strLibrary,
          "Its library " + lib + (c.lib.bDirectory ? " is a directory." : " does not exist."), fix);
    } else if (c.lib.bCrashed) {
      Add(OVSeverity::Error, "library-crashed", name, creator, c.strLibrary,
          "Its library " + lib +
              " crashed when it was asked for its name: HotSync would stop on it.",
          fix);
    } else if (c.lib.bMisbehaved) {
      Add(OVSeverity::Error, "library-misbehaved", name, creator, c.strLibrary,
          "Its library " + lib +
              " wrote out of turn when it was asked for its name: HotSync may stop on it.",
          fix);
    } else if (c.lib.bUnasked) {
      // Nothing is known of it: said once for all such libraries (Unchecked).
    } else if (c.lib.bNoAnswer) {
      Add(OVSeverity::Error, "library-no-answer", name, creator, c.strLibrary,
          "Its library " + lib +
              " did not answer when it was asked for its name: HotSync would "
              "hang on it.",
          fix);
    } else if (!c.lib.strNotImage.empty() || !c.lib.bLoads) {
      const std::string why = !c.lib.strNotImage.empty()
                                  ? c.lib.strNotImage
                                  : "loading it fails: " + SystemMessage(c.lib.dwLoadError);
      Add(OVSeverity::Error, "library-not-32bit", name, creator, c.strLibrary,
          "Its library " + lib + " does not load as a " + OVConduitMachine().szBits +
              " DLL: " + why + ".",
          fix);
    } else if (!c.lib.bOpenConduit) {
      Add(OVSeverity::Error, "library-not-conduit", name, creator, c.strLibrary,
          "Its library " + lib + " exports no OpenConduit: HotSync cannot run it as a conduit.",
          fix);
    }
    if (c.kind == OVCondKind::Application && c.bHasPriority && (c.nPriority < 1 || c.nPriority > 5))
      Add(OVSeverity::Warning, "priority", name, creator, "",
          "Its priority " + std::to_string(c.nPriority) + " is outside 1 to 5.",
          "Set a priority from 1 to 5 in the conduit's properties on the Orvello tab.");
  }

  // Libraries the conduit helper could not ask: not a fault of theirs, but
  // nothing about them was checked.
  void Unchecked(const std::vector<OVConduitFacts>& conduits) {
    std::vector<std::string> libs;
    std::string why;
    for (const OVConduitFacts& c : conduits) {
      if (!c.lib.bUnasked) continue;
      if (std::find(libs.begin(), libs.end(), c.strLibraryKey) == libs.end())
        libs.push_back(c.strLibraryKey);
      why = c.lib.strUnasked;
    }
    if (libs.empty()) return;
    Add(OVSeverity::Warning, "library-unchecked", "conduit libraries", "", "",
        std::to_string(libs.size()) +
            (libs.size() == 1 ? " conduit library was" : " conduit libraries were") +
            " not checked: " + why + ".",
        "Make sure tdcprobe.exe beside Tandelix can run (a security program may block it), "
        "then check again.");
  }

  void Twice(const std::vector<OVConduitFacts>& conduits) {
    std::map<std::string, std::vector<const OVConduitFacts*>> byCreator;
    std::vector<std::string> order;
    for (const OVConduitFacts& c : conduits) {
      if (c.kind == OVCondKind::Backup) continue;
      auto& v = byCreator[c.strCreator];
      if (v.empty()) order.push_back(c.strCreator);
      v.push_back(&c);
    }
    for (const std::string& creator : order) {
      const auto& v = byCreator[creator];
      if (v.size() < 2) continue;
      std::string who;
      for (const OVConduitFacts* c : v)
        who += (who.empty() ? "" : ", ") + ConduitName(*c) + " with " + Quoted(c->strLibrary);
      Add(OVSeverity::Error, "creator-twice", "creator ID " + Quoted(creator), creator, "",
          "The creator ID is registered " + std::to_string(v.size()) + " times: " + who +
              ". HotSync runs only one conduit per creator ID.",
          "Uninstall the conduits that should not hold it, keeping one.");
    }
  }

  void Shared(const std::vector<OVConduitFacts>& conduits) {
    std::map<std::string, std::vector<const OVConduitFacts*>> byLib;
    std::vector<std::string> order;
    for (const OVConduitFacts& c : conduits) {
      if (c.strLibraryKey.empty()) continue;
      auto& v = byLib[c.strLibraryKey];
      if (v.empty()) order.push_back(c.strLibraryKey);
      v.push_back(&c);
    }
    for (const std::string& key : order) {
      const auto& v = byLib[key];
      bool bOneCreator = true;  // then it is the same conduit registered twice
      for (const OVConduitFacts* c : v)
        bOneCreator = bOneCreator && c->strCreator == v[0]->strCreator;
      if (v.size() < 2 || bOneCreator) continue;
      std::string who;
      for (const OVConduitFacts* c : v) who += (who.empty() ? "" : ", ") + ConduitName(*c);
      Add(OVSeverity::Warning, "library-shared", "library " + Quoted(v[0]->strLibrary), "",
          v[0]->strLibrary,
          std::to_string(v.size()) + " conduits use the same library: " + who + ".",
          "Check that they belong to the same software; uninstall those that should not use it.");
    }
  }

  void Users(const OVFacts& f) {
    for (const OVUserFacts& u : f.users) {
      const std::string name = "user " + Quoted(u.strName);
      if (u.strDir.empty() || !u.bDirExists) {
        Add(OVSeverity::Error, "user-directory", name, "", u.strFullDir,
            u.strDir.empty() ? "No directory is recorded for the user."
                             : "The user's directory " + Quoted(u.strFullDir) + " does not exist.",
            "Create the directory, or remove the user in Palm Desktop.");
        continue;
      }
      for (const OVLogFacts& log : u.logs) {
        if (log.bReadable && log.nSize > kOVLogTooLarge) {
          Add(OVSeverity::Warning, "log-too-large", name, "", log.strPath,
              "The user's HotSync log " + Quoted(log.strPath) + " holds " +
                  std::to_string(log.nSize / (1024 * 1024)) +
                  " MB, far more than HotSync Manager keeps: it starts slowly or fails.",
              "Rename the log; HotSync starts a new one.");
          continue;
        }
        if (log.bReadable) continue;
        Add(OVSeverity::Warning, "log-unreadable", name, "", log.strPath,
            "The user's HotSync log " + Quoted(log.strPath) + " cannot be read: " + log.strWhy +
                ".",
            log.bDirectory
                ? std::string("Move the directory elsewhere: HotSync keeps its log in a file "
                              "of that name.")
                : std::string("Close the program that holds it or give this Windows user "
                              "access to it; if it is damaged, rename it and HotSync "
                              "starts a new one."));
      }
    }
  }

  void Store(const OVFacts& f) {
    for (const OVStoreFacts& s : f.store) {
      if (s.bLibraryExists) continue;
      Add(OVSeverity::Warning, "store-library-gone",
          "restorable conduit " + Quoted(s.strTitle) + " (" + OVVisible(s.strCreator) + ")",
          s.strCreator, s.strLibrary,
          "Its library " + Quoted(s.strLibrary) + " is gone, so the entry in " + f.strStorePath +
              " can no longer be restored.",
          "Reinstall the conduit's software to use it again; otherwise nothing is lost: Tandelix "
          "drops the entry the next time it writes the file.");
    }
  }

 private:
  std::vector<OVFinding>& m_out;
};

const char* SeverityText(OVSeverity s) {
  return s == OVSeverity::Error ? "error" : s == OVSeverity::Warning ? "warning" : "info";
}

}  // namespace

std::vector<OVFinding> OVDiagnose(const OVFacts& f) {
  std::vector<OVFinding> out;
  Rules rules(out);
  rules.Desktop(f);
  // A creator enumerated twice answers with its first registration's details:
  // only the first is checked; the second is reported as registered twice.
  std::vector<std::string> seen;
  for (const OVConduitFacts& c : f.conduits) {
    if (c.kind == OVCondKind::Application) {
      if (std::find(seen.begin(), seen.end(), c.strCreator) != seen.end()) continue;
      seen.push_back(c.strCreator);
    }
    rules.Conduit(c);
  }
  rules.Unchecked(f.conduits);
  rules.Twice(f.conduits);
  rules.Shared(f.conduits);
  rules.Users(f);
  OVDiagnoseLogHealth(f, out);
  rules.Store(f);
  return out;
}

size_t OVCountErrors(const std::vector<OVFinding>& findings) {
  return OVCount(findings, OVSeverity::Error);
}

size_t OVCount(const std::vector<OVFinding>& findings, OVSeverity severity) {
  size_t n = 0;
  for (const OVFinding& x : findings) n += x.severity == severity;
  return n;
}

void OVWriteFindings(std::string& out, const OVFacts& facts,
                     const std::vector<OVFinding>& findings) {
  out += "Palm Desktop: " + (facts.bDesktopKnown ? facts.strDesktop : std::string("(not found)")) +
         "\n";
  for (const OVFinding& x : findings) {
    out += "\n";
    out += SeverityText(x.severity);
    out += " [" + x.strCheck + "] " + x.strSubject + "\n";
    out += "  " + x.strProblem + "\n";
    out += "  To do: " + x.strAction + "\n";
  }
  const size_t nErrors = OVCountErrors(findings);
  const size_t nWarnings = OVCount(findings, OVSeverity::Warning);
  const size_t nInfo = OVCount(findings, OVSeverity::Info);
  const std::string info = nInfo ? ", " + std::to_string(nInfo) + " for information" : "";
  if (nErrors + nWarnings == 0) {
    out += nInfo ? "\nNo problems found" + info + ".\n" : "No problems found.\n";
  } else {
    out += "\n" + std::to_string(nErrors) + (nErrors == 1 ? " error, " : " errors, ") +
           std::to_string(nWarnings) + (nWarnings == 1 ? " warning" : " warnings") + info +
           ".\n";
  }
}

void OVWriteFindingsJson(std::string& out, const OVFacts& facts,
                         const std::vector<OVFinding>& findings) {
  out += "{\"desktop\":";
  if (facts.bDesktopKnown) {
    OVJsonString(out, facts.strDesktop);
  } else {
    out += "null";
  }
  out += ",\"findings\":[";
  for (size_t i = 0; i < findings.size(); ++i) {
    const OVFinding& x = findings[i];
    out += i ? ",\n{" : "\n{";
    OVJsonField(out, "severity", SeverityText(x.severity));
    out += ',';
    OVJsonField(out, "check", x.strCheck);
    out += ',';
    OVJsonField(out, "subject", x.strSubject);
    out += ',';
    OVJsonField(out, "creator", x.strCreator);
    out += ',';
    OVJsonField(out, "file", x.strFile);
    out += ',';
    OVJsonField(out, "problem", x.strProblem);
    out += ',';
    OVJsonField(out, "action", x.strAction);
    out += '}';
  }
  const size_t nErrors = OVCountErrors(findings);
  out += findings.empty() ? "]" : "\n]";
  out += ",\"errors\":" + std::to_string(nErrors) +
         ",\"warnings\":" + std::to_string(OVCount(findings, OVSeverity::Warning)) +
         ",\"info\":" + std::to_string(OVCount(findings, OVSeverity::Info)) + "}\n";
}
