// Thin, stateless wrappers over the common controls: one message each.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace ctl {

// Combo box (drop-down list); items carry a pointer.
inline void ComboReset(HWND h) { SendMessageA(h, CB_RESETCONTENT, 0, 0); }
inline int ComboAdd(HWND h, const char* szText, const void* pData) {
  const int i =
      static_cast<int>(SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(szText)));
  if (i >= 0) SendMessageA(h, CB_SETITEMDATA, i, reinterpret_cast<LPARAM>(pData));
  return i;
}
inline int ComboCount(HWND h) { return static_cast<int>(SendMessageA(h, CB_GETCOUNT, 0, 0)); }
inline int ComboGetSel(HWND h) { return static_cast<int>(SendMessageA(h, CB_GETCURSEL, 0, 0)); }
inline void ComboSetSel(HWND h, int i) { SendMessageA(h, CB_SETCURSEL, i, 0); }
inline void* ComboData(HWND h, int i) {
  const LRESULT r = SendMessageA(h, CB_GETITEMDATA, i, 0);
  return r == CB_ERR ? nullptr : reinterpret_cast<void*>(r);
}

// Tree view; items carry a pointer.
inline void TreeClear(HWND h) {
  SendMessageA(h, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}
inline HTREEITEM TreeInsert(HWND h, HTREEITEM hParent, const char* szText, const void* pData) {
  TVINSERTSTRUCTA tvi = {};
  tvi.hParent = hParent ? hParent : TVI_ROOT;
  tvi.hInsertAfter = TVI_LAST;
  tvi.item.mask = TVIF_TEXT | TVIF_PARAM;
  tvi.item.pszText = const_cast<char*>(szText);
  tvi.item.lParam = reinterpret_cast<LPARAM>(pData);
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(h, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tvi)));
}
inline HTREEITEM TreeSelection(HWND h) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(h, TVM_GETNEXTITEM, TVGN_CARET, 0));
}
inline void TreeSelect(HWND h, HTREEITEM hItem) {
  SendMessageA(h, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(hItem));
}
inline void TreeExpand(HWND h, HTREEITEM hItem) {
  SendMessageA(h, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(hItem));
}
inline void* TreeData(HWND h, HTREEITEM hItem) {
  TVITEMA it = {};
  it.mask = TVIF_PARAM;
  it.hItem = hItem;
  if (!hItem || !SendMessageA(h, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it))) return nullptr;
  return reinterpret_cast<void*>(it.lParam);
}

// List view in report mode; rows carry a pointer.
inline void ListAddColumn(HWND h, int i, const char* szCaption, int nWidth) {
  LVCOLUMNA c = {};
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  c.pszText = const_cast<char*>(szCaption);
  c.cx = nWidth;
  c.iSubItem = i;
  SendMessageA(h, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&c));
}
// Off: changes are not drawn; on again: the whole control is drawn anew.
inline void SuspendRedraw(HWND h, bool bSuspend) {
  SendMessageA(h, WM_SETREDRAW, bSuspend ? FALSE : TRUE, 0);
  if (!bSuspend) InvalidateRect(h, nullptr, TRUE);
}

inline void ListClear(HWND h) { SendMessageA(h, LVM_DELETEALLITEMS, 0, 0); }
inline int ListCount(HWND h) { return static_cast<int>(SendMessageA(h, LVM_GETITEMCOUNT, 0, 0)); }
inline int ListInsert(HWND h, int i, const char* szText, int nImage, const void* pData) {
  LVITEMA it = {};
  it.mask = LVIF_TEXT | LVIF_PARAM | (nImage >= 0 ? LVIF_IMAGE : 0);
  it.iItem = i;
  it.pszText = const_cast<char*>(szText);
  it.iImage = nImage;
  it.lParam = reinterpret_cast<LPARAM>(pData);
  return static_cast<int>(SendMessageA(h, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
}
inline void ListSetText(HWND h, int i, int nSub, const char* szText) {
  LVITEMA it = {};
  it.iSubItem = nSub;
  it.pszText = const_cast<char*>(szText);
  SendMessageA(h, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&it));
}
inline void* ListData(HWND h, int i) {
  LVITEMA it = {};
  it.mask = LVIF_PARAM;
  it.iItem = i;
  if (i < 0 || !SendMessageA(h, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it))) return nullptr;
  return reinterpret_cast<void*>(it.lParam);
}
inline int ListSelected(HWND h) {
  return static_cast<int>(SendMessageA(h, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}
inline void ListSetCheck(HWND h, int i, bool bCheck) {
  LVITEMA it = {};
  it.stateMask = LVIS_STATEIMAGEMASK;
  it.state = INDEXTOSTATEIMAGEMASK(bCheck ? 2 : 1);
  SendMessageA(h, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&it));
}
inline bool ListGetCheck(HWND h, int i) {
  const LRESULT s = SendMessageA(h, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK);
  return ((s & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

// Tab control.
inline void TabInsert(HWND h, int i, const char* szCaption) {
  TCITEMA it = {};
  it.mask = TCIF_TEXT;
  it.pszText = const_cast<char*>(szCaption);
  SendMessageA(h, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&it));
}
inline int TabGetSel(HWND h) { return static_cast<int>(SendMessageA(h, TCM_GETCURSEL, 0, 0)); }
inline void TabSetSel(HWND h, int i) { SendMessageA(h, TCM_SETCURSEL, i, 0); }

inline void Enable(HWND h, bool bEnable) { EnableWindow(h, bEnable ? TRUE : FALSE); }

}  // namespace ctl
