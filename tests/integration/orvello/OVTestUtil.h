// The conduit tool with a Palm Desktop sandbox, a program directory of its own
// and recording fakes for everything it shows and asks.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "orvello/ConduitTool.h"
#include "orvello/OVCondProp.h"
#include "palm/CondKey.h"
#include "palm/CondRecord.h"
#include "palm/PalmDesktop.h"
#include "support/PalmSandbox.h"
#include "support/TempDir.h"
#include "unit/shell/FakePorts.h"

namespace ovtest {

struct FakeView : IOVView {
  std::map<OVButton, bool> enabled;
  int waits = 0;
  void EnableButton(OVButton b, bool bEnable) override { enabled[b] = bEnable; }
  void SetWaitCursor(bool bWait) override { waits += bWait ? 1 : 0; }
};

struct FakePicker : IOVFilePicker {
  std::deque<std::string> files;  // "" = the user cancels
  bool PickConduitFile(std::string& strPath) override {
    if (files.empty() || files.front().empty()) return false;
    strPath = files.front();
    files.pop_front();
    return true;
  }
};

// The properties dialog without its window: the field texts the user sees.
struct FakePropView : IOVPropView {
  std::map<OVPropField, std::string> text;
  bool bCreatorEnabled = true;
  void SetText(OVPropField f, const std::string& s) override { text[f] = s; }
  std::string Text(OVPropField f) override { return text[f]; }
  void EnableCreatorID(bool b) override { bCreatorEnabled = b; }
};

// Opens the dialog's logic for each record; a script plays the user.
struct FakeProps : IOVPropDialog {
  OVTool* pTool = nullptr;
  IPrompt* pPrompt = nullptr;
  int opened = 0;
  bool lastSystem = false;
  // Edits the fields and says whether to press OK (true) or Cancel.
  std::function<bool(FakePropView&, OVCondProp&)> user;
  bool okResult = false;
  FakePropView lastView;

  void ShowProperties(CondData* pData, bool bSystem) override {
    ++opened;
    lastSystem = bSystem;
    FakePropView view;
    OVCondProp logic(view, *pTool, *pPrompt);
    logic.FormCreate();
    logic.SetSystemMode(bSystem);
    logic.SetConduit(pData);
    okResult = false;
    if (user && user(view, logic)) okResult = logic.btnOKClick();
    lastView = view;
  }
};

struct FakeClock : IOVClock {
  int32_t now = 1765280000;  // 2025-12-09 11:33:20 UTC
  int32_t Now() override { return now; }
  TdxDateTime ToLocal(int32_t t) override {
    TdxDateTime d{};
    d.wYear = 2025;
    d.wMonth = 12;
    d.wDay = 9;
    d.wHour = static_cast<uint16_t>((t / 3600) % 24);
    d.wMinute = static_cast<uint16_t>((t / 60) % 60);
    d.wSecond = static_cast<uint16_t>(t % 60);
    return d;
  }
};

class ConduitToolTest : public ::testing::Test {
 protected:
  tdxtest::PalmSandbox sb;
  tdxtest::TempDir prog{"prog"};
  OVRowList app, sys;
  FakeView view;
  FakePrompt prompt, ownerless;
  FakeShell shell;
  FakePicker picker;
  FakeProps props;
  FakeClock clock;
  OVLog log;
  OVTool tool;

  std::string ProgDir() const { return prog.path().string() + "\\"; }

  // A sample conduit copied into the desktop.
  std::string Sample(const char* sample, const std::string& as) {
    const std::string to = sb.File(as);
    EXPECT_TRUE(CopyFileA(tdxtest::PalmSandbox::BinFile(sample).c_str(), to.c_str(), FALSE));
    return to;
  }
  int AddApp(const std::string& creator, const std::string& lib, const std::string& title,
             uint32_t priority = 2) {
    tdxtest::AppConduitSpec c;
    c.creator = creator;
    c.conduit = lib;
    c.title = title;
    c.directory = title.substr(0, 4) + "dir";
    c.file = "f.dat";
    c.remote = "RemoteDB";
    c.priority = priority;
    return sb.AddAppConduit(c);
  }

  // Loads the libraries (or only those of the mask), wires and starts the tool.
  void Start(unsigned nLibs = PD_LIB_ALL) {
    ASSERT_TRUE(SetCurrentDirectoryA(sb.Dir().c_str()));
    if (nLibs) {
      ASSERT_TRUE(LoadPalmLibrariesFrom(sb.Dir().c_str(), nLibs));
    }
    log.Attach(ProgDir().c_str(), &ownerless, &shell, &clock);
    OVPorts ports;
    ports.pApp = &app;
    ports.pSys = &sys;
    ports.pView = &view;
    ports.pPrompt = &prompt;
    ports.pShell = &shell;
    ports.pPicker = &picker;
    ports.pProps = &props;
    ports.pClock = &clock;
    ports.pLog = &log;
    ports.strModuleDir = ProgDir();
    tool.Attach(ports);
    props.pTool = &tool;
    props.pPrompt = &prompt;
    tool.InitConduitTool();
  }
  void TearDown() override { tool.DoneConduitTool(); }

  int RowOf(const std::string& caption) const {
    for (size_t i = 0; i < app.rows.size(); ++i)
      if (app.rows[i].strCaption == caption) return static_cast<int>(i);
    return -1;
  }
  void SelectRow(const std::string& caption) {
    const int i = RowOf(caption);
    ASSERT_GE(i, 0) << caption;
    app.Select(i);
    tool.lvOVAppChange();
  }
  std::vector<CondData> Store() const {
    std::vector<CondData> v;
    CondRecordReader r;
    if (!r.Open((ProgDir() + kOVRestoreStore).c_str())) return v;
    CondData d;
    while (r.Read(&d)) v.push_back(d);
    return v;
  }
  std::vector<OVLogEntry> History() const {
    std::vector<OVLogEntry> v;
    OVReadHistory((ProgDir() + kOVHistoryFile).c_str(), &v);
    return v;
  }
  // The last message shown, as "kind|caption|text".
  std::string Last() const {
    if (prompt.shown.empty()) return "";
    const auto& s = prompt.shown.back();
    return s.kind + "|" + s.caption + "|" + s.text;
  }
  static std::string AppValue(int n, const char* name) {
    HKEY h;
    const std::string key = tdxtest::PalmSandbox::Numbered(PD_REG_APP_FMT, n);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
      return "<no key>";
    char buf[512] = {};
    DWORD cb = sizeof buf - 1, type = 0;
    const LONG rc = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS) return "<none>";
    if (type == REG_DWORD) return std::to_string(*reinterpret_cast<DWORD*>(buf));
    return buf;
  }
  // Registered application conduits by creator text.
  static int CountCreator(const std::string& creator) {
    int n = 0;
    const uint32_t want = tdxtest::PalmSandbox::Creator(creator);
    for (int i = 0; tdxtest::PalmSandbox::KeyExists(tdxtest::PalmSandbox::Numbered(PD_REG_APP_FMT, i)); ++i)
      if (AppValue(i, "Creator") == std::to_string(want)) ++n;
    return n;
  }
};

}  // namespace ovtest
