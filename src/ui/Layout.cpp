#include "ui/Layout.h"

#include <vector>

int ScreenDpi() {
  static int s_nDpi = 0;
  if (!s_nDpi) {
    HDC hdc = GetDC(nullptr);
    s_nDpi = hdc ? GetDeviceCaps(hdc, LOGPIXELSY) : 96;
    if (hdc) ReleaseDC(nullptr, hdc);
    if (s_nDpi <= 0) s_nDpi = 96;
  }
  return s_nDpi;
}

int ScalePx(int n) { return MulDiv(n, ScreenDpi(), 96); }

size_t ParseLayout(const uint16_t* pWords, size_t nWords, LayoutRect* pOut, size_t nMax) {
  size_t n = 0;
  for (size_t i = 0; pWords && i + 5 <= nWords && n < nMax; i += 5) {
    pOut[n++] = {pWords[i], static_cast<int16_t>(pWords[i + 1]),
                 static_cast<int16_t>(pWords[i + 2]), pWords[i + 3], pWords[i + 4]};
  }
  return n;
}

static bool IsDropDownCombo(HWND h) {
  char szClass[32] = {};
  GetClassNameA(h, szClass, sizeof(szClass));
  return lstrcmpiA(szClass, "ComboBox") == 0 && (GetWindowLongA(h, GWL_STYLE) & 3) != CBS_SIMPLE;
}

bool ApplyLayout(HWND hParent, HINSTANCE hInst, int idLayout) {
  HRSRC hRes = FindResourceA(hInst, MAKEINTRESOURCEA(idLayout), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!hRes) return false;
  HGLOBAL hData = LoadResource(hInst, hRes);
  const void* p = hData ? LockResource(hData) : nullptr;
  if (!p) return false;
  const size_t nWords = SizeofResource(hInst, hRes) / sizeof(uint16_t);
  std::vector<LayoutRect> rects(nWords / 5 + 1);
  rects.resize(ParseLayout(static_cast<const uint16_t*>(p), nWords, rects.data(), rects.size()));
  bool bAll = true;
  for (const LayoutRect& r : rects) {
    HWND h = GetDlgItem(hParent, r.id);
    if (!h) {
      bAll = false;
      continue;
    }
    int cy = ScalePx(r.cy);
    if (IsDropDownCombo(h)) cy += ScalePx(200);
    MoveWindow(h, ScalePx(r.x), ScalePx(r.y), ScalePx(r.cx), cy, FALSE);
  }
  return bAll;
}

static void CentreOnWorkArea(HWND hWnd, int cx, int cy) {
  RECT rcWork = {};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0))
    SetRect(&rcWork, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  const int x = rcWork.left + ((rcWork.right - rcWork.left) - cx) / 2;
  const int y = rcWork.top + ((rcWork.bottom - rcWork.top) - cy) / 2;
  SetWindowPos(hWnd, nullptr, x < rcWork.left ? rcWork.left : x, y < rcWork.top ? rcWork.top : y,
               cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SizeClientCentred(HWND hWnd, int cx, int cy) {
  RECT rc = {0, 0, ScalePx(cx), ScalePx(cy)};
  AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongA(hWnd, GWL_STYLE)),
                     GetMenu(hWnd) != nullptr,
                     static_cast<DWORD>(GetWindowLongA(hWnd, GWL_EXSTYLE)));
  CentreOnWorkArea(hWnd, rc.right - rc.left, rc.bottom - rc.top);
  // A menu bar that wrapped to two lines takes client height: make up for it.
  RECT rcClient = {};
  GetClientRect(hWnd, &rcClient);
  const int nShort = ScalePx(cy) - rcClient.bottom;
  if (nShort > 0) {
    RECT rcWnd = {};
    GetWindowRect(hWnd, &rcWnd);
    CentreOnWorkArea(hWnd, rcWnd.right - rcWnd.left, rcWnd.bottom - rcWnd.top + nShort);
  }
}

void SizeWindowCentred(HWND hWnd, int cx, int cy) {
  CentreOnWorkArea(hWnd, ScalePx(cx), ScalePx(cy));
}
