#include "ui/Layout.h"

#include <vector>

namespace {
constexpr const char kLayoutProp[] = "TdxLayout";
}  // namespace

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

bool ApplyLayout(HWND hParent, HINSTANCE hInst, int idLayout, int nDpi) {
  if (nDpi <= 0) nDpi = WindowDpi(hParent);
  HRSRC hRes = FindResourceA(hInst, MAKEINTRESOURCEA(idLayout), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!hRes) return false;
  HGLOBAL hData = LoadResource(hInst, hRes);
  const void* p = hData ? LockResource(hData) : nullptr;
  if (!p) return false;
  SetPropA(hParent, kLayoutProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(idLayout)));
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
    int cy = ScaleDpi(r.cy, nDpi);
    if (IsDropDownCombo(h)) cy += ScaleDpi(200, nDpi);
    MoveWindow(h, ScaleDpi(r.x, nDpi), ScaleDpi(r.y, nDpi), ScaleDpi(r.cx, nDpi), cy, FALSE);
  }
  return bAll;
}

bool LayOutAgain(HWND hParent, int nDpi) {
  const auto id = reinterpret_cast<INT_PTR>(GetPropA(hParent, kLayoutProp));
  if (!id) return false;
  auto hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hParent, GWLP_HINSTANCE));
  return ApplyLayout(hParent, hInst, static_cast<int>(id), nDpi);
}

void ForgetLayout(HWND hParent) { RemovePropA(hParent, kLayoutProp); }

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
  cx = PxFor(hWnd, cx);
  cy = PxFor(hWnd, cy);
  RECT rc = {0, 0, cx, cy};
  AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongA(hWnd, GWL_STYLE)),
                     GetMenu(hWnd) != nullptr,
                     static_cast<DWORD>(GetWindowLongA(hWnd, GWL_EXSTYLE)));
  CentreOnWorkArea(hWnd, rc.right - rc.left, rc.bottom - rc.top);
  // A menu bar that wrapped to two lines takes client height: make up for it.
  RECT rcClient = {};
  GetClientRect(hWnd, &rcClient);
  const int nShort = cy - rcClient.bottom;
  if (nShort > 0) {
    RECT rcWnd = {};
    GetWindowRect(hWnd, &rcWnd);
    CentreOnWorkArea(hWnd, rcWnd.right - rcWnd.left, rcWnd.bottom - rcWnd.top + nShort);
  }
}

void SizeWindowCentred(HWND hWnd, int cx, int cy) {
  CentreOnWorkArea(hWnd, PxFor(hWnd, cx), PxFor(hWnd, cy));
}
