#include "halvern/LogBrowserHost.h"

HWND LogBrowserHost::CreateHost(HINSTANCE hInst, HWND hParent, int id) {
  RegisterClass(hInst, kClass, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  return Create(hInst, kClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CLIENTEDGE,
                hParent, id);
}
