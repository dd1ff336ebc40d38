#include "orvello/setup/OVSetupExport.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "misc/DurableFile.h"
#include "misc/WinUtil.h"
#include "orvello/OVHistory.h"
#include "orvello/OVPages.h"
#include "orvello/setup/OVSetupKeys.h"
#include "orvello/setup/OVSetupPaths.h"
#include "orvello/setup/OVSetupSys.h"
#include "orvello/setup/OVSetupZip.h"
#include "palm/CondKey.h"
#include "palm/PalmDesktop.h"

namespace {

// A creator as people read it: its characters, or its number when they are
// not printable.
std::string CreatorForPeople(uint32_t dw) {
  const std::string s = OVCreatorText(dw);
  for (char c : s)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
      char sz[16];
      std::snprintf(sz, sizeof sz, "0x%08x", static_cast<unsigned>(dw));
      return sz;
    }
  return s;
}

std::string EntryPath(const std::string& rel) {
  std::string s = OVAnsiToUtf8(rel);
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

class Gatherer {
 public:
  Gatherer(OVExportPlan& plan, std::string desktop) : m_plan(plan), m_desktop(std::move(desktop)) {}

  // The library a registration names, added once; -1 when there is none.
  int Library(const std::string& registered, const std::string& who) {
    if (registered.empty()) return -1;
    const std::string why = OVCheckLibraryPath(registered);
    if (!why.empty()) {
      Note("The library of " + who + " (" + registered + ") is not carried: " + why + ".");
      return -1;
    }
    const std::string full = OVLibraryFullPath(registered, m_desktop);
    std::string key = full;
    CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
    auto it = m_libs.find(key);
    if (it != m_libs.end()) return it->second;
    const int n = static_cast<int>(m_plan.manifest.libraries.size());
    OVSetupLibrary lib;
    lib.strPath = OVAnsiToUtf8(registered);
    int a = 0, b = 0, c = 0, d = 0;
    GetFileVersion(full.c_str(), &a, &b, &c, &d);
    lib.strVersion = OVVersionText(a, b, c, d);
    WIN32_FILE_ATTRIBUTE_DATA fad;
    lib.bPresent = GetFileAttributesExA(full.c_str(), GetFileExInfoStandard, &fad) &&
                   !(fad.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (lib.bPresent) {
      lib.file.strEntry = "libraries/" + std::to_string(n) + "/" + EntryPath(OVFileNameOf(full));
      lib.file.qwSize = (static_cast<uint64_t>(fad.nFileSizeHigh) << 32) | fad.nFileSizeLow;
      m_libSources.push_back(full);
    } else {
      Note("The library of " + who + " (" + full +
           ") is missing on this PC: only its registration is carried.");
    }
    m_plan.manifest.libraries.push_back(std::move(lib));
    m_libs.emplace(key, n);
    return n;
  }

  void Note(const std::string& s) { m_plan.notes.push_back(s); }

  std::vector<std::string> m_libSources;

 private:
  OVExportPlan& m_plan;
  std::string m_desktop;
  std::map<std::string, int> m_libs;
};

}  // namespace

std::string OVSizeText(uint64_t q) {
  char sz[32];
  if (q >= 1024ull * 1024 * 1024)
    std::snprintf(sz, sizeof sz, "%.1f GB", static_cast<double>(q) / (1024.0 * 1024 * 1024));
  else if (q >= 1024 * 1024)
    std::snprintf(sz, sizeof sz, "%.1f MB", static_cast<double>(q) / (1024.0 * 1024));
  else if (q >= 1024)
    std::snprintf(sz, sizeof sz, "%.0f KB", static_cast<double>(q) / 1024.0);
  else
    std::snprintf(sz, sizeof sz, "%u bytes", static_cast<unsigned>(q));
  return sz;
}

std::string OVDefaultExportName() {
  return "HotSync Set-up " + OVComputerName() + " " + OVLocalDate() + ".zip";
}

bool OVPlanExport(const std::string& strModuleDir, BackupSetList* pSets, bool bWithData,
                  OVExportPlan* pPlan, std::string* pWhy) {
  *pPlan = OVExportPlan{};
  OVSetupManifest& m = pPlan->manifest;
  char szDesktop[260] = {};
  if (GetPalmDesktopPath(szDesktop, sizeof szDesktop) != 0 || !OVIsDir(szDesktop)) {
    if (pWhy) *pWhy = "Palm Desktop is not found on this PC";
    return false;
  }
  const std::string desktop = szDesktop;
  m.strCreated = OVUtcStamp();
  m.strComputer = OVAnsiToUtf8(OVComputerName());
  m.strTandelixVersion = TDX_VERSION_TEXT;
  m.nCodePage = GetACP();
  m.strDesktop = OVAnsiToUtf8(desktop);
  m.bWithData = bWithData;
  Gatherer g(*pPlan, desktop);

  // Every application conduit's whole key, in the Conduit Manager's order.
  std::vector<uint32_t> creators;
  for (const CondKeyRef& ref : ListConduitKeys()) {
    RegKeyValues key;
    const std::string who =
        ref.dwCreator ? "conduit " + CreatorForPeople(ref.dwCreator) : ref.strKey;
    if (!ReadRegKeyValues(ref.strKey, &key)) {
      g.Note("The registration " + ref.strKey + " cannot be read whole and is not carried.");
      continue;
    }
    OVSetupConduit c;
    c.strKey = ref.strKey.substr(ref.strKey.find_last_of('\\') + 1);
    c.strCreator = OVAnsiToUtf8(ref.dwCreator ? CreatorForPeople(ref.dwCreator) : "");
    c.strTitle = OVAnsiToUtf8(OVRegText(key, "Title"));
    for (const RegValue& v : key.values) {
      RegValue out = v;
      out.strName = OVAnsiToUtf8(v.strName);
      c.values.push_back(std::move(out));
    }
    c.nLibrary = g.Library(ref.strConduit, who);
    if (ref.dwCreator) creators.push_back(ref.dwCreator);
    m.conduits.push_back(std::move(c));
  }

  const std::string backup = OVBackupConduit();
  if (!backup.empty()) {
    m.bHasBackup = true;
    m.strBackupLibrary = OVAnsiToUtf8(backup);
    m.nBackupLibrary = g.Library(backup, "the backup conduit");
  }

  if (IsPalmLibraryLoaded(PD_LIB_INSTAIDE)) {
    int32_t n = PltGetInstallConduitCount();
    for (int32_t i = 0; i < n && i < static_cast<int32_t>(kOVSetupMaxConduits); ++i) {
      PltInstallConduitInfo info = {};
      int32_t size = sizeof info;
      if (PltGetInstallConduitInfo(i, &info, &size) <= 0) continue;
      info.szConduit[sizeof info.szConduit - 1] = info.szTitle[sizeof info.szTitle - 1] = '\0';
      uint32_t dw = 0;
      for (int k = 0; k < 4; ++k) dw = (dw << 8) | static_cast<unsigned char>(info.szCreator[k]);
      m.installConduits.push_back({OVAnsiToUtf8(std::string(info.szCreator, 4)),
                                   OVAnsiToUtf8(info.szTitle), OVAnsiToUtf8(info.szConduit)});
      creators.push_back(dw);
    }
  }

  // The users, each with its permanent action for every creator registered.
  std::vector<std::string> sources = g.m_libSources;
  std::vector<std::string> dataSources;
  const int16_t nUsers = UmGetUserCount();
  for (int16_t i = 0; i < nUsers && m.users.size() < kOVSetupMaxUsers; ++i) {
    uint32_t id = 0;
    if (UmGetUserID(i, &id) != 0) continue;
    OVSetupUser u;
    const std::string name = OVUserName(id), dir = OVUserDirectory(id);
    u.strName = OVAnsiToUtf8(name);
    u.strDirectory = OVAnsiToUtf8(dir);
    u.bProfile = UmIsUserProfile(id) != 0;
    if (name.empty() || !OVCheckRelativePath(dir).empty()) {
      g.Note("The user \"" + name + "\" (directory \"" + dir +
             "\") is not carried: its name or directory cannot be used.");
      continue;
    }
    for (uint32_t creator : creators) {
      int32_t nAction = 0;
      bool bSeen = false;
      for (const OVSetupAction& a : u.actions) bSeen |= a.dwCreatorID == creator;
      if (!bSeen && UmGetUserPermSyncPreferences(id, creator, &nAction) == 0 && nAction >= 0 &&
          nAction <= PD_SYNC_CUSTOM)
        u.actions.push_back({creator, OVAnsiToUtf8(CreatorForPeople(creator)), nAction});
    }
    std::vector<OVFoundFile> files;
    std::string why;
    const std::string folder = OVJoinPath(desktop, dir);
    if (OVIsDir(folder) && !OVListFiles(folder, kOVSetupMaxFiles, &files, &why)) {
      g.Note("The folder of user \"" + name + "\" is not carried: " + why + ".");
      files.clear();
    }
    const size_t nUser = m.users.size();
    for (const OVFoundFile& f : files) {
      pPlan->qwDataBytes += f.qwSize;
      ++pPlan->nDataFiles;
      if (!bWithData) continue;
      OVSetupUserFile uf;
      uf.strPath = OVAnsiToUtf8(f.strRel);
      uf.file.strEntry = "users/" + std::to_string(nUser) + "/" + EntryPath(f.strRel);
      uf.file.qwSize = f.qwSize;
      if (!OVCheckEntryName(uf.file.strEntry).empty() || !OVCheckRelativePath(uf.strPath).empty()) {
        g.Note("The file \"" + OVJoinPath(folder, f.strRel) +
               "\" is not carried: its name cannot be used.");
        continue;
      }
      u.files.push_back(std::move(uf));
      dataSources.push_back(OVJoinPath(folder, f.strRel));
    }
    m.users.push_back(std::move(u));
  }
  sources.insert(sources.end(), dataSources.begin(), dataSources.end());

  // Tandelix's own files: the listed backup sets and the history.
  if (pSets) {
    for (BackupSetEntry* p = pSets->GetFirst(); p; p = pSets->GetNext()) {
      const std::string file(p->szFileName, strnlen(p->szFileName, sizeof p->szFileName));
      const std::string path = strModuleDir + file;
      WIN32_FILE_ATTRIBUTE_DATA fad;
      if (!OVCheckRelativePath(file).empty() ||
          !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &fad) ||
          (fad.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || m.sets.size() >= kOVSetupMaxSets)
        continue;
      bool bTwice = false;
      for (const OVSetupBackupSet& s : m.sets)
        bTwice |= lstrcmpiA(OVUtf8ToAnsi(s.strFile).c_str(), file.c_str()) == 0;
      if (bTwice) continue;
      OVSetupBackupSet s;
      s.strFile = OVAnsiToUtf8(file);
      s.strDesc = OVAnsiToUtf8(std::string(p->szDesc, strnlen(p->szDesc, sizeof p->szDesc)));
      s.file.strEntry = "tandelix/" + EntryPath(file);
      s.file.qwSize = (static_cast<uint64_t>(fad.nFileSizeHigh) << 32) | fad.nFileSizeLow;
      m.sets.push_back(std::move(s));
      sources.push_back(path);
    }
  }
  const std::string history = strModuleDir + kOVHistoryFile;
  WIN32_FILE_ATTRIBUTE_DATA fad;
  if (GetFileAttributesExA(history.c_str(), GetFileExInfoStandard, &fad) &&
      !(fad.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    m.bHasHistory = true;
    m.history.strEntry = std::string("tandelix/") + kOVHistoryFile;
    m.history.qwSize = (static_cast<uint64_t>(fad.nFileSizeHigh) << 32) | fad.nFileSizeLow;
    sources.push_back(history);
  }

  pPlan->sources = std::move(sources);
  for (const OVSetupFile* f : m.Files()) pPlan->qwBytes += f->qwSize;
  return true;
}

OVExportResult OVWriteExport(OVExportPlan& plan, const std::string& strTarget,
                             IOVSetupProgress* pProgress, std::string* pWhy) {
  auto fail = [&](const std::string& why) {
    if (pWhy) *pWhy = why;
    return OVExportResult::Failed;
  };
  const std::vector<OVSetupFile*> files = plan.manifest.FilesToFill();
  if (files.size() != plan.sources.size()) return fail("the export was not prepared");
  const std::string temp = DurableTempPath(strTarget.c_str());
  SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(temp.c_str());
  OVZipWriter zip;
  if (!zip.Create(temp)) return fail("\"" + strTarget + "\" cannot be written");
  struct Drop {
    const std::string& path;
    OVZipWriter& zip;
    bool bKeep = false;
    ~Drop() {
      if (bKeep) return;
      zip.Abandon();
      DeleteFileA(path.c_str());
    }
  } drop{temp, zip};

  uint64_t qwDone = 0, qwTotal = plan.qwBytes;
  if (pProgress && !pProgress->Progress(0, qwTotal)) return OVExportResult::Cancelled;
  std::vector<char> buf(256 * 1024);
  for (size_t i = 0; i < files.size(); ++i) {
    OVSetupFile& f = *files[i];
    const std::string& source = plan.sources[i];
    HANDLE h = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return fail("\"" + source + "\" cannot be read");
    FILETIME ft{};
    GetFileTime(h, nullptr, nullptr, &ft);
    WORD wDate = 0, wTime = 0;
    FILETIME local;
    if (FileTimeToLocalFileTime(&ft, &local)) FileTimeToDosDateTime(&local, &wDate, &wTime);
    LARGE_INTEGER size{};
    GetFileSizeEx(h, &size);
    bool ok = zip.Begin(f.strEntry, static_cast<uint64_t>(size.QuadPart),
                        (static_cast<uint32_t>(wDate) << 16) | wTime);
    OVSha256 sha;
    uint64_t qwFile = 0;
    bool bStopped = false;
    while (ok) {
      DWORD cb = 0;
      if (!ReadFile(h, buf.data(), static_cast<DWORD>(buf.size()), &cb, nullptr)) {
        ok = false;
        break;
      }
      if (cb == 0) break;
      ok = sha.Update(buf.data(), cb) && zip.Write(buf.data(), cb);
      qwFile += cb;
      qwDone += cb;
      if (qwDone > qwTotal) qwTotal = qwDone;
      if (ok && pProgress && !pProgress->Progress(qwDone, qwTotal)) bStopped = true;
      if (bStopped) break;
    }
    CloseHandle(h);
    if (bStopped) return OVExportResult::Cancelled;
    if (!ok || !zip.End())
      return fail("\"" + source + "\" could not be packed into \"" + strTarget + "\"");
    f.qwSize = qwFile;
    f.strSha256 = sha.Final();
    if (f.strSha256.empty()) return fail("the system's SHA-256 is not available");
  }
  const std::string manifest = OVWriteManifest(plan.manifest);
  SYSTEMTIME now;
  GetLocalTime(&now);
  if (!zip.Begin(kOVSetupManifestEntry, manifest.size(),
                 OVDosTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond)) ||
      !zip.Write(manifest.data(), manifest.size()) || !zip.End() || !zip.Close())
    return fail("\"" + strTarget + "\" could not be written whole");
  if (pProgress && !pProgress->Progress(qwTotal, qwTotal)) return OVExportResult::Cancelled;
  drop.bKeep = true;
  if (!CommitTempFile(temp.c_str(), strTarget.c_str())) {
    DeleteFileA(temp.c_str());
    return fail("\"" + strTarget + "\" cannot be written");
  }
  return OVExportResult::Done;
}
