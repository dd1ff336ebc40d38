#include "misc/DurableFile.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <time.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
bool RealFlush(const char* szPath) {
  // Full sharing: a scanner looking at the new file must not fail the write.
  HANDLE h = CreateFileA(szPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = FlushFileBuffers(h) != 0;
  CloseHandle(h);
  return ok;
}

bool RealMove(const char* szFrom, const char* szTo) {
  return MoveFileExA(szFrom, szTo, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RealCopyOver(const char* szFrom, const char* szTo) {
  return CopyFileA(szFrom, szTo, FALSE) != 0 && RealFlush(szTo);
}

void RealPause(unsigned n) { Sleep(n); }
#else
bool RealFlush(const char* szPath) {
  const int fd = open(szPath, O_RDONLY);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

bool RealMove(const char* szFrom, const char* szTo) { return std::rename(szFrom, szTo) == 0; }

bool RealCopyOver(const char* szFrom, const char* szTo) {
  std::FILE* in = std::fopen(szFrom, "rb");
  if (!in) return false;
  std::FILE* out = std::fopen(szTo, "wb");
  bool ok = out != nullptr;
  char buf[8192];
  for (size_t n; ok && (n = std::fread(buf, 1, sizeof buf, in)) > 0;)
    ok = std::fwrite(buf, 1, n, out) == n;
  std::fclose(in);
  if (out && std::fclose(out) != 0) ok = false;
  return ok && RealFlush(szTo);
}

void RealPause(unsigned n) {
  timespec ts{static_cast<time_t>(n / 1000), static_cast<long>(n % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}
#endif

const DurableFileOps kRealOps = {RealFlush, RealMove, RealCopyOver, RealPause};
const DurableFileOps* g_pOps = &kRealOps;

void RemoveTemp(const char* szTemp) {
#ifdef _WIN32
  SetFileAttributesA(szTemp, FILE_ATTRIBUTE_NORMAL);  // a stale one may be read-only
#endif
  std::remove(szTemp);
}

}  // namespace

const DurableFileOps* SetDurableFileOps(const DurableFileOps* pOps) {
  const DurableFileOps* pOld = g_pOps;
  g_pOps = pOps ? pOps : &kRealOps;
  return pOld;
}

bool CommitTempFile(const char* szTemp, const char* szTarget, HeldTarget held) {
  if (!szTemp || !*szTemp || !szTarget || !*szTarget) return false;
  const DurableFileOps& ops = *g_pOps;
  // Without its data on the disk, the moved file could be empty after a power cut.
  bool ok = ops.Flush(szTemp);
  if (ok) {
    // A scanner's or backup program's hold lasts moments: about a third of a second in all.
    unsigned nPause = 20;
    for (int nTry = 0;; ++nTry) {
      if (ops.Move(szTemp, szTarget)) return true;
      if (nTry == 4) break;
      ops.Pause(nPause);
      nPause *= 2;
    }
    ok = held == HeldTarget::WriteOver && ops.CopyOver(szTemp, szTarget);
  }
  RemoveTemp(szTemp);
  return ok;
}

std::string DurableTempPath(const char* szTarget, size_t nMaxPath) {
  std::string temp = std::string(szTarget ? szTarget : "") + ".tmp";
  if (temp.size() > nMaxPath && szTarget) {
    // Every name we write is longer than this one, so it fits where the target does.
    const char* slash = std::strrchr(szTarget, '\\');
    if (const char* s2 = std::strrchr(szTarget, '/'); s2 && (!slash || s2 > slash)) slash = s2;
    temp = std::string(szTarget, slash ? static_cast<size_t>(slash - szTarget + 1) : 0) + "~tdx.tmp";
  }
  return temp;
}

bool WriteFileDurably(const char* szPath, const void* pData, size_t cbData, HeldTarget held) {
  if (!szPath || !*szPath || (!pData && cbData)) return false;
  const std::string temp = DurableTempPath(szPath);
  RemoveTemp(temp.c_str());
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  bool ok = cbData == 0 || std::fwrite(pData, 1, cbData, f) == cbData;
  if (std::fclose(f) != 0) ok = false;
  if (!ok) {
    RemoveTemp(temp.c_str());
    return false;
  }
  return CommitTempFile(temp.c_str(), szPath, held);
}
