#include "ui/TabPage.h"

#include "misc/Diag.h"
#include "ui/Layout.h"

bool TabPage::OnInitDialog() {
  OnInitPage();
  // A page without controls has no table yet.
  if (FindResourceA(m_hInst, MAKEINTRESOURCEA(m_idLayout), MAKEINTRESOURCEA(10)))
    TDX_VERIFY(ApplyLayout(m_hWnd, m_hInst, m_idLayout));
  return false;  // the main window decides the focus
}
