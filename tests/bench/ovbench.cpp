// The conduit tab's work with many conduits, under Wine: start-up of the tool
// (both lists), Refresh, Uninstall + Restore of one conduit, and the history
// page from a long history. The lists are in-memory, so this is the tool's
// own time plus the Palm Desktop libraries'.
//   ovbench [--conduits N] [--history N] [--runs N]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "orvello/ConduitTool.h"
#include "orvello/OVPages.h"
#include "palm/CondAsk.h"
#include "palm/PalmDesktop.h"
#include "support/PalmSandbox.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

struct NullPrompt : IPrompt {
  void ShowError(const char*) override {}
  void ShowInfo(const char*, const char*) override {}
  Answer Ask(const char*, const char*, bool) override { return Answer::Yes; }
};

struct FixedClock : IOVClock {
  int32_t Now() override { return 1765280000; }
  TdxDateTime ToLocal(int32_t) override { return TdxDateTime{2025, 12, 2, 9, 11, 33, 20, 0}; }
};

}  // namespace

int main(int argc, char** argv) {
  int nConduits = 1000, nHistory = 10000, nRuns = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--conduits")) nConduits = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--history")) nHistory = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--runs")) nRuns = std::atoi(argv[i + 1]);
  }
  tdxtest::PalmSandbox sb;
  tdxtest::TempDir prog("ovbench");
  // Every conduit its own copy of the library, as on a real desktop.
  for (int i = 0; i < nConduits; ++i) {
    char lib[32], creator[8], title[32];
    std::snprintf(lib, sizeof lib, "Cond%04d.dll", i);
    std::snprintf(creator, sizeof creator, "C%03d", i % 1000);
    creator[0] = static_cast<char>('A' + i / 1000);
    std::snprintf(title, sizeof title, "Conduit %d", i);
    CopyFileA(tdxtest::PalmSandbox::BinFile("cond_plain.dll").c_str(), sb.File(lib).c_str(), FALSE);
    tdxtest::AppConduitSpec c;
    c.creator = creator;
    c.conduit = lib;
    c.title = title;
    c.directory = "dir";
    c.file = "file.dat";
    sb.AddAppConduit(c);
  }
  SetCurrentDirectoryA(sb.Dir().c_str());
  LoadPalmLibrariesFrom(sb.Dir().c_str(), PD_LIB_ALL);

  const std::string dir = prog.path().string() + "\\";
  NullPrompt prompt;
  FixedClock clock;
  OVLog log;
  log.Attach(dir.c_str(), &prompt, nullptr, &clock);
  OVRowList app, sys;
  OVPorts ports;
  ports.pApp = &app;
  ports.pSys = &sys;
  ports.pPrompt = &prompt;
  ports.pClock = &clock;
  ports.pLog = &log;
  ports.strModuleDir = dir;

  std::printf("ovbench: %d application conduits, %d runs\n", nConduits, nRuns);
  for (int r = 0; r < nRuns; ++r) {
    OVTool tool;
    tool.Attach(ports);
    auto t0 = Clock::now();
    tool.InitConduitTool();
    auto t1 = Clock::now();
    tool.btnOVRefreshClick();
    auto t2 = Clock::now();
    CondData* p = app.rows[app.rows.size() / 2].pData;
    tool.UninstallConduit(p, true);
    auto t3 = Clock::now();
    tool.RestoreConduit(p, true);
    auto t4 = Clock::now();
    std::printf("  start-up of the tool %.0f ms, Refresh %.0f ms, Uninstall %.1f ms, Restore %.1f ms"
                " (%zu rows; helper runs so far %u)\n",
                Ms(t0, t1), Ms(t1, t2), Ms(t2, t3), Ms(t3, t4), app.rows.size(),
                CondAsker::Instance().HelperRuns());
    // Where a Refresh goes: reading the configuration, then the two lists.
    auto f0 = Clock::now();
    tool.AppManager()->LoadConduits(CONDS_MANAGER | CONDS_KEEP_MISSING);
    auto f1 = Clock::now();
    tool.SysManager()->LoadConduits(CONDS_BACKUP | CONDS_INSTALL);
    auto f2 = Clock::now();
    tool.FillAppList();
    auto f3 = Clock::now();
    tool.FillSysList();
    auto f4 = Clock::now();
    // Of the reading, the libraries' answers (from the cache once warm).
    std::vector<std::string> libs;
    for (CondData* p = tool.AppManager()->GetFirst(); p; p = tool.AppManager()->GetNext())
      libs.push_back(p->szConduit);
    auto q0 = Clock::now();
    CondAsker::Instance().Ask(libs);
    auto q1 = Clock::now();
    std::printf("    Refresh: application conduits read %.0f ms (of it the libraries' answers %.0f ms),"
                " system %.0f ms, lists %.0f + %.0f ms\n",
                Ms(f0, f1), Ms(q0, q1), Ms(f1, f2), Ms(f2, f3), Ms(f3, f4));
    tool.DoneConduitTool();
  }

  // The report, and a backup set of every conduit made and restored.
  {
    OVTool tool;
    tool.Attach(ports);
    tool.InitConduitTool();
    for (int r = 0; r < nRuns; ++r) {
      auto r0 = Clock::now();
      tool.WriteConduitReportTo(dir + "condrpt.html");
      auto r1 = Clock::now();
      std::printf("  condrpt.html over %d conduits: %.0f ms\n", nConduits, Ms(r0, r1));
    }
    auto b0 = Clock::now();
    tool.BackupConduitSettings("ovset1.bak");
    auto b1 = Clock::now();
    tool.RestoreConduitSettings("ovset1.bak");  // every conduit installed already
    auto b2 = Clock::now();
    std::printf("  backup of %d conduits %.0f ms; restoring it over itself %.0f ms\n", nConduits,
                Ms(b0, b1), Ms(b1, b2));
    // Every conduit gone from the Conduit Manager, then the set restored.
    for (int i = CmGetConduitCount(); i > 0; --i) {
      char creator[8] = {};
      int32_t cb = sizeof creator;
      CmGetConduitCreatorID(i - 1, creator, &cb);
      CmRemoveConduitByCreatorID(creator);
    }
    tool.btnOVRefreshClick();
    auto b3 = Clock::now();
    tool.RestoreConduitSettings("ovset1.bak");
    auto b4 = Clock::now();
    std::printf("  restoring the set onto an empty Conduit Manager: %.0f ms (%d conduits back)\n",
                Ms(b3, b4), CmGetConduitCount());
    tool.DoneConduitTool();
  }

  // A long history, then its page.
  DeleteFileA(log.HistoryPath().c_str());
  OVLogEntry e;
  OVMakeLogEntry(&e, "C:\\Palm Desktop\\Conduits\\SomeConduit.dll", "Some Conduit Title",
                 "1.2.0.0050", 1765280000, OVLOG_INSTALLED);
  auto a0 = Clock::now();
  for (int i = 0; i < nHistory; ++i) {
    e.nKind = 1 + i % 3;
    log.Append(e);
  }
  auto a1 = Clock::now();
  std::printf("ovbench: %d history records appended in %.0f ms (%.2f ms each)\n", nHistory,
              Ms(a0, a1), Ms(a0, a1) / (nHistory ? nHistory : 1));
  for (int r = 0; r < nRuns; ++r) {
    auto h0 = Clock::now();
    bool bNone = false;
    const bool ok = log.WriteHistoryPage(log.PagePath(), &bNone);
    auto h1 = Clock::now();
    WIN32_FILE_ATTRIBUTE_DATA fa{};
    GetFileAttributesExA(log.PagePath().c_str(), GetFileExInfoStandard, &fa);
    std::printf("  ovlog.html from %d records: %.1f ms (%s, %lu bytes)\n", nHistory, Ms(h0, h1),
                ok ? "written" : "FAILED", fa.nFileSizeLow);
  }
  return 0;
}
