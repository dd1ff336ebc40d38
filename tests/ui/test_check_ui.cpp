// "Check HotSync Set-up...": the findings listed, two repaired, the list
// checked again and the conduit tab refreshed.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "UiDriver.h"
#include "res/resource.h"

using namespace ui;

TEST(CheckUi, RepairsTwoFindingsAndRefreshesTheListAndTheTab) {
  App app;
  ASSERT_TRUE(app.SeedDesktop(SourcePath("tests/ui/check.seed")));
  ASSERT_TRUE(app.Start());
  ASSERT_NE(app.WaitMain(), nullptr);
  HWND page = app.Page("TtOrvello");
  ASSERT_NE(page, nullptr);
  HWND hApps = GetDlgItem(page, IDC_LVOVAPP);
  ASSERT_TRUE(WaitUntil([&] { return ListRows(hApps, 1).size() == 3; }));

  PostCommand(app.Main(), IDM_TOOL_CHECK);
  HWND dlg = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND w : TopWindows(app.Pid(), "TfmOVCheck"))
      if (IsWindowVisible(w)) dlg = w;
    return dlg != nullptr;
  }));
  EXPECT_EQ(WindowText(dlg), "Check HotSync Set-up");
  HWND hList = GetDlgItem(dlg, IDC_LVCHKFINDINGS);
  HWND hRepair = GetDlgItem(dlg, IDC_BTNCHKREPAIR);
  std::vector<std::vector<std::string>> rows;
  ASSERT_TRUE(WaitUntil([&] { return (rows = ListRows(hList, 4)).size() == 2; }));
  EXPECT_EQ(ListImages(hList), (std::vector<int>{0, 0}));  // both errors
  EXPECT_NE(rows[0][0].find("\"Note Pad\""), std::string::npos) << rows[0][0];
  EXPECT_NE(rows[0][1].find("NotePadCond.dll"), std::string::npos);
  EXPECT_NE(rows[1][0].find("exports no OpenConduit"), std::string::npos) << rows[1][0];
  EXPECT_NE(rows[1][3].find("Uninstall the conduit, keeping its settings"), std::string::npos);
  EXPECT_FALSE(IsWindowEnabled(hRepair));

  ASSERT_TRUE(ListSetChecked(hList, 0, true));
  ASSERT_TRUE(ListSetChecked(hList, 1, true));
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(hRepair) != FALSE; }));
  ClickButton(dlg, IDC_BTNCHKREPAIR);
  HWND hSummary = GetDlgItem(dlg, IDC_EDTCHKSUMMARY);
  ASSERT_TRUE(WaitUntil([&] { return !ControlText(hSummary).empty(); }));
  const std::string summary = ControlText(hSummary);
  EXPECT_EQ(summary.rfind("2 repaired, 0 not repaired.", 0), 0u) << summary;
  EXPECT_NE(summary.find("Checked again: No problems found."), std::string::npos) << summary;
  EXPECT_TRUE(ListRows(hList, 1).empty());

  // The tab shows the uninstalled conduit as restorable, the gone one no more.
  ClickButton(dlg, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));
  const auto appRows = ListRows(hApps, 1);
  ASSERT_EQ(appRows.size(), 2u);
  EXPECT_EQ(ListFind(hApps, "Note Pad"), -1);
  const int noOp = ListFind(hApps, "Not A Conduit");
  ASSERT_GE(noOp, 0);
  EXPECT_EQ(ListImages(hApps)[static_cast<size_t>(noOp)], 1);  // restorable
  EXPECT_TRUE(app.Quit());
}
