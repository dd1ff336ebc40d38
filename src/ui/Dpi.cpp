#include "ui/Dpi.h"

namespace {

constexpr const char kDpiProp[] = "TdxDpi";

using PfnGetDpiForWindow = UINT(WINAPI*)(HWND);
using PfnGetSystemMetricsForDpi = int(WINAPI*)(int, UINT);
using PfnSetDialogDpiChangeBehavior = BOOL(WINAPI*)(HWND, int, int);
using PfnSetDialogControlDpiChangeBehavior = BOOL(WINAPI*)(HWND, int, int);

// DIALOG_DPI_CHANGE_BEHAVIORS and DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS, which
// older headers lack.
constexpr int kDdcDisableAll = 0x0001;
constexpr int kDcdcDisableFontUpdate = 0x0001;
constexpr int kDcdcDisableRelayout = 0x0002;

FARPROC User32Proc(const char* szName) {
  HMODULE h = GetModuleHandleA("user32.dll");
  return h ? GetProcAddress(h, szName) : nullptr;
}

template <typename T>
T Proc(const char* szName) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(User32Proc(szName)));
}

}  // namespace

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

int WindowDpi(HWND hWnd) {
  HWND hTop = hWnd ? GetAncestor(hWnd, GA_ROOT) : nullptr;
  if (hTop) {
    const auto n = reinterpret_cast<INT_PTR>(GetPropA(hTop, kDpiProp));
    if (n > 0) return static_cast<int>(n);
    static const auto pfn = Proc<PfnGetDpiForWindow>("GetDpiForWindow");
    if (pfn) {
      const UINT dpi = pfn(hTop);
      if (dpi > 0) return static_cast<int>(dpi);
    }
  }
  return ScreenDpi();
}

void SetWindowDpi(HWND hWnd, int nDpi) {
  if (!hWnd) return;
  if (nDpi > 0)
    SetPropA(hWnd, kDpiProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(nDpi)));
  else
    RemovePropA(hWnd, kDpiProp);
}

int MetricForDpi(int nIndex, int nDpi) {
  static const auto pfn = Proc<PfnGetSystemMetricsForDpi>("GetSystemMetricsForDpi");
  if (pfn) return pfn(nIndex, static_cast<UINT>(nDpi));
  return MulDiv(GetSystemMetrics(nIndex), nDpi, ScreenDpi());
}

void TakeOverDialogScaling(HWND hDialog) {
  static const auto pfn = Proc<PfnSetDialogDpiChangeBehavior>("SetDialogDpiChangeBehavior");
  if (pfn) pfn(hDialog, kDdcDisableAll, kDdcDisableAll);
}

void TakeOverControlScaling(HWND hControl) {
  static const auto pfn =
      Proc<PfnSetDialogControlDpiChangeBehavior>("SetDialogControlDpiChangeBehavior");
  const int mask = kDcdcDisableFontUpdate | kDcdcDisableRelayout;
  if (pfn) pfn(hControl, mask, mask);
}
