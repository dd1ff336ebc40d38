// The conduit tool's tab, tOrvello: two conduit lists and the buttons. The
// behaviour is OVTool's; the page wires it to the controls.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "orvello/ConduitTool.h"
#include "orvello/WinClock.h"
#include "shell/ShellContext.h"
#include "shell/WinPorts.h"
#include "ui/TabPage.h"

// lvOVApp or lvOVSys as the tool sees it. Everything the program does to the
// control runs under the page's fill guard.
class OVListView : public IOVList {
 public:
  OVListView(HWND& hList, bool& bFilling) : m_hList(hList), m_bFilling(bFilling) {}
  void SuspendRedraw(bool bSuspend) override;
  void Clear() override;
  int Add(const char* szCaption, int nImage, const char* szCreator, const char* szFile,
          CondData* pData) override;
  int Count() override;
  CondData* Data(int nRow) override;
  std::string Text(int nRow, int nColumn) override;
  void SetData(int nRow, CondData* pData) override;
  void SetImage(int nRow, int nImage) override;
  void Delete(int nRow) override;
  int Selected() override;
  void Select(int nRow) override;

 private:
  HWND& m_hList;
  bool& m_bFilling;
};

class OrvelloPage : public TabPage,
                    private IOVView,
                    private IOVFilePicker,
                    private IOVPropDialog,
                    private IOVSetDialogs {
 public:
  OrvelloPage(ShellContext& ctx, OVTool& tool, OVLog*& pLog);
  ~OrvelloPage() override;

 protected:
  void OnInitPage() override;
  void OnCommand(int id, int code, HWND hCtl) override;
  LRESULT OnNotify(NMHDR* pHdr) override;
  void OnDpiChanged(int) override { MakeImages(); }

 private:
  void MakeImages();
  void EnableButton(OVButton b, bool bEnable) override;
  void SetWaitCursor(bool bWait) override;
  bool PickConduitFile(std::string& strPath) override;
  void ShowProperties(CondData* pData, bool bSystemMode) override;
  bool ChooseBackupSet(std::string& strFile) override;
  bool ChooseRestoreSet(std::string& strFile) override;

  ShellContext& m_ctx;
  OVTool& m_tool;
  OVLog*& m_pLog;
  bool m_bFilling = false;
  HWND m_hApp = nullptr;
  HWND m_hSys = nullptr;
  OVListView m_app{m_hApp, m_bFilling};
  OVListView m_sys{m_hSys, m_bFilling};
  HIMAGELIST m_hImages = nullptr;
  WinClock m_clock;
  WinPrompt m_ownerless;  // "No conduit log data found." has no owner window
};

// imgOV drawn n pixels square: installed, restorable, missing or invalid.
HIMAGELIST MakeConduitImages(int nSize);
