// Drives Tandelix.exe from another process: starts a copy in a fresh program
// directory, finds its windows by process, class and caption, works controls by
// ID with posted messages, reads tabs, list views and tree views across the
// process boundary and answers message boxes.
//
// A scenario is one gtest TEST in a file of this folder (listed in its
// CMakeLists.txt), for example:
//
//   TEST(LogTabUi, ChoosingAUserFillsTheTree) {
//     ui::App app;
//     ASSERT_TRUE(app.SeedDesktop(ui::SourcePath("palmdesk/demo/demo.seed")));
//     ASSERT_TRUE(app.Start());
//     ASSERT_NE(app.WaitMain(), nullptr);
//     ui::PostCommand(app.Main(), IDM_FILE_HALVERN);
//     HWND hTree = GetDlgItem(app.Page("TtHalvern"), IDC_TVLOG);
//     EXPECT_TRUE(ui::WaitUntil([&] { return !ui::TreeItems(hTree).empty(); }));
//     EXPECT_TRUE(app.Quit());
//   }
//
// Every scenario shares the display and the Wine prefix (LOCK ui).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ui {

// Polls pred every few milliseconds until it holds or timeoutMs pass.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs = 10000);

std::string WindowText(HWND h);
// An edit control's text in another process (asked in UTF-16, which Wine
// carries across processes).
std::string ControlText(HWND h);
std::string ClassOf(HWND h);
bool IsShown(HWND h);  // visible and enabled

// Top-level windows of a process, optionally filtered by class and caption
// (empty = any).
std::vector<HWND> TopWindows(DWORD pid, const std::string& cls = "",
                             const std::string& caption = "");

// The first visible top-level window of a class in the process, once there is
// one; null when none shows within timeoutMs.
HWND WaitTopWindow(DWORD pid, const char* szClass, DWORD timeoutMs = 10000);

struct MessageBoxInfo {
  HWND hWnd = nullptr;
  std::string caption, text;
  HWND hOwner = nullptr;
};
// The first message box (#32770 with a static 65535) of the process.
MessageBoxInfo FindMessageBox(DWORD pid);
// Presses one of its buttons (IDYES, IDNO, IDCANCEL, IDOK).
void Answer(const MessageBoxInfo& box, int idButton);

// Posted, never sent: a handler that opens a modal window must not block us.
void PostCommand(HWND hWnd, int id);
void ClickButton(HWND hDialog, int idButton);

// Cross-process reads of common controls.
std::vector<std::string> TabCaptions(HWND hTab);
struct TreeNode {
  int level;
  std::string text;
};
std::vector<TreeNode> TreeItems(HWND hTree);  // depth first, expanded or not
std::vector<std::vector<std::string>> ListRows(HWND hList, int nColumns);
std::vector<int> ListImages(HWND hList);
int ListSelected(HWND hList);
// The row whose first column says text, or -1.
int ListFind(HWND hList, const std::string& text);

// Makes the shell's "open" of files with this extension (".html") run this
// driver, which appends the file's path to log (a line each) instead of
// showing it. Undone by the returned object's destructor.
class OpenRecorder {
 public:
  OpenRecorder(const std::string& ext, const std::string& log);
  ~OpenRecorder();
  OpenRecorder(const OpenRecorder&) = delete;
  OpenRecorder& operator=(const OpenRecorder&) = delete;
  std::vector<std::string> Opened() const;  // what was opened so far

 private:
  std::string m_ext, m_log;
};
// The driver's side of it: appends the path to log.
int RecordOpen(const char* szLog, const char* szPath);
// List view items as a user changes them: the program gets the control's own
// change notifications. Select also focuses the item and clears other selections.
bool ListSetState(HWND hList, int i, UINT state, UINT mask);
bool ListSelect(HWND hList, int i);
bool ListSetChecked(HWND hList, int i, bool bCheck);
bool ListChecked(HWND hList, int i);
// Posts a double-click on the item's caption (the list notifies its parent).
bool ListDoubleClick(HWND hList, int i);
// The control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND hCtl);
// A list view row's rectangle (code LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL) in the
// list's client coordinates; empty when the row does not exist.
RECT ListItemRect(HWND hList, int i, int code);

// Sends WM_DPICHANGED as the system does when a window moves to a monitor of
// that DPI, with the suggested rectangle (screen coordinates) in the program's
// memory. False when the message was not answered in time.
bool SendDpiChanged(HWND hWnd, int dpi, const RECT& rcSuggested);
// The colour the screen shows at a point of hWnd's client area.
COLORREF ClientPixel(HWND hWnd, int x, int y);
// The window with the keyboard focus in hAny's thread, or null.
HWND FocusOf(HWND hAny);
// Posts a key's press and release to hTarget, as the keyboard would.
void PressKey(HWND hTarget, WPARAM vk);

// Saves what the screen shows of the window as a 24-bit BMP.
bool SaveWindowBitmap(HWND hWnd, const std::string& path);

// One run of the program, in a program directory of its own.
class App {
 public:
  // Copies Tandelix.exe (beside the driver, or exePath) into a fresh directory;
  // with bInPlace, runs exePath where it is (the demo's program directory).
  explicit App(const std::string& exePath = "", bool bInPlace = false);
  ~App();  // ends the process if still running; removes a directory it made
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  const std::string& Dir() const { return m_dir; }  // ends in a backslash
  std::string File(const std::string& name) const { return m_dir + name; }

  bool Start();
  // Waits for the main window, answering the "no Palm users" error on the way.
  HWND WaitMain(DWORD timeoutMs = 15000);
  HWND Main() const { return m_hMain; }
  DWORD Pid() const { return m_pi.dwProcessId; }
  bool Running() const;
  // Exit code once the process has ended within timeoutMs; -1 otherwise.
  long WaitExit(DWORD timeoutMs = 10000);
  // Exit with Yes to the question; true when the process ended with code 0.
  bool Quit();

  // Gives this run a Palm Desktop of its own, made by the seeding tool from a
  // description (see SourcePath) in "<program dir>\\Palm"; its registry state
  // is wiped again when the App ends. True when the tool succeeded.
  bool SeedDesktop(const std::string& descFile);
  // Seeds the demo desktop, starts and waits for the main window: true once up.
  bool StartDemo();

  // Child windows of the main window by class (the tab pages).
  HWND Page(const char* szClass) const;
  int NoUsersMessages() const { return m_nNoUsers; }

 private:
  std::string m_dir;
  std::string m_exe;
  bool m_bOwnDir = true;
  bool m_bSeeded = false;
  PROCESS_INFORMATION m_pi = {};
  HWND m_hMain = nullptr;
  int m_nNoUsers = 0;
};

// The menu of the program file's own resources: "File/&Orvello" = id.
struct MenuEntry {
  std::string path;  // captions joined by '/', separators as "-"
  UINT id;
};
std::vector<MenuEntry> ResourceMenu(const std::string& exePath, int idMenu);

std::string DriverDir();  // ends in a backslash
// A file of the source tree as a Windows path ("palmdesk/demo/demo.seed").
std::string SourcePath(const std::string& rel);
// Removes every Palm Desktop registry key: the next start finds no desktop.
void ForgetPalmDesktop();
// Runs a program and waits; its exit code, or -1.
long RunAndWait(const std::string& cmdLine, DWORD timeoutMs = 60000);

constexpr const char* kMainCaption = "Tandelix : Palm Desktop Synchronization Toolkit";

}  // namespace ui
