#include "Seeder.h"

#include <windows.h>

#include "palm/PalmDesktop.h"

namespace {

const char* const kStandins[] = {"condmgr.dll", "UserData.dll", "HSAPI.DLL", "instaide.dll"};

std::string LineMsg(int nLine, const std::string& what) {
  return nLine ? "line " + std::to_string(nLine) + ": " + what : what;
}

bool IsFile(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates a directory with every missing parent.
bool MakeDirs(const std::string& path) {
  if (path.empty()) return false;
  const DWORD a = GetFileAttributesA(path.c_str());
  if (a != INVALID_FILE_ATTRIBUTES) return (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos && slash > 0 && path[slash - 1] != ':')
    if (!MakeDirs(path.substr(0, slash))) return false;
  return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string Join(const std::string& dir, const std::string& rel) {
  if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) return dir + rel;
  return dir + "\\" + rel;
}

void WipeRegistry() { RegDeleteTreeA(HKEY_CURRENT_USER, PD_REG_ROOT); }

bool Registry(const SeedPlan& plan, std::string* pError) {
  auto fail = [&](int nLine, const std::string& what, int32_t rc) {
    *pError = LineMsg(nLine, what + " failed (" + std::to_string(rc) + ")");
    return false;
  };
  HKEY h;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, PD_REG_CORE, 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                      nullptr) != ERROR_SUCCESS)
    return fail(plan.nDesktopLine, "creating the registry key", -1);
  const LONG rc = RegSetValueExA(h, "DesktopPath", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(plan.sDesktop.c_str()),
                                 static_cast<DWORD>(plan.sDesktop.size() + 1));
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS) return fail(plan.nDesktopLine, "writing DesktopPath", rc);

  if (!LoadPalmLibrariesFrom(plan.sDesktop.c_str(), PD_LIB_ALL))
    return fail(plan.nDesktopLine, "loading the libraries from the desktop", -1);

  for (const SeedUser& u : plan.users) {
    const int32_t r = TdxSeedUser(u.dwUserID, u.sName.c_str(), u.sDir.c_str(), u.bProfile);
    if (r < 0) return fail(u.nLine, "adding the user", r);
  }
  for (const SeedSlot& s : plan.slots) {
    const int32_t r = TdxSeedSlot(s.dwUserID, s.dwSlotRef, s.dwMediaType, s.sName.c_str());
    if (r < 0) return fail(s.nLine, "adding the slot", r);
  }
  for (const SeedApp& a : plan.apps) {
    const char* c = a.sCreator.c_str();
    int32_t r = CmInstallCreator(c, PD_CONDUIT_APPLICATION);
    if (!r) r = CmSetCreatorName(c, a.sLibrary.c_str());
    if (!r) r = CmSetCreatorDirectory(c, a.sDirectory.c_str());
    if (!r) r = CmSetCreatorFile(c, a.sFile.c_str());
    if (!r) r = CmSetCreatorPriority(c, a.nPriority);
    if (!r) r = CmSetCreatorRemote(c, a.sRemote.c_str());
    if (!r) r = CmSetCreatorTitle(c, a.sTitle.c_str());
    if (!r) r = CmSetCreatorInfo(c, a.sInfo.c_str());
    if (!r) r = CmSetCreatorIntegrate(c, a.nIntegrate);
    if (r) return fail(a.nLine, "registering the application conduit", r);
  }
  for (const SeedInstall& in : plan.installs) {
    const int32_t r =
        TdxSeedInstallConduit(in.sCreator.c_str(), in.sLibrary.c_str(), in.sTitle.c_str());
    if (r < 0) return fail(in.nLine, "registering the install conduit", r);
  }
  if (plan.nBackupLine) {
    const int32_t r = CmSetBackupConduit(plan.sBackup.c_str());
    if (r) return fail(plan.nBackupLine, "setting the backup conduit", r);
  }
  return true;
}

}  // namespace

bool SeedDesktop(const SeedPlan& plan, const std::string& sBinDir, std::string* pError) {
  std::string dummy;
  if (!pError) pError = &dummy;

  // Everything that can be checked is checked before anything is made.
  for (const char* lib : kStandins) {
    if (!IsFile(Join(sBinDir, lib))) {
      *pError = std::string("the stand-in library ") + lib + " is not in " + sBinDir;
      return false;
    }
  }
  for (const SeedFile& f : plan.files) {
    if (!IsFile(f.sSource)) {
      *pError = LineMsg(f.nLine, "no such file: " + f.sSource);
      return false;
    }
  }

  // Files first: the registry is only touched once the directory is complete.
  if (!MakeDirs(plan.sDesktop)) {
    *pError = LineMsg(plan.nDesktopLine, "cannot create the directory " + plan.sDesktop);
    return false;
  }
  for (const char* lib : kStandins) {
    if (!CopyFileA(Join(sBinDir, lib).c_str(), Join(plan.sDesktop, lib).c_str(), FALSE)) {
      *pError = std::string("cannot copy ") + lib + " into " + plan.sDesktop;
      return false;
    }
  }
  for (const SeedUser& u : plan.users) {
    if (!MakeDirs(Join(plan.sDesktop, u.sDir))) {
      *pError = LineMsg(u.nLine, "cannot create the user directory " + u.sDir);
      return false;
    }
  }
  for (const SeedFile& f : plan.files) {
    const std::string target = Join(plan.sDesktop, f.sTarget);
    const size_t slash = target.find_last_of("\\/");
    if ((slash != std::string::npos && !MakeDirs(target.substr(0, slash))) ||
        !CopyFileA(f.sSource.c_str(), target.c_str(), FALSE)) {
      *pError = LineMsg(f.nLine, "cannot copy " + f.sSource + " to " + target);
      return false;
    }
  }

  WipeRegistry();
  const bool bOk = Registry(plan, pError);
  UnloadPalmLibraries(PD_LIB_ALL);
  if (!bOk) WipeRegistry();
  return bOk;
}
