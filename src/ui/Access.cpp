#include "ui/Access.h"

#include <commctrl.h>
#include <oleacc.h>

#include <cstring>

namespace {

constexpr UINT_PTR kHookId = 0x7D58;
// The hook's data, found again through the window (the x86_64 import library
// of comctl32 lacks GetWindowSubclass).
constexpr const char kHookProp[] = "TdxHook";
// IAccessible's IID from its declaration: liboleacc and libuuid both define
// the symbol for x86_64.
const IID& kIidAccessible = __uuidof(IAccessible);

// What the program adds to one control.
struct ControlHook {
  std::string strName;                // the accessible name, empty: the system's
  std::vector<std::string> pictures;  // words of a list row's image index
  bool bWantReturn = false;
  bool bMenuShown = false;  // a context menu came from the menu key being down
};

bool IsClass(HWND h, const char* szClass) {
  char sz[64] = {};
  GetClassNameA(h, sz, sizeof sz);
  return lstrcmpiA(sz, szClass) == 0;
}

std::string TextOf(HWND h) {
  char sz[512] = {};
  GetWindowTextA(h, sz, sizeof sz);
  return sz;
}

std::wstring Wide(const std::string& s) {
  const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], n);
  w.resize(w.size() - 1);
  return w;
}

ControlHook* HookOf(HWND h);

// A list view row's caption and, where its picture has words, those words.
std::string RowName(HWND hList, const ControlHook& hook, int nRow) {
  char sz[512] = {};
  LVITEMA it = {};
  it.mask = LVIF_TEXT | LVIF_IMAGE;
  it.iItem = nRow;
  it.pszText = sz;
  it.cchTextMax = sizeof sz;
  if (!SendMessageA(hList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it))) return {};
  std::string s = sz;
  if (it.iImage >= 0 && static_cast<size_t>(it.iImage) < hook.pictures.size() &&
      !hook.pictures[static_cast<size_t>(it.iImage)].empty())
    s += ", " + hook.pictures[static_cast<size_t>(it.iImage)];
  return s;
}

// The list view row a child ID stands for (IDs count rows from 1), or -1.
int RowOf(HWND h, const VARIANT& v) {
  if (v.vt != VT_I4 || v.lVal <= 0 || !IsClass(h, WC_LISTVIEWA)) return -1;
  const int n = static_cast<int>(SendMessageA(h, LVM_GETITEMCOUNT, 0, 0));
  return v.lVal <= n ? static_cast<int>(v.lVal - 1) : -1;
}

bool IsSelf(const VARIANT& v) { return v.vt == VT_I4 && v.lVal == CHILDID_SELF; }

HRESULT Answer(const std::string& s, BSTR* pOut) {
  if (!pOut) return E_POINTER;
  *pOut = SysAllocString(Wide(s).c_str());
  return *pOut ? S_OK : E_OUTOFMEMORY;
}

// The system's object for a control, with the program's name for it and, for
// list rows, their pictures in words and their check boxes as states. Where the
// system's object knows nothing of list rows (Wine), the rows are answered here.
class NamedAccessible : public IAccessible {
 public:
  NamedAccessible(HWND hWnd, IAccessible* pInner) : m_hWnd(hWnd), m_pInner(pInner) {}
  virtual ~NamedAccessible() { m_pInner->Release(); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kIidAccessible) {
      *ppv = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    return m_pInner->QueryInterface(riid, ppv);
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = InterlockedDecrement(&m_cRef);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* p) override {
    return m_pInner->GetTypeInfoCount(p);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** pp) override {
    return m_pInner->GetTypeInfo(i, l, pp);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l,
                                          DISPID* d) override {
    return m_pInner->GetIDsOfNames(r, n, c, l, d);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v,
                                   EXCEPINFO* e, UINT* a) override {
    return m_pInner->Invoke(d, r, l, f, p, v, e, a);
  }

  // IAccessible: what the program changes
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT v, BSTR* p) override {
    const ControlHook* pHook = IsWindow(m_hWnd) ? HookOf(m_hWnd) : nullptr;
    if (pHook && IsSelf(v) && !pHook->strName.empty()) return Answer(pHook->strName, p);
    const int nRow = pHook ? RowOf(m_hWnd, v) : -1;
    if (nRow >= 0 && !pHook->pictures.empty()) return Answer(RowName(m_hWnd, *pHook, nRow), p);
    const HRESULT hr = m_pInner->get_accName(v, p);
    if (FAILED(hr) && nRow >= 0) return Answer(RowName(m_hWnd, *pHook, nRow), p);
    return hr;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT v, VARIANT* p) override {
    const HRESULT hr = m_pInner->get_accRole(v, p);
    if (FAILED(hr) && p && IsWindow(m_hWnd) && RowOf(m_hWnd, v) >= 0) {
      VariantInit(p);
      p->vt = VT_I4;
      p->lVal = ROLE_SYSTEM_LISTITEM;
      return S_OK;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT v, VARIANT* p) override {
    const int nRow = IsWindow(m_hWnd) ? RowOf(m_hWnd, v) : -1;
    HRESULT hr = m_pInner->get_accState(v, p);
    if (nRow < 0 || !p) return hr;
    if (FAILED(hr)) {
      VariantInit(p);
      p->vt = VT_I4;
      p->lVal = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
      const LRESULT s = SendMessageA(m_hWnd, LVM_GETITEMSTATE, static_cast<WPARAM>(nRow),
                                     LVIS_SELECTED | LVIS_FOCUSED);
      if (s & LVIS_SELECTED) p->lVal |= STATE_SYSTEM_SELECTED;
      if ((s & LVIS_FOCUSED) && GetFocus() == m_hWnd) p->lVal |= STATE_SYSTEM_FOCUSED;
      hr = S_OK;
    }
    const LRESULT ex = SendMessageA(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    if (p->vt == VT_I4 && (ex & LVS_EX_CHECKBOXES)) {
      const LRESULT s =
          SendMessageA(m_hWnd, LVM_GETITEMSTATE, static_cast<WPARAM>(nRow), LVIS_STATEIMAGEMASK);
      if (((s & LVIS_STATEIMAGEMASK) >> 12) == 2)
        p->lVal |= STATE_SYSTEM_CHECKED;
      else
        p->lVal &= ~STATE_SYSTEM_CHECKED;
    }
    return hr;
  }

  // IAccessible: the system's
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override {
    return m_pInner->get_accParent(p);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* p) override {
    return m_pInner->get_accChildCount(p);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT v, IDispatch** p) override {
    return m_pInner->get_accChild(v, p);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT v, BSTR* p) override {
    return m_pInner->get_accValue(v, p);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT v, BSTR* p) override {
    return m_pInner->get_accDescription(v, p);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT v, BSTR* p) override {
    return m_pInner->get_accHelp(v, p);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* p, VARIANT v, long* t) override {
    return m_pInner->get_accHelpTopic(p, v, t);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT v, BSTR* p) override {
    return m_pInner->get_accKeyboardShortcut(v, p);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* p) override { return m_pInner->get_accFocus(p); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* p) override {
    return m_pInner->get_accSelection(p);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT v, BSTR* p) override {
    return m_pInner->get_accDefaultAction(v, p);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long f, VARIANT v) override {
    return m_pInner->accSelect(f, v);
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT v) override {
    return m_pInner->accLocation(x, y, w, h, v);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long d, VARIANT s, VARIANT* e) override {
    return m_pInner->accNavigate(d, s, e);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* p) override {
    return m_pInner->accHitTest(x, y, p);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT v) override {
    return m_pInner->accDoDefaultAction(v);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT v, BSTR s) override {
    return m_pInner->put_accName(v, s);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT v, BSTR s) override {
    return m_pInner->put_accValue(v, s);
  }

 private:
  LONG m_cRef = 1;
  HWND m_hWnd;
  IAccessible* m_pInner;
};

// Dynamic Annotation, where the system has it (COM is set up by the program).
IAccPropServices* AnnotationService() {
  static IAccPropServices* s_p = nullptr;
  static bool s_bTried = false;
  if (!s_bTried) {
    s_bTried = true;
    void* pv = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IAccPropServices, &pv)))
      s_p = static_cast<IAccPropServices*>(pv);
  }
  return s_p;
}

void Annotate(HWND h, const std::string& strName) {
  if (IAccPropServices* p = AnnotationService())
    p->SetHwndPropStr(h, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                      Wide(strName).c_str());
}

void ClearAnnotation(HWND h) {
  if (IAccPropServices* p = AnnotationService()) {
    MSAAPROPID id = PROPID_ACC_NAME;
    p->ClearHwndProps(h, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &id, 1);
  }
}

// With the focus in a list view, one row is the focused one, so the focus
// can be seen.
void FocusARow(HWND hList) {
  if (SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0) <= 0) return;
  if (SendMessageA(hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED) >= 0) return;
  LRESULT i = SendMessageA(hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  LVITEMA it = {};
  it.stateMask = LVIS_FOCUSED;
  it.state = LVIS_FOCUSED;
  SendMessageA(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(i >= 0 ? i : 0),
               reinterpret_cast<LPARAM>(&it));
}

LRESULT CALLBACK HookProc(HWND h, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR ref) {
  auto* pHook = reinterpret_cast<ControlHook*>(ref);
  switch (uMsg) {
    case WM_GETOBJECT:
      if (static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT) {
        void* pv = nullptr;
        if (SUCCEEDED(CreateStdAccessibleObject(h, OBJID_CLIENT, kIidAccessible, &pv)) && pv) {
          auto* pNamed = new NamedAccessible(h, static_cast<IAccessible*>(pv));
          const LRESULT r = LresultFromObject(kIidAccessible, wParam, pNamed);
          pNamed->Release();
          return r;
        }
      }
      break;
    case WM_GETDLGCODE: {
      const auto* pMsg = reinterpret_cast<const MSG*>(lParam);
      if (pHook->bWantReturn && pMsg && pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN)
        return DefSubclassProc(h, uMsg, wParam, lParam) | DLGC_WANTMESSAGE;
      break;
    }
    // The menu key opens the context menu where the system does not turn it
    // into WM_CONTEXTMENU itself (Wine): on its release, unless it did.
    case WM_KEYDOWN:
      if (wParam == VK_APPS) pHook->bMenuShown = false;
      break;
    case WM_CONTEXTMENU:
      if (lParam == -1) pHook->bMenuShown = true;
      break;
    case WM_KEYUP:
      if (wParam == VK_APPS) {
        const LRESULT r = DefSubclassProc(h, uMsg, wParam, lParam);
        if (!pHook->bMenuShown) SendMessageA(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), -1);
        pHook->bMenuShown = false;
        return r;
      }
      break;
    case WM_SETFOCUS: {
      const LRESULT r = DefSubclassProc(h, uMsg, wParam, lParam);
      if (IsClass(h, WC_LISTVIEWA)) FocusARow(h);
      return r;
    }
    case WM_NCDESTROY:
      if (!pHook->strName.empty()) ClearAnnotation(h);
      RemovePropA(h, kHookProp);
      RemoveWindowSubclass(h, HookProc, kHookId);
      delete pHook;
      break;
    default:
      break;
  }
  return DefSubclassProc(h, uMsg, wParam, lParam);
}

ControlHook* HookOf(HWND h) { return static_cast<ControlHook*>(GetPropA(h, kHookProp)); }

ControlHook* Hook(HWND h) {
  if (!h) return nullptr;
  if (ControlHook* p = HookOf(h)) return p;
  auto* p = new ControlHook;
  if (!SetWindowSubclass(h, HookProc, kHookId, reinterpret_cast<DWORD_PTR>(p))) {
    delete p;
    return nullptr;
  }
  SetPropA(h, kHookProp, p);
  return p;
}

bool IsLabel(HWND h) {
  const LONG style = GetWindowLongA(h, GWL_STYLE);
  if (IsClass(h, "Static")) {
    const LONG type = style & SS_TYPEMASK;
    return (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_SIMPLE ||
            type == SS_LEFTNOWORDWRAP) &&
           !(style & SS_NOTIFY) && GetWindowTextLengthA(h) > 0;
  }
  if (IsClass(h, "Button")) {
    const LONG type = style & BS_TYPEMASK;
    return type == BS_GROUPBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
  }
  return false;
}

bool TakesName(HWND h) {
  return IsClass(h, WC_LISTVIEWA) || IsClass(h, WC_TREEVIEWA) || IsClass(h, "Edit") ||
         IsClass(h, "ComboBox");
}

}  // namespace

std::string AccessibleText(const std::string& strCaption) {
  std::string s;
  for (size_t i = 0; i < strCaption.size(); ++i) {
    if (strCaption[i] == '&') {  // "&&" is a "&" of the text
      if (i + 1 < strCaption.size() && strCaption[i + 1] == '&') s += strCaption[++i];
      continue;
    }
    s += strCaption[i];
  }
  auto trim = [](std::string& t) {
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.pop_back();
    size_t k = 0;
    while (k < t.size() && (t[k] == ' ' || t[k] == '\t')) ++k;
    t.erase(0, k);
  };
  trim(s);
  if (!s.empty() && s.back() == ':') s.pop_back();
  trim(s);
  return s;
}

std::string LabelOf(HWND hCtl) {
  for (HWND h = GetWindow(hCtl, GW_HWNDPREV); h; h = GetWindow(h, GW_HWNDPREV)) {
    if (IsLabel(h)) return TextOf(h);
    if (GetWindowLongA(h, GWL_STYLE) & WS_TABSTOP) break;  // a control of its own
  }
  return {};
}

void NameControls(HWND hDialog) {
  for (HWND h = GetWindow(hDialog, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (!TakesName(h)) continue;
    const std::string strName = AccessibleText(LabelOf(h));
    if (strName.empty()) continue;
    if (ControlHook* p = Hook(h)) {
      p->strName = strName;
      Annotate(h, strName);
    }
  }
}

void SetRowPictureWords(HWND hList, const std::vector<std::string>& words) {
  if (ControlHook* p = Hook(hList)) p->pictures = words;
}

void SetReturnNotifies(HWND hList) {
  if (ControlHook* p = Hook(hList)) p->bWantReturn = true;
}

std::string ServedName(HWND hCtl) {
  const ControlHook* p = HookOf(hCtl);
  return p ? p->strName : std::string();
}
