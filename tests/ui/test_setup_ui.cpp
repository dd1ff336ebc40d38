// Moving a set-up through the program's windows: "Export HotSync Set-up..."
// writes this desktop's set-up with the users' folders; "Import HotSync
// Set-up..." opens another PC's file (made by tdcond export), shows its
// rows and imports the checked ones; "Undo Last Import" puts them back.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "UiDriver.h"
#include "res/resource.h"

using namespace ui;

namespace {

HWND WaitVisible(const App& app, const char* cls, const std::string& caption = "") {
  HWND h = nullptr;
  WaitUntil([&] {
    for (HWND w : TopWindows(app.Pid(), cls, caption))
      if (IsWindowVisible(w)) h = w;
    return h != nullptr;
  });
  return h;
}

MessageBoxInfo WaitBox(const App& app) {
  MessageBoxInfo box;
  WaitUntil([&] { return (box = FindMessageBox(app.Pid())).hWnd != nullptr; });
  return box;
}

bool IsFile(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TEST(SetupUi, ExportThenImportAnotherPCsSetUpThroughThePreviewAndUndoIt) {
  App app;
  // The other PC: its desktop beside this one's, exported by the console tool.
  std::string bin = DriverDir();
  bin.pop_back();
  ASSERT_EQ(
      RunAndWait("\"" + DriverDir() + "tdseed.exe\" --desktop \"" + app.Dir() + "OldPC\" --bin \"" +
                 bin + "\" \"" + SourcePath("palmdesk/demo/oldpc.seed") + "\""),
      0);
  for (const char* exe : {"tdcond.exe", "tdcprobe.exe"})
    ASSERT_TRUE(CopyFileA((DriverDir() + exe).c_str(), app.File(exe).c_str(), FALSE));
  const std::string oldPc = app.File("Old PC.zip");
  ASSERT_EQ(RunAndWait("\"" + app.File("tdcond.exe") + "\" export \"" + oldPc + "\" --with-data"),
            0);
  ASSERT_TRUE(app.SeedDesktop(SourcePath("tests/ui/orvello.seed")));
  ASSERT_TRUE(app.Start());
  ASSERT_NE(app.WaitMain(), nullptr);
  HWND hApps = GetDlgItem(app.Page("TtOrvello"), IDC_LVOVAPP);
  ASSERT_TRUE(WaitUntil([&] { return ListRows(hApps, 1).size() == 3; }));

  // Export, with the users' folders.
  PostCommand(app.Main(), IDM_TOOL_EXPORT);
  HWND dlg = WaitVisible(app, "TfmOVExport", "Export HotSync Set-up");
  ASSERT_NE(dlg, nullptr);
  EXPECT_NE(WindowText(GetDlgItem(dlg, IDC_EXPCONTENTS)).find("3 conduits"), std::string::npos)
      << WindowText(GetDlgItem(dlg, IDC_EXPCONTENTS));
  EXPECT_NE(WindowText(GetDlgItem(dlg, IDC_EXPDATASIZE)).find(" files, "), std::string::npos);
  const std::string mine = app.File("This PC.zip");
  SendMessageA(GetDlgItem(dlg, IDC_EDTEXPFILE), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(mine.c_str()));
  ClickButton(dlg, IDC_CBEXPDATA);
  ClickButton(dlg, IDOK);
  MessageBoxInfo box = WaitBox(app);
  EXPECT_EQ(box.caption, "Export HotSync Set-up");
  EXPECT_EQ(box.text.rfind("The HotSync set-up was exported to \"" + mine + "\".", 0), 0u)
      << box.text;
  EXPECT_NE(box.text.find("Not carried:\r\n- The library of conduit NtPd"), std::string::npos)
      << box.text;
  Answer(box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));
  EXPECT_TRUE(IsFile(mine));

  // Import the other PC's file: the open-file dialog, then the preview.
  PostCommand(app.Main(), IDM_TOOL_IMPORT);
  HWND open = WaitVisible(app, "#32770", "Import HotSync Set-up");
  ASSERT_NE(open, nullptr);
  HWND hName = GetDlgItem(open, 0x47c);
  if (!hName) hName = GetDlgItem(open, 0x480);
  ASSERT_NE(hName, nullptr);
  SendMessageA(hName, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(oldPc.c_str()));
  ClickButton(open, IDOK);
  dlg = WaitVisible(app, "TfmOVImport", "Import HotSync Set-up");
  ASSERT_NE(dlg, nullptr);
  HWND hRows = GetDlgItem(dlg, IDC_LVIMPCHANGES);
  std::vector<std::vector<std::string>> rows;
  ASSERT_TRUE(WaitUntil([&] { return !(rows = ListRows(hRows, 3)).empty(); }));
  auto find = [&](const std::string& change, const std::string& item) {
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i][0] == change && rows[i][1] == item) return static_cast<int>(i);
    return -1;
  };
  const int nTask = find("Add conduit", "Task Sync (Task)"),
            nNote = find("Replace conduit", "Note Pad (NtPd)");
  const int nJonas = find("Add user", "Jonas Ek");
  ASSERT_GE(nTask, 0);
  ASSERT_GE(nNote, 0);
  ASSERT_GE(nJonas, 0);
  EXPECT_GE(find("Add user", "Mara Lindqvist"), 0);
  EXPECT_TRUE(ListChecked(hRows, nTask));
  EXPECT_FALSE(ListChecked(hRows, nNote));
  HWND hUser = GetDlgItem(dlg, IDC_CBIMPUSER);
  EXPECT_FALSE(IsWindowEnabled(hUser));
  ListSelect(hRows, nJonas);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(hUser) != FALSE; }));
  EXPECT_EQ(SendMessageA(hUser, CB_GETCOUNT, 0, 0), 2);  // a new user, or Ann Tester
  ClickButton(dlg, IDOK);
  box = WaitBox(app);
  EXPECT_EQ(box.caption, "Import HotSync Set-up");
  EXPECT_EQ(box.text.rfind("The HotSync set-up of ", 0), 0u) << box.text;
  Answer(box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dlg); }));
  ASSERT_TRUE(WaitUntil(
      [&] { return ListFind(hApps, "Sample Named Conduit") >= 0; }));  // Task Sync names itself
  EXPECT_GE(ListFind(hApps, "Note Pad"), 0);

  // Undo: asked first, then the conduit tab as it was.
  PostCommand(app.Main(), IDM_TOOL_UNDOIMPORT);
  box = WaitBox(app);
  EXPECT_EQ(box.caption, "Undo Last Import");
  EXPECT_NE(box.text.find("Old PC.zip"), std::string::npos) << box.text;
  Answer(box, IDYES);
  WaitUntil([&] { return !IsWindow(box.hWnd); }, 3000);
  box = WaitBox(app);
  EXPECT_EQ(box.text.rfind("The last import was undone.", 0), 0u) << box.text;
  Answer(box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return ListFind(hApps, "Sample Named Conduit") < 0; }));
  EXPECT_EQ(ListRows(hApps, 1).size(), 3u);
  EXPECT_TRUE(app.Quit());
}
