#include "orvello/setup/OVSetupImport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "misc/DurableFile.h"
#include "misc/WinUtil.h"
#include "orvello/ConduitTool.h"
#include "orvello/OVDoctor.h"
#include "orvello/OVHistory.h"
#include "orvello/setup/OVSetupKeys.h"
#include "orvello/setup/OVSetupPaths.h"
#include "orvello/setup/OVSetupSys.h"
#include "palm/CondAsk.h"
#include "palm/CondRecord.h"
#include "palm/PalmDesktop.h"
#include "palm/SyncGuard.h"
#include "shell/Settings.h"
#include "tremwick/TWAction.h"

namespace {

std::string A(const std::string& utf8) { return OVUtf8ToAnsi(utf8); }
std::string U(const std::string& ansi) { return OVAnsiToUtf8(ansi); }

std::string Plural(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool SameEntry(const OVLogEntry& a, const OVLogEntry& b) {
  return std::strcmp(a.szFileName, b.szFileName) == 0 && std::strcmp(a.szName, b.szName) == 0 &&
         std::strcmp(a.szVersion, b.szVersion) == 0 && a.nTime == b.nTime && a.nKind == b.nKind;
}

// The history records of bytes (a temporary file is the only way in).
std::vector<OVLogEntry> HistoryOf(const std::string& bytes, const std::string& tempDir) {
  std::vector<OVLogEntry> v;
  const std::string path = tempDir + "\\history.dat";
  if (OVWriteWhole(path, bytes)) OVReadHistory(path.c_str(), &v);
  DeleteFileA(path.c_str());
  return v;
}

std::string LoadError(uint32_t dwError) {
  char sz[256] = {};
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError,
                      0, sz, sizeof sz, nullptr))
    return "error " + std::to_string(dwError);
  std::string s = sz;
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.'))
    s.pop_back();
  return s;
}

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!std::strcmp(fd.cFileName, ".") || !std::strcmp(fd.cFileName, "..")) continue;
      const std::string p = dir + "\\" + fd.cFileName;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTree(p);
      } else {
        SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(p.c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

}  // namespace

// ---------------------------------------------------------------- opening

OVImport::OVImport(std::string strModuleDir) : m_strModuleDir(std::move(strModuleDir)) {}

OVImport::~OVImport() {
  m_zip.Close();
  if (!m_strStage.empty()) RemoveTree(m_strStage);
}

bool OVImport::Open(const std::string& strPath, std::string* pWhy, IOVSetupProgress* pProgress) {
  m_bOpen = false;
  m_strPath = strPath;
  auto fail = [&](const std::string& why) {
    if (pWhy) *pWhy = why;
    m_zip.Close();
    return false;
  };
  std::string why;
  if (!m_zip.Open(strPath, &why) || !m_zip.Walk(&why)) return fail(why);
  const OVZipEntry* pManifest = m_zip.Find(kOVSetupManifestEntry);
  if (!pManifest) return fail("it holds no manifest, so it is not a HotSync set-up file");
  std::string text;
  if (!m_zip.ReadAll(*pManifest, kOVSetupMaxManifest, &text, &why)) return fail(why);
  if (!OVReadManifest(text.data(), text.size(), &m_man, &why)) return fail(why);

  // The ZIP holds exactly the files the manifest names, each as large as it says.
  const std::vector<const OVSetupFile*> files = m_man.Files();
  std::set<const OVZipEntry*> named{pManifest};
  uint64_t qwTotal = 0;
  for (const OVSetupFile* f : files) {
    const OVZipEntry* e = m_zip.Find(f->strEntry);
    if (!e) return fail("the entry \"" + f->strEntry + "\" its manifest names is missing");
    if (e->qwSize != f->qwSize)
      return fail("the entry \"" + f->strEntry + "\" is not as large as its manifest says");
    named.insert(e);
    qwTotal += f->qwSize;
  }
  for (const OVZipEntry& e : m_zip.Entries())
    if (!e.bDirectory && !named.count(&e))
      return fail("the entry \"" + e.strName + "\" is not named by its manifest");

  // A temporary folder for the libraries, which the helper is asked about.
  char szTemp[MAX_PATH] = {};
  const DWORD n = GetTempPathA(sizeof szTemp, szTemp);
  if (n == 0 || n >= sizeof szTemp) return fail("there is no temporary folder");
  char szDir[MAX_PATH];
  std::snprintf(szDir, sizeof szDir, "%stdx-import-%lu-%lu", szTemp,
                static_cast<unsigned long>(GetCurrentProcessId()),
                static_cast<unsigned long>(GetTickCount()));
  if (!m_strStage.empty()) RemoveTree(m_strStage);
  m_strStage = szDir;
  if (!CreateDirectoryA(m_strStage.c_str(), nullptr))
    return fail("the temporary folder cannot be made");

  // Every file's hash, checked before anything is listed.
  m_libs.assign(m_man.libraries.size(), Lib{});
  uint64_t qwDone = 0;
  for (const OVSetupFile* f : files) {
    const OVZipEntry* e = m_zip.Find(f->strEntry);
    std::FILE* out = nullptr;
    std::string* pKeep = nullptr;
    for (size_t i = 0; i < m_man.libraries.size(); ++i) {
      if (&m_man.libraries[i].file != f) continue;
      const std::string dir = m_strStage + "\\" + std::to_string(i);
      CreateDirectoryA(dir.c_str(), nullptr);
      m_libs[i].strStaged = dir + "\\" + A(OVFileNameOf(m_man.libraries[i].strPath));
      out = std::fopen(m_libs[i].strStaged.c_str(), "wb");
      if (!out) return fail("the temporary folder cannot be written");
    }
    if (m_man.bHasHistory && f == &m_man.history) {
      if (f->qwSize > (64u << 20)) return fail("its history is larger than allowed");
      pKeep = &m_history;
    }
    OVSha256 sha;
    bool bWrote = true, bStopped = false;
    const bool ok = m_zip.Read(
        *e,
        [&](const void* p, size_t cb) {
          sha.Update(p, cb);
          if (out) bWrote &= std::fwrite(p, 1, cb, out) == cb;
          if (pKeep) pKeep->append(static_cast<const char*>(p), cb);
          qwDone += cb;
          return !pProgress || pProgress->Progress(qwDone, qwTotal);
        },
        &why, &bStopped);
    if (out && std::fclose(out) != 0) bWrote = false;
    if (bStopped) return fail("reading it was stopped");
    if (!ok) return fail(why);
    if (!bWrote) return fail("the temporary folder cannot be written");
    if (sha.Final() != f->strSha256)
      return fail("the entry \"" + f->strEntry +
                  "\" does not match the SHA-256 its manifest gives");
  }
  m_userMap.clear();
  m_rows.clear();
  m_bOpen = true;
  ReadLocal();
  return true;
}

// ---------------------------------------------------------------- this PC

void OVImport::ReadLocal() {
  m_local = Local{};
  char szDesktop[260] = {};
  if (GetPalmDesktopPath(szDesktop, sizeof szDesktop) == 0) m_local.strDesktop = szDesktop;
  m_local.refs = ListConduitKeys();
  m_local.keys.resize(m_local.refs.size());
  for (size_t i = 0; i < m_local.refs.size(); ++i)
    ReadRegKeyValues(m_local.refs[i].strKey, &m_local.keys[i]);
  m_local.strBackup = OVBackupConduit();
  m_local.bHasBackup = !m_local.strBackup.empty();
  const int16_t nUsers = UmGetUserCount();
  for (int16_t i = 0; i < nUsers; ++i) {
    LocalUser u;
    if (UmGetUserID(i, &u.dwID) != 0) continue;
    u.strName = OVUserName(u.dwID);
    u.strDir = OVUserDirectory(u.dwID);
    m_local.users.push_back(u);
  }
}

std::vector<std::string> OVImport::LocalUsers() const {
  std::vector<std::string> v;
  for (const LocalUser& u : m_local.users) v.push_back(u.strName);
  return v;
}

bool OVImport::MapUser(const std::string& strFrom, const std::string& strTo) {
  bool bFound = false;
  for (const OVSetupUser& u : m_man.users)
    bFound |= A(u.strName) == strFrom || u.strName == strFrom;
  if (!bFound) return false;
  std::string from = strFrom;
  for (const OVSetupUser& u : m_man.users)
    if (A(u.strName) == strFrom) from = u.strName;
  if (strTo.empty()) {
    m_userMap.erase(from);
    return true;
  }
  for (const LocalUser& u : m_local.users)
    if (u.strName == strTo) {
      m_userMap[from] = strTo;
      return true;
    }
  return false;
}

const OVImport::LocalUser* OVImport::Target(int nUser) const {
  const OVSetupUser& u = m_man.users[static_cast<size_t>(nUser)];
  auto it = m_userMap.find(u.strName);
  const std::string name = it != m_userMap.end() ? it->second : A(u.strName);
  for (const LocalUser& l : m_local.users)
    if (l.strName == name) return &l;
  return nullptr;
}

std::string OVImport::TargetOf(int nUser) const {
  const LocalUser* p = Target(nUser);
  return p ? p->strName : std::string();
}

std::string OVImport::DestOfLibrary(int nLib) const {
  std::string path = A(m_man.libraries[static_cast<size_t>(nLib)].strPath);
  if (path.find_first_of("\\/") == std::string::npos) return OVJoinPath(m_local.strDesktop, path);
  OVRewritePath(path, A(m_man.strDesktop), m_local.strDesktop);
  return path;
}

RegKeyValues OVImport::Rewritten(const OVSetupConduit& c) const {
  RegKeyValues k;
  const std::string from = A(m_man.strDesktop);
  for (const RegValue& v : c.values) {
    RegValue w = v;
    w.strName = A(v.strName);
    OVRewriteRegData(w.dwType, w.bytes, from, m_local.strDesktop);
    k.values.push_back(std::move(w));
  }
  return k;
}

// Strangers' code: each library is checked for a DLL header of the kind
// HotSync loads, then asked through the conduit helper in a process of its
// own. Anything but a conduit library that answered is refused.
void OVImport::AskLibraries(const std::vector<int>& libs) {
  std::vector<int> ask;
  for (int i : libs) {
    Lib& l = m_libs[static_cast<size_t>(i)];
    if (l.bAsked) continue;
    l.bAsked = true;
    std::string head;
    if (!ReadWholeFile(l.strStaged.c_str(), &head, 64u << 20)) {
      l.strRefused = "it cannot be read";
      continue;
    }
    const std::string problem = OVImageProblem(reinterpret_cast<const unsigned char*>(head.data()),
                                               head.size() < 4096 ? head.size() : 4096);
    if (!problem.empty()) {
      l.strRefused = "it is no conduit library: " + problem;
      continue;
    }
    ask.push_back(i);
  }
  if (ask.empty()) return;
  char szExe[MAX_PATH] = {};
  GetModuleDir(nullptr, szExe);
  if (!OVIsFile(std::string(szExe) + kCondProbeExe)) {
    for (int i : ask)
      m_libs[static_cast<size_t>(i)].strRefused =
          std::string("it was not asked: the conduit helper ") + kCondProbeExe + " is missing";
    return;
  }
  std::vector<std::string> paths;
  for (int i : ask) paths.push_back(m_libs[static_cast<size_t>(i)].strStaged);
  const std::vector<CondAnswer> answers = CondAsker::Instance().Ask(paths);
  for (size_t k = 0; k < ask.size(); ++k) {
    const CondAnswer& a = answers[k];
    std::string& why = m_libs[static_cast<size_t>(ask[k])].strRefused;
    if (a.state == CondLibState::Answered && a.bOpenConduit) continue;
    if (a.state == CondLibState::Answered)
      why = "it exports no OpenConduit, so it is no conduit library";
    else if (a.state == CondLibState::NotLoaded)
      why = "it does not load (" + LoadError(a.dwLoadError) + ")";
    else if (a.state == CondLibState::Crashed)
      why = "it crashed when it was asked";
    else if (a.state == CondLibState::NoAnswer)
      why = "it did not answer when it was asked";
    else if (a.state == CondLibState::Misbehaved)
      why = "its answers went out of turn when it was asked";
    else if (a.state == CondLibState::Unasked)
      why = "it was not asked: " + CondUnaskedReason(a);
    else
      why = "it was not asked";
  }
}

std::string OVImport::NewSetName(const std::string& strWanted, const std::string& strSha) const {
  const std::string here = m_strModuleDir + strWanted;
  std::string sha;
  if (!OVIsFile(here)) return strWanted;
  if (OVHashFile(here, &sha) && sha == strSha) return {};  // the same set is here
  const std::string dir = OVDirOf(strWanted);
  for (int n = 1; n < 100000; ++n) {
    const std::string name = (dir.empty() ? "" : dir + "\\") + "ovset" + std::to_string(n) + ".bak";
    bool bTaken = OVIsFile(m_strModuleDir + name);
    for (const auto& kv : m_setNames) bTaken |= lstrcmpiA(kv.second.c_str(), name.c_str()) == 0;
    if (!bTaken) return name;
  }
  return {};
}

void OVImport::AddRow(OVRowKind kind, const std::string& change, const std::string& item,
                      const std::string& detail, bool bChecked, bool bCheckable, int n, int n2) {
  OVImportRow r;
  r.kind = kind;
  r.strChange = change;
  r.strItem = item;
  r.strDetail = detail;
  r.bChecked = bChecked && bCheckable;
  r.bCheckable = bCheckable;
  r.nIndex = n;
  r.nIndex2 = n2;
  m_rows.push_back(std::move(r));
}

size_t OVImport::CheckedCount() const {
  size_t n = 0;
  for (const OVImportRow& r : m_rows) n += r.bChecked && r.bCheckable;
  return n;
}

// ---------------------------------------------------------------- the rows

void OVImport::Plan() {
  std::map<std::tuple<int, int, int>, bool> kept;
  for (const OVImportRow& r : m_rows)
    if (r.bCheckable) kept[{static_cast<int>(r.kind), r.nIndex, r.nIndex2}] = r.bChecked;
  m_rows.clear();
  m_setNames.clear();
  if (!m_bOpen) return;
  ReadLocal();
  const std::string computer = A(m_man.strComputer);
  if (m_man.nCodePage != GetACP())
    AddRow(OVRowKind::Note, "Note", "Code page",
           "The file was written in code page " + std::to_string(m_man.nCodePage) +
               ", this PC uses " + std::to_string(GetACP()) +
               ": letters beyond ASCII in conduit settings may differ.",
           false, false);

  // Libraries: where each goes, and whether it is taken.
  std::vector<int> toAsk;
  std::vector<int> libState(m_man.libraries.size(), 0);  // 0 copy, 1 same, 2 replace, 3 none
  for (size_t i = 0; i < m_man.libraries.size(); ++i) {
    const OVSetupLibrary& lib = m_man.libraries[i];
    Lib& l = m_libs[i];
    l.strDest = lib.bPresent ? DestOfLibrary(static_cast<int>(i)) : std::string();
    if (!lib.bPresent) {
      libState[i] = 3;
      continue;
    }
    if (!OVCheckLibraryPath(A(lib.strPath)).empty()) {
      // Letters this PC's code page cannot write: there is no name to copy it to.
      l.bAsked = true;
      l.strRefused = "its path cannot be written in this PC's code page";
      continue;
    }
    std::string sha;
    if (OVIsFile(l.strDest))
      libState[i] = OVHashFile(l.strDest, &sha) && sha == lib.file.strSha256 ? 1 : 2;
    if (libState[i] != 1) toAsk.push_back(static_cast<int>(i));
  }
  AskLibraries(toAsk);
  for (size_t i = 0; i < m_man.libraries.size(); ++i) {
    const OVSetupLibrary& lib = m_man.libraries[i];
    const Lib& l = m_libs[i];
    const std::string name = A(OVFileNameOf(lib.strPath));
    const int n = static_cast<int>(i);
    if (libState[i] == 3) continue;
    if (libState[i] == 1) {
      AddRow(OVRowKind::SameLibrary, "Leave library", name, "the same file is at " + l.strDest,
             false, false, n);
    } else if (!l.strRefused.empty()) {
      AddRow(OVRowKind::RefusedLibrary, "Refuse library", name,
             "not copied to " + l.strDest + ": " + l.strRefused, false, false, n);
    } else if (libState[i] == 2) {
      AddRow(OVRowKind::ReplaceLibrary, "Replace library", name,
             "another file is at " + l.strDest + "; replace it with version " + A(lib.strVersion),
             false, true, n);
    } else {
      AddRow(OVRowKind::CopyLibrary, "Copy library", name,
             "to " + l.strDest + " (version " + A(lib.strVersion) + ")", true, true, n);
    }
  }
  auto libRefused = [&](int nLib) -> std::string {
    if (nLib < 0) return {};
    const Lib& l = m_libs[static_cast<size_t>(nLib)];
    return libState[static_cast<size_t>(nLib)] != 1 ? l.strRefused : std::string();
  };

  // Conduits, matched by creator.
  std::set<uint32_t> seen;
  for (size_t i = 0; i < m_man.conduits.size(); ++i) {
    const OVSetupConduit& c = m_man.conduits[i];
    const int n = static_cast<int>(i);
    const uint32_t creator = OVCreatorOf(c.values);
    const std::string item = A(c.strTitle) + " (" + A(c.strCreator) + ")";
    if (!creator) {
      AddRow(OVRowKind::Note, "Not imported", item, "it has no creator ID", false, false, n);
      continue;
    }
    if (!seen.insert(creator).second) {
      AddRow(OVRowKind::Note, "Not imported", item,
             "its creator ID is registered twice in the file; only the first is imported", false,
             false, n);
      continue;
    }
    const RegKeyValues mine = Rewritten(c);
    const std::string lib = OVRegText(mine, "Conduit");
    const RegKeyValues* pHere = nullptr;
    for (size_t k = 0; k < m_local.refs.size() && !pHere; ++k)
      if (m_local.refs[k].dwCreator == creator) pHere = &m_local.keys[k];
    const std::string refused = libRefused(c.nLibrary);
    std::string missing;
    if (c.nLibrary >= 0 && !m_man.libraries[static_cast<size_t>(c.nLibrary)].bPresent)
      missing = " (its library was missing on " + computer + ")";
    if (pHere && OVSameValues(*pHere, mine)) {
      AddRow(OVRowKind::SameConduit, "Leave conduit", item, "the same registration is here", false,
             false, n);
    } else if (pHere) {
      // Which values differ, so the choice can be made from the row.
      std::string differ;
      for (const RegValue& v : mine.values) {
        const RegValue* w = pHere->Find(v.strName.c_str());
        if (!w || !(*w == v)) differ += (differ.empty() ? "" : ", ") + v.strName;
      }
      for (const RegValue& w : pHere->values)
        if (!mine.Find(w.strName.c_str())) differ += (differ.empty() ? "" : ", ") + w.strName;
      AddRow(OVRowKind::ReplaceConduit, "Replace conduit", item,
             refused.empty() ? "here: " + OVRegText(*pHere, "Conduit") + "; from the file: " + lib +
                                   missing + " (" + differ + " differ)"
                             : "its library was refused: " + refused,
             false, refused.empty(), n);
    } else {
      AddRow(OVRowKind::AddConduit, "Add conduit", item,
             refused.empty() ? lib + missing : "its library was refused: " + refused, true,
             refused.empty(), n);
    }
  }

  // The backup conduit.
  if (m_man.bHasBackup) {
    std::string lib = A(m_man.strBackupLibrary);
    OVRewritePath(lib, A(m_man.strDesktop), m_local.strDesktop);
    const std::string refused = libRefused(m_man.nBackupLibrary);
    if (!m_local.bHasBackup || lstrcmpiA(lib.c_str(), m_local.strBackup.c_str()) != 0)
      AddRow(OVRowKind::BackupConduit, "Set backup conduit", lib,
             !refused.empty()     ? "its library was refused: " + refused
             : m_local.bHasBackup ? "here: " + m_local.strBackup
                                  : "there is none here",
             !m_local.bHasBackup, refused.empty());
  }

  // Users, their actions and their folders.
  for (size_t i = 0; i < m_man.users.size(); ++i) {
    const OVSetupUser& u = m_man.users[i];
    const int n = static_cast<int>(i);
    const std::string name = A(u.strName);
    const LocalUser* pTo = Target(n);
    if (!pTo)
      AddRow(OVRowKind::AddUser, "Add user", name,
             std::string("a new Palm user") + (u.bProfile ? " (a profile)" : ""), true, true, n);
    else
      AddRow(OVRowKind::MapUser, "Map user", name,
             pTo->strName == name ? "to the user of the same name here"
                                  : "to the user \"" + pTo->strName + "\" here",
             false, false, n);
    for (size_t k = 0; k < u.actions.size(); ++k) {
      const OVSetupAction& a = u.actions[k];
      int32_t nNow = -1;
      if (pTo && UmGetUserPermSyncPreferences(pTo->dwID, a.dwCreatorID, &nNow) != 0) nNow = -1;
      if (nNow == a.nAction) continue;
      std::string title = A(a.strCreator);
      for (const OVSetupConduit& c : m_man.conduits)
        if (OVCreatorOf(c.values) == a.dwCreatorID)
          title = A(c.strTitle) + " (" + A(a.strCreator) + ")";
      AddRow(OVRowKind::SetAction, "Set action", name + ": " + title,
             TWPrefText(a.nAction) +
                 (nNow < 0 ? std::string(" (not set here)") : " (here: " + TWPrefText(nNow) + ")"),
             true, true, n, static_cast<int>(k));
    }
    if (u.files.empty()) continue;
    size_t nNew = 0, nDiffer = 0;
    uint64_t qwNew = 0;
    std::string differ;
    const std::string folder = pTo ? OVJoinPath(m_local.strDesktop, pTo->strDir) : std::string();
    size_t nUnnamed = 0;
    for (const OVSetupUserFile& f : u.files) {
      if (!OVCheckRelativePath(A(f.strPath)).empty()) {
        ++nUnnamed;  // letters this PC's code page cannot write
        continue;
      }
      const std::string dest = pTo ? OVJoinPath(folder, A(f.strPath)) : std::string();
      std::string sha;
      if (!pTo || !OVIsFile(dest)) {
        ++nNew;
        qwNew += f.file.qwSize;
      } else if (!OVHashFile(dest, &sha) || sha != f.file.strSha256) {
        if (nDiffer++ < 3) differ += (differ.empty() ? "" : ", ") + A(f.strPath);
      }
    }
    if (nNew)
      AddRow(OVRowKind::CopyUserFiles, "Copy user folder", name,
             Plural(nNew, "file", "files") + ", " + OVSizeText(qwNew) + ", into " +
                 (pTo ? folder : std::string("the new user's folder")),
             true, true, n);
    if (nDiffer)
      AddRow(OVRowKind::ReplaceUserFiles, "Replace user files", name,
             Plural(nDiffer, "file differs", "files differ") + " here (" + differ +
                 (nDiffer > 3 ? ", ..." : "") + "): replace with the file's",
             false, true, n);
    if (nUnnamed)
      AddRow(OVRowKind::Note, "Not imported", name,
             Plural(nUnnamed, "file of the folder has a name", "files of the folder have names") +
                 " this PC's code page cannot write",
             false, false, n);
  }

  // Tandelix's own files.
  for (size_t i = 0; i < m_man.sets.size(); ++i) {
    const OVSetupBackupSet& s = m_man.sets[i];
    if (!OVCheckRelativePath(A(s.strFile)).empty()) {
      AddRow(OVRowKind::Note, "Not imported", A(s.strFile),
             "this PC's code page cannot write the backup set's name", false, false);
      continue;
    }
    const std::string name = NewSetName(A(s.strFile), s.file.strSha256);
    if (name.empty()) continue;
    m_setNames[A(s.strFile)] = name;
    AddRow(OVRowKind::CopySet, "Copy backup set", A(s.strFile),
           "\"" + A(s.strDesc) + "\"" +
               (name != A(s.strFile) ? ", as " + name + " (the name is taken here)" : ""),
           true, true, static_cast<int>(i));
  }
  if (m_man.bHasHistory) {
    const std::vector<OVLogEntry> theirs = HistoryOf(m_history, m_strStage);
    std::vector<OVLogEntry> ours;
    const bool bHere = OVReadHistory((m_strModuleDir + kOVHistoryFile).c_str(), &ours);
    size_t nNew = 0;
    for (const OVLogEntry& e : theirs) {
      bool bHave = false;
      for (const OVLogEntry& o : ours) bHave |= SameEntry(e, o);
      nNew += !bHave;
    }
    if (nNew)
      AddRow(OVRowKind::History, bHere ? "Add history" : "Copy history", kOVHistoryFile,
             Plural(nNew, "record", "records") + " from " + computer, true, true);
  }
  for (const OVSetupInstallConduit& c : m_man.installConduits)
    AddRow(OVRowKind::Note, "Install conduit", A(c.strTitle) + " (" + A(c.strCreator) + ")",
           "listed for information; install conduits come with Palm Desktop", false, false);

  for (OVImportRow& r : m_rows) {
    auto it = kept.find({static_cast<int>(r.kind), r.nIndex, r.nIndex2});
    if (it != kept.end() && r.bCheckable) r.bChecked = it->second;
  }
}

// ---------------------------------------------------------------- applying

// One import as one operation: the undo record is written before the first
// change and again after each step, each file is saved before it is
// written, and every file comes out of the ZIP checked against its hash.
class OVImport::Applier {
 public:
  Applier(OVImport& imp, OVTool* pTool, OVImportReport& rep)
      : m(imp),
        m_pTool(pTool),
        m_rep(rep),
        m_recPath(imp.m_strModuleDir + kOVUndoRecord),
        m_undoDir(imp.m_strModuleDir + kOVUndoFolder) {}

  bool Run(std::string* pWhy);

 private:
  bool Checked(OVRowKind kind, int n = -1, int n2 = -1) const {
    for (const OVImportRow& r : m.m_rows)
      if (r.kind == kind && r.bChecked && r.bCheckable && (n < 0 || r.nIndex == n) &&
          (n2 < 0 || r.nIndex2 == n2))
        return true;
    return false;
  }
  bool WriteRecord() { return OVWriteWhole(m_recPath, OVWriteUndo(m_rec)); }
  bool Keep(const std::string& path);
  void Written(const std::string& path, const std::string& sha);
  void MadeFolders(const std::vector<std::string>& made) {
    for (const std::string& d : made) m_rec.folders.push_back(U(d));
  }
  bool Extract(const OVSetupFile& f, const std::string& dest, std::string* pWhy);
  const LocalUser* UserFor(int nUser) const {
    auto it = m_created.find(nUser);
    return it != m_created.end() ? &it->second : m.Target(nUser);
  }
  void Users();
  void Libraries();
  void Conduits();
  void Backup();
  void Actions();
  void UserFiles();
  void Sets();
  void History();

  OVImport& m;
  OVTool* m_pTool;
  OVImportReport& m_rep;
  std::string m_recPath, m_undoDir;
  OVUndoRecord m_rec;
  int m_nSaved = 0;
  std::map<int, LocalUser> m_created;
  bool m_bIniKept = false;
};

bool OVImport::Applier::Keep(const std::string& path) {
  const std::string u = U(path);
  for (const OVUndoFile& f : m_rec.files)
    if (f.strPath == u) return true;  // saved once, as it was before the import
  OVUndoFile f;
  f.strPath = u;
  if (OVIsFile(path)) {
    f.bExisted = true;
    f.strSaved = std::to_string(++m_nSaved) + ".bak";
    if (!CopyFileA(path.c_str(), (m_undoDir + "\\" + f.strSaved).c_str(), FALSE)) return false;
  }
  m_rec.files.push_back(std::move(f));
  return true;
}

void OVImport::Applier::Written(const std::string& path, const std::string& sha) {
  const std::string u = U(path);
  for (OVUndoFile& f : m_rec.files)
    if (f.strPath == u) {
      f.bWritten = true;
      f.strShaAfter = sha;
    }
}

bool OVImport::Applier::Extract(const OVSetupFile& f, const std::string& dest, std::string* pWhy) {
  const OVZipEntry* e = m.m_zip.Find(f.strEntry);
  if (!e) return *pWhy = "it is no longer in the file", false;
  const std::string temp = DurableTempPath(dest.c_str());
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  std::FILE* out = std::fopen(temp.c_str(), "wb");
  if (!out) return *pWhy = "it cannot be written", false;
  OVSha256 sha;
  bool bWrote = true;
  const bool ok = m.m_zip.Read(
      *e,
      [&](const void* p, size_t cb) {
        sha.Update(p, cb);
        bWrote &= std::fwrite(p, 1, cb, out) == cb;
        return bWrote;
      },
      pWhy);
  if (std::fclose(out) != 0) bWrote = false;
  if (!ok || !bWrote || sha.Final() != f.strSha256) {
    DeleteFileA(temp.c_str());
    if (ok && bWrote)
      *pWhy = "the file changed since it was checked";
    else if (!bWrote)
      *pWhy = "it cannot be written";
    return false;
  }
  if (!CommitTempFile(temp.c_str(), dest.c_str()))
    return *pWhy = "it cannot be put in place", false;
  return true;
}

void OVImport::Applier::Users() {
  for (size_t i = 0; i < m.m_man.users.size(); ++i) {
    const int n = static_cast<int>(i);
    if (!Checked(OVRowKind::AddUser, n)) continue;
    const OVSetupUser& u = m.m_man.users[i];
    const std::string name = A(u.strName);
    std::set<uint32_t> before;
    for (const LocalUser& l : m.m_local.users) before.insert(l.dwID);
    const int32_t rc = UmAddUser(name.c_str(), u.bProfile ? 1 : 0);
    LocalUser made;
    const int16_t nUsers = UmGetUserCount();
    for (int16_t k = 0; rc == 0 && k < nUsers && !made.dwID; ++k) {
      uint32_t id = 0;
      if (UmGetUserID(k, &id) == 0 && !before.count(id) && OVUserName(id) == name) {
        made.dwID = id;
        made.strName = name;
        made.strDir = OVUserDirectory(id);
      }
    }
    if (!made.dwID) {
      m_rep.notDone.push_back("User \"" + name + "\" was not added (error " + std::to_string(rc) +
                              ").");
      continue;
    }
    const std::string folder = OVJoinPath(m.m_local.strDesktop, made.strDir);
    m_rec.users.push_back({u.strName, U(folder), made.dwID});
    std::vector<std::string> dirs;
    OVMakeDirs(folder, &dirs);
    MadeFolders(dirs);
    m_created[n] = made;
    WriteRecord();
    m_rep.done.push_back("Added user \"" + name + "\" (folder " + folder + ").");
  }
}

void OVImport::Applier::Libraries() {
  std::vector<size_t> todo;
  for (size_t i = 0; i < m.m_libs.size(); ++i) {
    const int n = static_cast<int>(i);
    const bool bReplace = Checked(OVRowKind::ReplaceLibrary, n);
    if (!bReplace && !Checked(OVRowKind::CopyLibrary, n)) continue;
    const std::string& dest = m.m_libs[i].strDest;
    if (!bReplace && OVIsFile(dest)) {
      m_rep.notDone.push_back("Library " + dest +
                              " was not copied: a file of that name appeared there.");
      continue;
    }
    std::vector<std::string> dirs;
    if (!OVMakeDirs(OVDirOf(dest), &dirs) || !Keep(dest)) {
      MadeFolders(dirs);
      m_rep.notDone.push_back("Library " + dest + " was not copied: its folder cannot be written.");
      continue;
    }
    MadeFolders(dirs);
    todo.push_back(i);
  }
  WriteRecord();
  for (size_t i : todo) {
    const std::string& dest = m.m_libs[i].strDest;
    std::string why;
    if (!Extract(m.m_man.libraries[i].file, dest, &why)) {
      m_rep.notDone.push_back("Library " + dest + " was not copied: " + why + ".");
      continue;
    }
    Written(dest, m.m_man.libraries[i].file.strSha256);
    m_rep.done.push_back("Copied library " + dest + ".");
  }
  WriteRecord();
}

namespace {

// The key the Conduit Manager made for a creator it just registered: the
// number it gives a new key when that holds the creator, else the last key
// of the creator.
std::string NewKeyOf(const std::string& creator, uint32_t dw, int nNext) {
  char szKey[128];
  std::snprintf(szKey, sizeof szKey, PD_REG_APP_FMT, nNext);
  DWORD dwHere = 0, cb = sizeof dwHere;
  if (nNext >= 0 &&
      RegGetValueA(HKEY_CURRENT_USER, szKey, "Creator", RRF_RT_REG_DWORD, nullptr, &dwHere, &cb) ==
          ERROR_SUCCESS &&
      dwHere == dw)
    return szKey;
  const std::vector<CondKeyRef> refs = ConduitKeysOf(creator.c_str());
  return refs.empty() ? std::string() : refs.back().strKey;
}

// Makes a registered creator's key hold exactly these values, byte for byte.
bool WriteWhole(const std::string& key, const RegKeyValues& values) {
  RegKeyValues now;
  if (key.empty()) return false;
  if (ReadRegKeyValues(key, &now) && OVSameValues(now, values)) return true;
  return WriteRegKeyValues(key, values, true);
}

}  // namespace

// Two passes: first every registration through the Conduit Manager, then
// every key's values written whole, so the Conduit Manager is not made to
// read all its keys again after each one.
void OVImport::Applier::Conduits() {
  struct Job {
    size_t nIndex;
    bool bReplace;
    uint32_t dw;
    std::string creator, item, key;
    RegKeyValues mine, old;
  };
  std::vector<Job> jobs;
  int nKeys = -1;  // how many application keys there are, while it is known
  auto putBack = [&](const Job& j) {
    if (!j.bReplace || CmInstallCreator(j.creator.c_str(), PD_CONDUIT_APPLICATION) != 0)
      return std::string();
    nKeys = -1;
    return WriteWhole(NewKeyOf(j.creator, j.dw, -1), j.old)
               ? std::string(" The one here was put back.")
               : std::string();
  };
  for (size_t i = 0; i < m.m_man.conduits.size(); ++i) {
    const int n = static_cast<int>(i);
    const bool bReplace = Checked(OVRowKind::ReplaceConduit, n);
    if (!bReplace && !Checked(OVRowKind::AddConduit, n)) continue;
    if (nKeys < 0) nKeys = static_cast<int>(ListConduitKeys().size());
    const OVSetupConduit& c = m.m_man.conduits[i];
    Job j{i,
          bReplace,
          OVCreatorOf(c.values),
          "",
          "\"" + A(c.strTitle) + "\" (" + A(c.strCreator) + ")",
          "",
          m.Rewritten(c),
          {}};
    j.creator = OVCreatorText(j.dw);
    if (strnlen(j.creator.c_str(), 5) != 4) {
      m_rep.notDone.push_back("Conduit " + j.item +
                              " was not registered: its creator ID cannot be.");
      continue;
    }
    if (bReplace) {
      const std::vector<CondKeyRef> refs = ConduitKeysOf(j.creator.c_str());
      if (!refs.empty()) ReadRegKeyValues(refs.front().strKey, &j.old);
      if (refs.empty() || CmRemoveConduitByCreatorID(j.creator.c_str()) != 1) {
        m_rep.notDone.push_back("Conduit " + j.item +
                                " was not replaced: the one here cannot be removed.");
        continue;
      }
      PdRegChange::Changed();
      --nKeys;
    }
    PdRegChange::Changed();
    const int32_t rc = CmInstallCreator(j.creator.c_str(), PD_CONDUIT_APPLICATION);
    if (rc == 0) j.key = NewKeyOf(j.creator, j.dw, nKeys);
    if (j.key.empty()) {
      if (rc == 0) CmRemoveConduitByCreatorID(j.creator.c_str());
      m_rep.notDone.push_back("Conduit " + j.item + " was not registered (error " +
                              std::to_string(rc) + ")." + putBack(j));
      nKeys = -1;
      continue;
    }
    ++nKeys;
    jobs.push_back(std::move(j));
  }
  for (const Job& j : jobs) {
    if (WriteWhole(j.key, j.mine)) {
      m_rep.done.push_back((j.bReplace ? "Replaced conduit " : "Added conduit ") + j.item + ".");
      continue;
    }
    CmRemoveConduitByCreatorID(j.creator.c_str());
    m_rep.notDone.push_back("Conduit " + j.item + " was not registered whole." + putBack(j));
  }
}

void OVImport::Applier::Backup() {
  if (!Checked(OVRowKind::BackupConduit)) return;
  std::string lib = A(m.m_man.strBackupLibrary);
  OVRewritePath(lib, A(m.m_man.strDesktop), m.m_local.strDesktop);
  m_rec.bBackupChanged = true;
  m_rec.strBackupBefore = U(m.m_local.strBackup);
  m_rec.strBackupAfter = U(lib);
  WriteRecord();
  PdRegChange::Changed();
  if (CmSetBackupConduit(lib.c_str()) == 0) {
    m_rep.done.push_back("Set the backup conduit to " + lib + ".");
  } else {
    m_rec.bBackupChanged = false;
    m_rep.notDone.push_back("The backup conduit was not set to " + lib + ".");
  }
}

void OVImport::Applier::Actions() {
  struct Todo {
    const LocalUser* pUser;
    const OVSetupAction* pAction;
    size_t nRecord;
  };
  std::vector<Todo> todo;
  for (size_t i = 0; i < m.m_man.users.size(); ++i) {
    const OVSetupUser& u = m.m_man.users[i];
    for (size_t k = 0; k < u.actions.size(); ++k) {
      if (!Checked(OVRowKind::SetAction, static_cast<int>(i), static_cast<int>(k))) continue;
      const LocalUser* pUser = UserFor(static_cast<int>(i));
      if (!pUser) {
        m_rep.notDone.push_back("The actions of user \"" + A(u.strName) +
                                "\" were not set: the user was not added.");
        break;
      }
      OVUndoAction a;
      a.strUser = U(pUser->strName);
      a.dwUserID = pUser->dwID;
      a.dwCreatorID = u.actions[k].dwCreatorID;
      a.nSet = u.actions[k].nAction;
      int32_t nNow = 0;
      a.bHadBefore = UmGetUserPermSyncPreferences(pUser->dwID, a.dwCreatorID, &nNow) == 0 &&
                     nNow >= 0 && nNow <= PD_SYNC_CUSTOM;
      a.nBefore = a.bHadBefore ? nNow : 0;
      todo.push_back({pUser, &u.actions[k], m_rec.actions.size()});
      m_rec.actions.push_back(a);
    }
  }
  if (todo.empty()) return;
  WriteRecord();
  std::vector<bool> failed(m_rec.actions.size(), false);
  size_t nDone = 0;
  for (const Todo& t : todo) {
    const int32_t rc =
        UmSetUserPermSyncPreferences(t.pUser->dwID, t.pAction->dwCreatorID, t.pAction->nAction);
    if (rc == 0) {
      ++nDone;
      continue;
    }
    failed[t.nRecord] = true;
    m_rep.notDone.push_back("The action of user \"" + t.pUser->strName + "\" for " +
                            A(t.pAction->strCreator) + " was not set (error " + std::to_string(rc) +
                            ").");
  }
  for (size_t i = failed.size(); i-- > 0;)
    if (failed[i]) m_rec.actions.erase(m_rec.actions.begin() + static_cast<std::ptrdiff_t>(i));
  if (nDone) {
    PdRegChange::Changed();
    m_rep.done.push_back("Set " + Plural(nDone, "sync action", "sync actions") + ".");
  }
  WriteRecord();
}

void OVImport::Applier::UserFiles() {
  for (size_t i = 0; i < m.m_man.users.size(); ++i) {
    const int n = static_cast<int>(i);
    const bool bCopy = Checked(OVRowKind::CopyUserFiles, n),
               bReplace = Checked(OVRowKind::ReplaceUserFiles, n);
    if (!bCopy && !bReplace) continue;
    const OVSetupUser& u = m.m_man.users[i];
    const LocalUser* pUser = UserFor(n);
    if (!pUser) {
      m_rep.notDone.push_back("The folder of user \"" + A(u.strName) +
                              "\" was not copied: the user was not added.");
      continue;
    }
    const std::string folder = OVJoinPath(m.m_local.strDesktop, pUser->strDir);
    std::vector<const OVSetupUserFile*> todo;
    size_t nKept = 0;
    for (const OVSetupUserFile& f : u.files) {
      if (!OVCheckRelativePath(A(f.strPath)).empty()) continue;  // listed as not imported
      const std::string dest = OVJoinPath(folder, A(f.strPath));
      std::string sha;
      if (OVIsFile(dest)) {
        if (OVHashFile(dest, &sha) && sha == f.file.strSha256) continue;
        if (!bReplace) {
          ++nKept;
          continue;
        }
      } else if (!bCopy) {
        continue;
      }
      std::vector<std::string> dirs;
      const bool ok = OVMakeDirs(OVDirOf(dest), &dirs) && Keep(dest);
      MadeFolders(dirs);
      if (!ok) {
        m_rep.notDone.push_back("File " + dest +
                                " was not copied: it cannot be saved or its folder made.");
        continue;
      }
      todo.push_back(&f);
    }
    WriteRecord();
    size_t nCopied = 0;
    for (const OVSetupUserFile* f : todo) {
      const std::string dest = OVJoinPath(folder, A(f->strPath));
      std::string why;
      if (!Extract(f->file, dest, &why)) {
        m_rep.notDone.push_back("File " + dest + " was not copied: " + why + ".");
        continue;
      }
      Written(dest, f->file.strSha256);
      ++nCopied;
    }
    WriteRecord();
    if (nCopied)
      m_rep.done.push_back("Copied " + Plural(nCopied, "file", "files") + " into " + folder + ".");
    if (nKept)
      m_rep.notDone.push_back(Plural(nKept, "file", "files") + " of user \"" + A(u.strName) +
                              "\" differing here were kept as they are.");
  }
}

void OVImport::Applier::Sets() {
  const std::string ini = SettingsPath(m.m_strModuleDir.c_str());
  BackupSetList own;
  BackupSetList* pList = m_pTool && m_pTool->BackupSets() ? m_pTool->BackupSets() : &own;
  if (pList == &own) {
    TdxSettings ignored;
    ReadSettingsFile(ini.c_str(), ignored, &own);
  }
  const std::string from = A(m.m_man.strDesktop);
  size_t nAdded = 0;
  for (size_t i = 0; i < m.m_man.sets.size(); ++i) {
    if (!Checked(OVRowKind::CopySet, static_cast<int>(i))) continue;
    const OVSetupBackupSet& s = m.m_man.sets[i];
    auto it = m.m_setNames.find(A(s.strFile));
    if (it == m.m_setNames.end()) continue;
    const std::string name = it->second, path = m.m_strModuleDir + name;
    const OVZipEntry* e = m.m_zip.Find(s.file.strEntry);
    std::string bytes, why;
    if (!e || !m.m_zip.ReadAll(*e, 64u << 20, &bytes, &why) ||
        OVSha256Of(bytes) != s.file.strSha256) {
      m_rep.notDone.push_back("Backup set " + name +
                              " was not copied: it does not read back as checked.");
      continue;
    }
    // The set's libraries in the source's Palm Desktop directory are this PC's now.
    for (size_t at = 0; at + COND_RECORD_SIZE <= bytes.size(); at += COND_RECORD_SIZE) {
      CondData rec;
      DecodeCondData(bytes.data() + at, &rec);
      std::string lib = rec.szConduit;
      if (!OVRewritePath(lib, from, m.m_local.strDesktop) || lib.size() >= sizeof rec.szConduit)
        continue;
      std::memset(rec.szConduit, 0, sizeof rec.szConduit);
      std::memcpy(rec.szConduit, lib.data(), lib.size());
      EncodeCondData(rec, bytes.data() + at);
    }
    std::vector<std::string> dirs;
    const bool ok = OVMakeDirs(OVDirOf(path), &dirs) && Keep(path) && (m_bIniKept || Keep(ini));
    MadeFolders(dirs);
    m_bIniKept = m_bIniKept || ok;
    WriteRecord();
    if (!ok || !OVWriteWhole(path, bytes)) {
      m_rep.notDone.push_back("Backup set " + name + " was not copied: it cannot be written.");
      continue;
    }
    Written(path, OVSha256Of(bytes));
    BackupSetEntry entry{};
    std::snprintf(entry.szFileName, sizeof entry.szFileName, "%s", name.c_str());
    std::snprintf(entry.szDesc, sizeof entry.szDesc, "%s", A(s.strDesc).c_str());
    BackupSetEntry* pAdded = nullptr;
    if (m_pTool && pList == m_pTool->BackupSets()) {
      pAdded = m_pTool->AddBackupSet(entry);
    } else {
      pAdded = new BackupSetEntry(entry);
      if (!own.Add(pAdded)) delete pAdded;
    }
    m_rec.sets.push_back(U(name));
    ++nAdded;
    m_rep.done.push_back("Copied backup set " + name + ".");
  }
  if (!nAdded) return;
  std::string sha;
  if (WriteBackupSetList(ini.c_str(), pList) && OVHashFile(ini, &sha))
    Written(ini, sha);
  else
    m_rep.notDone.push_back("The backup sets could not be listed in " + ini + ".");
  WriteRecord();
}

void OVImport::Applier::History() {
  if (!Checked(OVRowKind::History)) return;
  const std::string path = m.m_strModuleDir + kOVHistoryFile;
  if (!Keep(path) || !WriteRecord()) {
    m_rep.notDone.push_back("The history was not copied: " + path + " cannot be saved first.");
    return;
  }
  std::vector<OVLogEntry> ours;
  const bool bHere = OVReadHistory(path.c_str(), &ours);
  bool ok;
  size_t nAdded = 0;
  if (!bHere) {
    ok = OVWriteWhole(path, m.m_history);
    nAdded = HistoryOf(m.m_history, m.m_strStage).size();
  } else {
    // Theirs after ours, each record once.
    const std::string temp = DurableTempPath(path.c_str());
    ok = CopyFileA(path.c_str(), temp.c_str(), FALSE) != 0;
    for (const OVLogEntry& e : HistoryOf(m.m_history, m.m_strStage)) {
      bool bHave = false;
      for (const OVLogEntry& o : ours) bHave |= SameEntry(e, o);
      if (bHave || !ok) continue;
      ok = OVAppendHistory(temp.c_str(), e);
      ours.push_back(e);
      ++nAdded;
    }
    ok = ok && CommitTempFile(temp.c_str(), path.c_str());
    if (!ok) DeleteFileA(temp.c_str());
  }
  std::string sha;
  if (ok && OVHashFile(path, &sha)) {
    Written(path, sha);
    m_rep.done.push_back("Added " + Plural(nAdded, "history record", "history records") + " to " +
                         path + ".");
  } else {
    m_rep.notDone.push_back("The history was not copied into " + path + ".");
  }
  WriteRecord();
}

bool OVImport::Applier::Run(std::string* pWhy) {
  PdRegChange op;
  if (op.Refused()) return *pWhy = kPdSyncRunning, false;
  DirLock lock(m.m_strModuleDir.c_str());
  if (!lock.Held())
    return *pWhy = "Another Tandelix is changing its files. Try again in a moment.", false;
  m_rec.strArchive = U(m.m_strPath);
  m_rec.strComputer = m.m_man.strComputer;
  m_rec.strTime = OVUtcStamp();
  m_rec.before = OVAllConduitKeys();
  RemoveTree(m_undoDir);
  if (!CreateDirectoryA(m_undoDir.c_str(), nullptr) || !WriteRecord()) {
    DeleteFileA(m_recPath.c_str());
    return *pWhy = "What the import changes cannot be saved first in " + m_undoDir +
                   ", so nothing was imported.",
           false;
  }
  Users();
  Libraries();
  Conduits();
  m_rec.after = OVAllConduitKeys();
  WriteRecord();
  Backup();
  Actions();
  UserFiles();
  Sets();
  History();
  m_rec.after = OVAllConduitKeys();
  m_rec.bComplete = true;
  if (!WriteRecord())
    m_rep.notDone.push_back("The undo record " + m_recPath +
                            " could not be completed: undo may not put everything back.");
  return true;
}

bool OVImport::Apply(OVTool* pTool, OVImportReport* pReport, std::string* pWhy) {
  OVImportReport rep;
  std::string why;
  if (!m_bOpen || CheckedCount() == 0) {
    if (pWhy)
      *pWhy = m_bOpen ? "Nothing was imported: no change is checked." : "No set-up file is open.";
    return false;
  }
  Applier a(*this, pTool, rep);
  const bool ok = a.Run(&why);
  if (pReport) *pReport = std::move(rep);
  if (!ok && pWhy) *pWhy = why;
  return ok;
}
