// Conduit health of a long history: the time to build the health of N
// generated HotSync operations (read once beforehand), with and without the
// registered conduits to match, and to write its page; the reading beside it.
//   healthbench [--ops N] [--runs N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "LogGen.h"
#include "logs/HealthPage.h"
#include "logs/LogHealth.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// A generated plain log cut after its nOps-th operation.
bool MakeLog(uint64_t nOps, std::string& text) {
  for (uint64_t nBytes = nOps * 600;; nBytes *= 2) {
    std::FILE* f = std::tmpfile();
    if (!f) return false;
    CHVLogGen gen(false, 20030715);
    const bool ok = gen.Write(f, nBytes);
    text.assign(static_cast<size_t>(gen.Stats().nBytes), '\0');
    std::rewind(f);
    const size_t got = ok ? std::fread(text.data(), 1, text.size(), f) : 0;
    std::fclose(f);
    if (got != text.size()) return false;
    if (gen.Stats().nOperations <= nOps) continue;
    size_t at = 0;
    for (uint64_t i = 0; i < nOps; ++i) {
      at = text.find("HotSync operation complete", at);
      if (at == std::string::npos) return false;
      at = text.find('\n', at) + 1;
    }
    text.resize(at);
    return true;
  }
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t nOps = 10000;
  int runs = 10;
  for (int i = 1; i < argc; ++i) {
    if (i + 1 < argc && std::strcmp(argv[i], "--ops") == 0) {
      nOps = std::strtoull(argv[++i], nullptr, 10);
    } else if (i + 1 < argc && std::strcmp(argv[i], "--runs") == 0) {
      runs = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: healthbench [--ops N] [--runs N]\n");
      return 2;
    }
  }
  if (nOps == 0 || runs <= 0) return 2;
  std::string text;
  if (!MakeLog(nOps, text)) {
    std::fprintf(stderr, "healthbench: cannot generate the log\n");
    return 1;
  }
  // The generator's applications, registered under titles of their own.
  const std::vector<HVRegistered> reg = {
      {"date", "Date Book", ""},     {"addr", "Address Book", ""}, {"todo", "To Do List", ""},
      {"memo", "Memo Pad", ""},      {"mail", "Mail Pro", "Mail"}, {"Expn", "Expense", ""},
      {"Clip", "Web Clippings", ""}, {"NtPd", "Note Pad", ""}};

  double bestRead = 1e9, bestPlain = 1e9, bestReg = 1e9, bestPage = 1e9;
  size_t nHealthOps = 0, nConduits = 0, nPage = 0;
  for (int r = 0; r < runs; ++r) {
    CLogReader reader;
    reader.KeepUnfinished(true);
    const auto t0 = Clock::now();
    reader.ReadBuffer(text.data(), text.size());
    const auto t1 = Clock::now();
    const HVHealth plain = HVBuildHealth(reader.Operations(), nullptr);
    const auto t2 = Clock::now();
    const HVHealth h = HVBuildHealth(reader.Operations(), &reg);
    const auto t3 = Clock::now();
    std::string page;
    HVWriteHealthPage(page, "Ann Smith", h);
    const auto t4 = Clock::now();
    bestRead = std::min(bestRead, Ms(t0, t1));
    bestPlain = std::min(bestPlain, Ms(t1, t2));
    bestReg = std::min(bestReg, Ms(t2, t3));
    bestPage = std::min(bestPage, Ms(t3, t4));
    nHealthOps = h.ops.size();
    if (plain.ops.size() != h.ops.size()) return 1;
    nConduits = h.conduits.size();
    nPage = page.size();
  }
  std::printf("log: %.1f MB, %zu operations, %zu conduits (with the registered ones)\n",
              static_cast<double>(text.size()) / 1048576, nHealthOps, nConduits);
  std::printf("  reading:                        %8.2f ms\n", bestRead);
  std::printf("  health, registrations unknown:  %8.2f ms\n", bestPlain);
  std::printf("  health, 8 registrations:        %8.2f ms\n", bestReg);
  std::printf("  health page (%zu KB):           %8.2f ms\n", nPage / 1024, bestPage);
  std::printf("  best of %d runs\n", runs);
  return 0;
}
