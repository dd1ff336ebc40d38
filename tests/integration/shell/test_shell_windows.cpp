#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "../../unit/shell/FakePorts.h"
#include "misc/WinUtil.h"
#include "shell/Commands.h"
#include "support/TempDir.h"
#include "ui/Layout.h"

TEST(ShellCommands, HelpComesFromTheProgramDirectoryWhateverTheCurrentDirectory) {
  char szDir[MAX_PATH] = {};
  ASSERT_TRUE(GetModuleDir(nullptr, szDir));
  char szOldCwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, szOldCwd);
  tdxtest::TempDir elsewhere("cwd");
  ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.path().string().c_str()));

  FakeShell shell;
  OpenHelp(shell, szDir);
  SetCurrentDirectoryA(szOldCwd);
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], std::string(szDir) + "tdhelp.chm");
  EXPECT_EQ(shell.opened[0].find(elsewhere.path().string()), std::string::npos);
}

TEST(LayoutTable, DecodesWholeEntriesOnlyAndKeepsNegativeOffsets) {
  const uint16_t words[] = {710, 20,  14, 71,  13, 711, static_cast<uint16_t>(-4),
                            11,  145, 21, 712, 1,  2};
  LayoutRect rects[4] = {};
  ASSERT_EQ(ParseLayout(words, std::size(words), rects, 4), 2u);
  EXPECT_EQ(rects[0].id, 710);
  EXPECT_EQ(rects[0].cx, 71);
  EXPECT_EQ(rects[1].x, -4);
  EXPECT_EQ(rects[1].cy, 21);
  EXPECT_EQ(ParseLayout(words, std::size(words), rects, 1), 1u) << "never more than the room given";
  EXPECT_EQ(ParseLayout(nullptr, 10, rects, 4), 0u);
}

// ---------------------------------------------------------------- window bases

#include <stdexcept>
#include <vector>

#include "misc/Diag.h"
#include "test_shell_windows_res.h"
#include "ui/FillGuard.h"
#include "ui/TxDialog.h"
#include "ui/TxWindow.h"

namespace {

std::vector<std::string> g_reports;
void Collect(const char* text, const char*, int) { g_reports.push_back(text); }

std::vector<std::string> g_boxes;
void CollectBox(HWND, const char* text) { g_boxes.push_back(text); }

// Collects the diagnostic reports and the error boxes made while it lives.
struct ReportCatcher {
  tdx::DiagSink old;
  HandlerErrorBox oldBox;
  ReportCatcher() : old(tdx::SetDiagSink(Collect)), oldBox(SetHandlerErrorBox(CollectBox)) {
    g_reports.clear();
    g_boxes.clear();
  }
  ~ReportCatcher() {
    tdx::SetDiagSink(old);
    SetHandlerErrorBox(oldBox);
  }
};

// Throws from a message handler, then ends itself with a result.
class ThrowingDialog : public TxDialog {
 protected:
  bool OnInitDialog() override {
    PostMessageA(m_hWnd, WM_APP, 0, 0);
    PostMessageA(m_hWnd, WM_APP + 1, 0, 0);
    return true;
  }
  bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
    if (uMsg == WM_APP) throw std::runtime_error("handler failed");
    if (uMsg == WM_APP + 1) {
      End(7);
      return true;
    }
    return TxDialog::HandleMessage(uMsg, wParam, lParam, pResult);
  }
};

class ThrowingWindow : public TxWindow {
 protected:
  LRESULT WndProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
    if (uMsg == WM_APP) throw 42;
    return TxWindow::WndProc(uMsg, wParam, lParam);
  }
};

class PlainDialog : public TxDialog {};

RECT ChildRect(HWND hCtl) {
  RECT rc = {};
  GetWindowRect(hCtl, &rc);
  MapWindowPoints(nullptr, GetParent(hCtl), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

}  // namespace

TEST(WindowBases, AnExceptionInADialogHandlerStaysInsideAndIsReported) {
  ReportCatcher catcher;
  ThrowingDialog dlg;
  EXPECT_EQ(dlg.DoModal(GetModuleHandleA(nullptr), IDD_TEST, nullptr), 7);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "handler failed") << "the user sees the exception's text";
  ASSERT_EQ(g_reports.size(), 1u);
  EXPECT_EQ(g_reports[0], "exception in a message handler: handler failed");
  EXPECT_EQ(dlg.Handle(), nullptr) << "the object forgets its window once destroyed";
}

TEST(WindowBases, AnExceptionInAWindowProcedureStaysInsideAndIsReported) {
  ReportCatcher catcher;
  HINSTANCE hInst = GetModuleHandleA(nullptr);
  ASSERT_TRUE(TxWindow::RegisterClass(hInst, "TTestThrowing", nullptr));
  ThrowingWindow wnd;
  ASSERT_NE(wnd.Create(hInst, "TTestThrowing", "", WS_POPUP, 0, nullptr, 0), nullptr);
  SendMessageA(wnd.Handle(), WM_APP, 0, 0);
  EXPECT_TRUE(IsWindow(wnd.Handle())) << "the window carries on";
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "") << "a thrown object that is not an exception has no message";
  HWND h = wnd.Handle();
  DestroyWindow(h);
  EXPECT_EQ(wnd.Handle(), nullptr);
}

TEST(WindowBases, LayoutTablesPlaceControlsAtScaledPixels) {
  HINSTANCE hInst = GetModuleHandleA(nullptr);
  PlainDialog dlg;
  ASSERT_NE(dlg.Create(hInst, IDD_TEST, nullptr), nullptr);
  EXPECT_TRUE(ApplyLayout(dlg.Handle(), hInst, IDR_LAYOUT_TEST));
  RECT a = ChildRect(dlg.Item(IDC_A));
  EXPECT_EQ(a.left, ScalePx(10));
  EXPECT_EQ(a.top, ScalePx(20));
  EXPECT_EQ(a.right - a.left, ScalePx(30));
  EXPECT_EQ(a.bottom - a.top, ScalePx(40));
  EXPECT_EQ(ChildRect(dlg.Item(IDC_B)).right - ChildRect(dlg.Item(IDC_B)).left, ScalePx(70));

  // A table naming a missing control still places the others, and says so.
  EXPECT_FALSE(ApplyLayout(dlg.Handle(), hInst, IDR_LAYOUT_PARTLY));
  a = ChildRect(dlg.Item(IDC_A));
  EXPECT_EQ(a.left, ScalePx(12));
  EXPECT_EQ(a.bottom - a.top, ScalePx(15));
  EXPECT_FALSE(ApplyLayout(dlg.Handle(), hInst, IDR_LAYOUT_NONE)) << "no such table";
}

TEST(WindowBases, NestedFillGuardsKeepTheOuterFillRaised) {
  bool bFilling = false;
  {
    FillGuard outer(bFilling);
    {
      FillGuard inner(bFilling);
      EXPECT_TRUE(bFilling);
    }
    EXPECT_TRUE(bFilling) << "the inner fill ended, the outer one has not";
  }
  EXPECT_FALSE(bFilling);
}
