// HotSync log reading: throughput of the reader on a generated log beside the
// time merely to read the same bytes, and the memory the reader holds.
//   logbench [--mb N] [--form plain|html|both] [--runs N] [--dir D] [--keep]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "LogGen.h"
#include "logs/LogPages.h"
#include "logs/LogReader.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <malloc.h>
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// Memory of the process: the current amount and the high-water mark since the
// last reset, in bytes. Linux: resident set; Windows: private bytes.
struct Mem {
  double now = 0, peak = 0;
};

#ifdef _WIN32
Mem ReadMem() {
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  Mem m;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                           sizeof pmc)) {
    m.now = static_cast<double>(pmc.PagefileUsage);  // private bytes (Wine leaves PrivateUsage 0)
    m.peak = static_cast<double>(pmc.PeakPagefileUsage);
  }
  return m;
}
void ResetPeak() {}  // the peak cannot be reset: measure the reader first
const char* const kMemKind = "private bytes";
#else
Mem ReadMem() {
  Mem m;
  if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      double kb;
      if (std::sscanf(line, "VmRSS: %lf kB", &kb) == 1) m.now = kb * 1024;
      if (std::sscanf(line, "VmHWM: %lf kB", &kb) == 1) m.peak = kb * 1024;
    }
    std::fclose(f);
  }
  return m;
}
void ResetPeak() {
#ifdef __GLIBC__
  malloc_trim(0);  // what an earlier reader freed must not count as in use
#endif
  if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}
const char* const kMemKind = "resident set";
#endif

double ReadOnly(const std::string& path) {
  std::vector<char> buf(256 * 1024);
  const auto t0 = Clock::now();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  unsigned long sum = 0;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) sum += static_cast<unsigned char>(buf[n - 1]);
  std::fclose(f);
  const auto t1 = Clock::now();
  if (sum == 1) std::puts("");  // keeps the reads
  return Seconds(t0, t1);
}

std::string TempDirPath() {
#ifdef _WIN32
  char sz[MAX_PATH];
  const DWORD n = GetTempPathA(MAX_PATH, sz);
  return n ? std::string(sz, n) : std::string(".\\");
#else
  const char* t = std::getenv("TMPDIR");
  return std::string(t && *t ? t : "/tmp") + "/";
#endif
}

int Usage() {
  std::fprintf(stderr,
               "usage: logbench [--mb N] [--form plain|html|both] [--runs N] [--dir D] [--keep]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  double mb = 50;
  int runs = 3;
  std::string form = "both", dir = TempDirPath();
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--keep") {
      keep = true;
    } else if (i + 1 < argc && a == "--mb") {
      mb = std::atof(argv[++i]);
    } else if (i + 1 < argc && a == "--runs") {
      runs = std::atoi(argv[++i]);
    } else if (i + 1 < argc && a == "--form") {
      form = argv[++i];
    } else if (i + 1 < argc && a == "--dir") {
      dir = std::string(argv[++i]) + "/";
    } else {
      return Usage();
    }
  }
  if (mb <= 0 || runs <= 0 || (form != "plain" && form != "html" && form != "both")) return Usage();

  std::vector<bool> forms;
  if (form != "html") forms.push_back(false);
  if (form != "plain") forms.push_back(true);
  for (bool html : forms) {
    const std::string path = dir + (html ? "logbench-HotSyncLog.htm" : "logbench-HotSync.Log");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
      std::fprintf(stderr, "logbench: cannot write %s\n", path.c_str());
      return 1;
    }
    CHVLogGen gen(html, 20030715);
    const bool ok = gen.Write(f, static_cast<uint64_t>(mb * 1024 * 1024));
    if (std::fclose(f) != 0 || !ok) {
      std::fprintf(stderr, "logbench: cannot write %s\n", path.c_str());
      return 1;
    }
    const double size = static_cast<double>(gen.Stats().nBytes);
    std::printf("%s log: %.1f MB, %llu operations, %llu items\n", html ? "HTML" : "plain",
                size / 1048576, static_cast<unsigned long long>(gen.Stats().nOperations),
                static_cast<unsigned long long>(gen.Stats().nItems));

    // Memory first: on Windows the high-water mark cannot be reset.
    double bestRead = 1e9, bestParse = 1e9;
    {
      CLogReader reader;
      ResetPeak();
      const Mem before = ReadMem();
      const auto t0 = Clock::now();
      reader.ReadFile(path.c_str(), html);
      const auto t1 = Clock::now();
      const Mem after = ReadMem();
      bestParse = Seconds(t0, t1);
      std::printf("  reader: %u operations; %s %.1f MB before, peak %.1f MB (+%.1f MB = %.2f x the log)\n",
                  reader.GetCount(), kMemKind, before.now / 1048576, after.peak / 1048576,
                  (after.peak - before.now) / 1048576, (after.peak - before.now) / size);

      // Every page the tab can show for this history: root, month nodes, operations.
      const auto p0 = Clock::now();
      size_t pages = 0, bytes = 0;
      std::string page;
      HVWriteRootPage(page, "Ann Smith", reader.Operations());
      bytes += page.size();
      ++pages;
      const auto p1 = Clock::now();
      const std::vector<HVMonthRun> runs = HVGroupMonthRuns(reader.Operations());
      for (const HVMonthRun& run : runs) {
        page.clear();
        HVWriteMonthPage(page, "Ann Smith", run.strLabel.c_str(), reader.Operations());
        bytes += page.size();
        ++pages;
      }
      const auto p2 = Clock::now();
      for (const HVMonthRun& run : runs) {
        for (SyncOperation* op : run.ops) {
          page.clear();
          HVWriteOperationPage(page, "Ann Smith", *op, nullptr);
          bytes += page.size();
          ++pages;
        }
      }
      const auto p3 = Clock::now();
      std::printf("  pages: root %.3f s; %zu month pages %.3f s (%.2f ms each); %u operation pages "
                  "%.3f s; %.0f MB in all\n",
                  Seconds(p0, p1), runs.size(), Seconds(p1, p2),
                  runs.empty() ? 0 : Seconds(p1, p2) * 1000 / static_cast<double>(runs.size()),
                  reader.GetCount(), Seconds(p2, p3), static_cast<double>(bytes) / 1048576);
    }
    for (int r = 0; r < runs; ++r) {
      const double t = ReadOnly(path);
      if (t >= 0 && t < bestRead) bestRead = t;
      CLogReader reader;
      const auto t0 = Clock::now();
      reader.ReadFile(path.c_str(), html);
      const double p = Seconds(t0, Clock::now());
      if (p < bestParse) bestParse = p;
    }
    std::printf("  read only: %.3f s  %.0f MB/s\n", bestRead, size / 1048576 / bestRead);
    std::printf("  reader:    %.3f s  %.0f MB/s  (best of %d)\n", bestParse,
                size / 1048576 / bestParse, runs + 1);
    if (!keep) std::remove(path.c_str());
  }
  return 0;
}
