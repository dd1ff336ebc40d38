// The main window fmMain: menu, top panel, the three tool tabs and the status
// bar. It owns every tool's state and offers their set-up and release steps to
// the start-up and shut-down sequences.
#pragma once

#include <string>

#include "halvern/HalvernPage.h"
#include "orvello/ConduitTool.h"
#include "orvello/OVLog.h"
#include "orvello/OrvelloPage.h"
#include "shell/Lifecycle.h"
#include "shell/Settings.h"
#include "shell/ShellContext.h"
#include "shell/WinPorts.h"
#include "tremwick/TremwickPage.h"
#include "ui/TxDialog.h"

class TfmMain : public TxDialog, public IStartupSteps {
 public:
  explicit TfmMain(HINSTANCE hInst);
  ~TfmMain() override;

  // Creates the (hidden) window; the splash and the initialisation sequence run
  // inside. False when the window is gone afterwards.
  bool CreateMain();

  enum { TAB_ORVELLO = 0, TAB_TREMWICK = 1, TAB_HALVERN = 2, TAB_COUNT = 3 };
  void SelectTab(int nTab);
  // Ctrl+Tab and Ctrl+Shift+Tab (Ctrl+PgDn, Ctrl+PgUp) anywhere in the window
  // go to the next or previous tab. True when pMsg was such a key.
  bool TabKey(const MSG* pMsg);

  // Start-up and shut-down steps.
  void StartPalmLayer() override;
  void InitConduitTool() override;
  void SetUpSyncTab() override;
  void LoadSettings() override;
  void SetUpLogTab() override;
  void SaveSettings() override;
  void DoneConduitTool() override;
  void ShutDownLogTab() override;
  void StopPalmLayer() override;
  void DestroyOVLog() override;

  TdxSettings& Settings() { return m_settings; }
  OVTool& ConduitTool() { return m_ovTool; }
  OVLog* History() { return m_pOVLog; }
  const ShellContext& Context() const { return m_ctx; }

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND hCtl) override;
  LRESULT OnNotify(NMHDR* pHdr) override;
  void OnDestroy() override;
  bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  void OnDpiChanged(int nOldDpi) override;
  void OnColoursChanged() override;

 private:
  void FormCreate();
  void FormCloseQuery();
  void CreatePages();
  void PlacePages();
  void MakeLogo();
  void PaintBackground(HDC hdc);
  // After an import or its undo: both conduit lists read again.
  void RefreshConduits();

  HINSTANCE m_hInst;
  std::string m_sIniPath;
  WinPrompt m_prompt;
  WinShellOpen m_shell;
  TdxSettings m_settings;
  ShellContext m_ctx;
  // Before the pages, which are given it; they are destroyed first and
  // detach from it then (see ~OrvelloPage).
  OVTool m_ovTool;
  OVLog* m_pOVLog;
  OrvelloPage m_pageOV;
  TremwickPage m_pageTW;
  HalvernPage m_pageHV;
  TabPage* m_pages[TAB_COUNT];
  bool m_bStarting = false;
  bool m_bCloseRequested = false;
  bool m_bSettingsLoaded = false;
};

// Process-wide state of the shell.
extern TfmMain* fmMain;
extern bool g_bReady;          // start-up done: closing now asks first
extern HINSTANCE g_hInstance;  // module handle copy, for the program directory
extern SplashGuard g_initGuard;
