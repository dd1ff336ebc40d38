// Process entry: registers the window classes, creates the main window (which
// runs the splash and the start-up sequence) and runs the message loop.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <exception>

#include "fmMain.h"
#include "res/resource.h"

static void RegisterClasses(HINSTANCE hInst) {
  HICON hIcon = LoadIconA(hInst, MAKEINTRESOURCEA(IDI_TANDELIX));
  for (const char* szClass :
       {"TfmMain", "TfmInit", "TfmAbout", "TtOrvello", "TtTremwick", "TtHalvern", "TfmOVCondProp",
        "TfmOVBackup", "TfmOVRestore", "TfmTWUserInfo", "TfmOVCheck", "TfmOVExport", "TfmOVImport"})
    RegisterDialogClass(hInst, szClass, hIcon);
}

// COM for the whole run, ended after every window: screen readers' names
// (Dynamic Annotation) and the log tab's browser.
struct OleScope {
  const bool bOle = SUCCEEDED(OleInitialize(nullptr));
  ~OleScope() {
    if (bOle) OleUninitialize();
  }
};

static int RunTandelix(HINSTANCE hInst) {
  const OleScope ole;
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                               ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  RegisterClasses(hInst);

  TfmMain main(hInst);
  fmMain = &main;
  if (main.CreateMain()) {
    g_bReady = true;
    ShowWindow(main.Handle(), SW_SHOWNORMAL);
    UpdateWindow(main.Handle());
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (main.TabKey(&msg)) continue;
      if (!IsDialogMessageA(main.Handle(), &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }
  fmMain = nullptr;
  return 0;
}

int WINAPI WinMain(HINSTANCE hInst, HINSTANCE, LPSTR, int) {
  try {
    return RunTandelix(hInst);
  } catch (const std::exception& e) {
    MessageBoxA(nullptr, e.what(), "Tandelix", MB_OK | MB_ICONERROR);
  } catch (...) {
    // Anything else is reported like an exception without a message.
    MessageBoxA(nullptr, "", "Tandelix", MB_OK | MB_ICONERROR);
  }
  return 0;
}
