#include "misc/DurableFile.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <time.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
bool RealFlush(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
  const intptr_t h = _get_osfhandle(_fileno(f));
  return h != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(h)) != 0;
}

bool RealMove(const char* szFrom, const char* szTo) {
  return MoveFileExA(szFrom, szTo, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RealCopyOver(const char* szFrom, const char* szTo) {
  if (!CopyFileA(szFrom, szTo, FALSE)) return false;
  std::FILE* f = std::fopen(szTo, "r+b");
  const bool ok = f && RealFlush(f);
  return (f ? std::fclose(f) == 0 : false) && ok;
}

void RealPause(unsigned n) { Sleep(n); }
#else
bool RealFlush(std::FILE* f) { return std::fflush(f) == 0 && fsync(fileno(f)) == 0; }

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
  ok = ok && RealFlush(out);
  if (out && std::fclose(out) != 0) ok = false;
  return ok;
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

namespace {

// Tries a step up to five times, the pauses between growing from 20 ms: a
// scanner's or backup program's hold of about a third of a second is waited out.
template <typename Step>
bool WithRetries(const DurableFileOps& ops, Step step) {
  unsigned nPause = 20;
  for (int nTry = 0;; ++nTry) {
    if (step()) return true;
    if (nTry == 4) return false;
    ops.Pause(nPause);
    nPause *= 2;
  }
}

}  // namespace

bool CommitTempStream(std::FILE* f, const char* szTemp, const char* szTarget, HeldTarget held) {
  if (!f) return false;
  if (!szTemp || !*szTemp || !szTarget || !*szTarget) {
    std::fclose(f);
    return false;
  }
  const DurableFileOps& ops = *g_pOps;
  // Without its data on the disk, the moved file could be empty after a power cut.
  bool ok = WithRetries(ops, [&] { return ops.Flush(f); });
  if (std::fclose(f) != 0) ok = false;
  if (ok) {
    if (WithRetries(ops, [&] { return ops.Move(szTemp, szTarget); })) return true;
    ok = held == HeldTarget::WriteOver && ops.CopyOver(szTemp, szTarget);
  }
  RemoveTemp(szTemp);
  return ok;
}

bool CommitTempFile(const char* szTemp, const char* szTarget, HeldTarget held) {
  if (!szTemp || !*szTemp) return false;
  std::FILE* f = nullptr;
  WithRetries(*g_pOps, [&] { return (f = std::fopen(szTemp, "r+b")) != nullptr; });
  if (!f) {
    RemoveTemp(szTemp);
    return false;
  }
  return CommitTempStream(f, szTemp, szTarget, held);
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
  if (cbData != 0 && std::fwrite(pData, 1, cbData, f) != cbData) {
    std::fclose(f);
    RemoveTemp(temp.c_str());
    return false;
  }
  return CommitTempStream(f, temp.c_str(), szPath, held);
}
