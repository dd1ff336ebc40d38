// One page of the main window's page control: a child window with its own
// class and dialog template, laid out from its layout table. Only the active
// page is shown and takes input.
#pragma once

#include "ui/TxDialog.h"

class TabPage : public TxDialog {
 public:
  TabPage(int idd, int idLayout) : m_idd(idd), m_idLayout(idLayout) {}

  HWND CreatePage(HINSTANCE hInst, HWND hParent) {
    m_hInst = hInst;
    return Create(hInst, m_idd, hParent);
  }
  void Activate(bool bActive) {
    ShowWindow(m_hWnd, bActive ? SW_SHOW : SW_HIDE);
    EnableWindow(m_hWnd, bActive ? TRUE : FALSE);
  }

 protected:
  bool OnInitDialog() override;
  // Before the layout is applied, so controls made here are placed by it too.
  virtual void OnInitPage() {}

  HINSTANCE m_hInst = nullptr;

 private:
  int m_idd;
  int m_idLayout;
};
