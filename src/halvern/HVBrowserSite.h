// The control site of LogBrowser: the container side the WebBrowser control
// talks to. Besides what in-place activation needs, its IDispatch answers the
// ambient property that tells the HTML engine what it may download and run:
// no script, no Java, no ActiveX control, no behaviours, no client pull.
#pragma once

#include <exdisp.h>
#include <ole2.h>

// What DISPID_AMBIENT_DLCONTROL answers.
extern const LONG kHVDownloadControl;

// Turns on local-machine lockdown for the process, so a page opened from a
// local file gets no more rights than one from the Internet. Must run before
// the control is created; false where the system has no such setting.
bool HVLockDownLocalMachine();

class HVBrowserSite final : public IOleClientSite,
                            public IOleInPlaceSite,
                            public IOleInPlaceFrame,
                            public IDispatch {
 public:
  // hWnd is the window the control lives in. One reference, the caller's.
  explicit HVBrowserSite(HWND hWnd) : m_hWnd(hWnd) {}
  HVBrowserSite(const HVBrowserSite&) = delete;
  HVBrowserSite& operator=(const HVBrowserSite&) = delete;

  IOleClientSite* ClientSite() { return this; }

  // Creates the WebBrowser control in place in the whole window, with this
  // site in place before it loads anything; its IWebBrowser2 (the caller's
  // reference), or null when there is none. Holds the control until Close.
  IWebBrowser2* Embed();
  void Resize(int cx, int cy);
  // Deactivates and lets go of the control, which lets go of the site.
  void Close();

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override;
  STDMETHODIMP GetContainer(IOleContainer** ppContainer) override;
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (of the site and of the frame)
  STDMETHODIMP GetWindow(HWND* phwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                LPRECT prcPosRect, LPRECT prcClipRect,
                                LPOLEINPLACEFRAMEINFO pFrameInfo) override;
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  // The host places the control, in its whole client area.
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow and IOleInPlaceFrame: no tools, menus or status bar.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDispatch: the ambient properties.
  STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                      DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                      UINT* puArgErr) override;

 private:
  ~HVBrowserSite() = default;

  LONG m_nRefs = 1;
  HWND m_hWnd;
  IOleObject* m_pObject = nullptr;
};
