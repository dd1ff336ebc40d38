#include "halvern/HVBrowserSite.h"

#include <mshtmdid.h>
#include <olectl.h>
#include <urlmon.h>

// Our pages are text and tables: nothing else is fetched or run, and the
// engine shows no dialog of its own.
const LONG kHVDownloadControl = DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS |
                                DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_BEHAVIORS |
                                DLCTL_NO_FRAMEDOWNLOAD | DLCTL_NO_CLIENTPULL | DLCTL_SILENT;

bool HVLockDownLocalMachine() {
  // urlmon keeps the setting for the process: the library stays loaded.
  HMODULE hUrlmon = LoadLibraryA("urlmon.dll");
  if (!hUrlmon) return false;
  using PfnSetFeature = HRESULT(WINAPI*)(INTERNETFEATURELIST, DWORD, BOOL);
  auto pfn = reinterpret_cast<PfnSetFeature>(
      reinterpret_cast<void*>(GetProcAddress(hUrlmon, "CoInternetSetFeatureEnabled")));
  return pfn && SUCCEEDED(pfn(FEATURE_LOCALMACHINE_LOCKDOWN, SET_FEATURE_ON_PROCESS, TRUE));
}

IWebBrowser2* HVBrowserSite::Embed() {
  if (m_pObject) return nullptr;
  void* pv = nullptr;
  if (FAILED(
          CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, &pv)) ||
      !pv)
    return nullptr;
  m_pObject = static_cast<IOleObject*>(pv);
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  pv = nullptr;
  if (FAILED(m_pObject->SetClientSite(this)) || FAILED(OleSetContainedObject(m_pObject, TRUE)) ||
      FAILED(m_pObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, m_hWnd, &rc)) ||
      FAILED(m_pObject->QueryInterface(IID_IWebBrowser2, &pv)) || !pv) {
    Close();
    return nullptr;
  }
  // The engine reads the ambient as each page loads; tell the control anyway.
  void* pCtl = nullptr;
  if (SUCCEEDED(m_pObject->QueryInterface(IID_IOleControl, &pCtl)) && pCtl) {
    static_cast<IOleControl*>(pCtl)->OnAmbientPropertyChange(DISPID_AMBIENT_DLCONTROL);
    static_cast<IOleControl*>(pCtl)->Release();
  }
  return static_cast<IWebBrowser2*>(pv);
}

void HVBrowserSite::Resize(int cx, int cy) {
  void* pv = nullptr;
  if (!m_pObject || FAILED(m_pObject->QueryInterface(IID_IOleInPlaceObject, &pv)) || !pv) return;
  const RECT rc = {0, 0, cx, cy};
  static_cast<IOleInPlaceObject*>(pv)->SetObjectRects(&rc, &rc);
  static_cast<IOleInPlaceObject*>(pv)->Release();
}

void HVBrowserSite::Close() {
  if (!m_pObject) return;
  IOleObject* p = m_pObject;
  m_pObject = nullptr;
  p->Close(OLECLOSE_NOSAVE);
  p->SetClientSite(nullptr);
  p->Release();
}

STDMETHODIMP HVBrowserSite::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IOleClientSite)
    *ppv = static_cast<IOleClientSite*>(this);
  else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
    *ppv = static_cast<IOleInPlaceSite*>(this);
  else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
    *ppv = static_cast<IOleInPlaceFrame*>(this);
  else if (riid == IID_IDispatch)
    *ppv = static_cast<IDispatch*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) HVBrowserSite::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&m_nRefs));
}

STDMETHODIMP_(ULONG) HVBrowserSite::Release() {
  const LONG n = InterlockedDecrement(&m_nRefs);
  if (n == 0) delete this;
  return static_cast<ULONG>(n);
}

STDMETHODIMP HVBrowserSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
  if (ppmk) *ppmk = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP HVBrowserSite::GetContainer(IOleContainer** ppContainer) {
  if (ppContainer) *ppContainer = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP HVBrowserSite::GetWindow(HWND* phwnd) {
  if (!phwnd) return E_POINTER;
  *phwnd = m_hWnd;
  return S_OK;
}

STDMETHODIMP HVBrowserSite::GetWindowContext(IOleInPlaceFrame** ppFrame,
                                             IOleInPlaceUIWindow** ppDoc, LPRECT prcPosRect,
                                             LPRECT prcClipRect, LPOLEINPLACEFRAMEINFO pFrameInfo) {
  if (!ppFrame || !ppDoc || !prcPosRect || !prcClipRect || !pFrameInfo) return E_POINTER;
  *ppFrame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *ppDoc = nullptr;
  GetClientRect(m_hWnd, prcPosRect);
  *prcClipRect = *prcPosRect;
  pFrameInfo->fMDIApp = FALSE;
  pFrameInfo->hwndFrame = m_hWnd;
  pFrameInfo->haccel = nullptr;
  pFrameInfo->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP HVBrowserSite::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

STDMETHODIMP HVBrowserSite::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP HVBrowserSite::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*,
                                   VARIANT* pVarResult, EXCEPINFO*, UINT*) {
  // Every other ambient property keeps the control's own default.
  if (dispIdMember != DISPID_AMBIENT_DLCONTROL || !(wFlags & DISPATCH_PROPERTYGET))
    return DISP_E_MEMBERNOTFOUND;
  if (!pVarResult) return E_POINTER;
  VariantInit(pVarResult);
  pVarResult->vt = VT_I4;
  pVarResult->lVal = kHVDownloadControl;
  return S_OK;
}
