// The window that holds LogBrowser, the embedded browser of the log tab. It sits
// where the page's layout table puts IDC_LOGBROWSER.
#pragma once

#include "ui/TxWindow.h"

class LogBrowserHost : public TxWindow {
 public:
  static constexpr const char* kClass = "THVLogBrowser";
  HWND CreateHost(HINSTANCE hInst, HWND hParent, int id);
};
