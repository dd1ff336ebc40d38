// The browser pane in a window of its own: it takes any address, remembers the
// last one as its text, follows its parent's layout and goes away cleanly,
// whether or not a browser engine is there (under Wine there is none). What
// the engine may run is the site's answer and the process's lockdown: both are
// asked here directly, since no page is ever shown under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <mshtmdid.h>
#include <olectl.h>
#include <urlmon.h>

#include "halvern/HVBrowserSite.h"
#include "halvern/LogBrowserHost.h"

TEST(LogBrowserHost, RemembersTheLastAddressWithOrWithoutAnEngine) {
  HINSTANCE hInst = GetModuleHandleA(nullptr);
  HWND hParent = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                 nullptr, nullptr, hInst, nullptr);
  ASSERT_NE(hParent, nullptr);
  {
    LogBrowserHost host;
    HWND h = host.CreateHost(hInst, hParent, 714);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetDlgItem(hParent, 714), h);
    MoveWindow(h, 10, 10, 300, 200, TRUE);

    char sz[MAX_PATH] = {};
    host.Navigate("about:blank");
    GetWindowTextA(h, sz, sizeof sz);
    EXPECT_STREQ(sz, "about:blank");
    host.Navigate("C:\\Program Files\\Tandelix\\result.html");
    GetWindowTextA(h, sz, sizeof sz);
    EXPECT_STREQ(sz, "C:\\Program Files\\Tandelix\\result.html");
    host.Navigate(nullptr);  // ignored
    GetWindowTextA(h, sz, sizeof sz);
    EXPECT_STREQ(sz, "C:\\Program Files\\Tandelix\\result.html");

    // Messages the page would see meanwhile do not trip over a missing engine.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    RecordProperty("engine", host.HasBrowser() ? "yes" : "no");
  }
  DestroyWindow(hParent);
}

TEST(LogBrowserHost, LocalMachineLockdownIsOnForTheProcessOnceThereIsAHost) {
  HINSTANCE hInst = GetModuleHandleA(nullptr);
  HWND hParent = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                 nullptr, nullptr, hInst, nullptr);
  ASSERT_NE(hParent, nullptr);
  {
    LogBrowserHost host;
    ASSERT_NE(host.CreateHost(hInst, hParent, 714), nullptr);
    EXPECT_EQ(CoInternetIsFeatureEnabled(FEATURE_LOCALMACHINE_LOCKDOWN, GET_FEATURE_FROM_PROCESS),
              S_OK);
  }
  DestroyWindow(hParent);
}

// The engine asks the control's site for DISPID_AMBIENT_DLCONTROL through the
// site's IDispatch, reached from the client site it was given.
TEST(LogBrowserHost, TheSiteLetsTheEngineRunNoScriptJavaOrActiveX) {
  HWND hWnd = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(hWnd, nullptr);
  auto* site = new HVBrowserSite(hWnd);
  IOleClientSite* pClient = site->ClientSite();
  IDispatch* pDisp = nullptr;
  ASSERT_EQ(pClient->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&pDisp)), S_OK);

  DISPPARAMS none = {};
  VARIANT v;
  VariantInit(&v);
  ASSERT_EQ(pDisp->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, LOCALE_USER_DEFAULT,
                          DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr),
            S_OK);
  ASSERT_EQ(v.vt, VT_I4);
  const LONG must =
      DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS;
  EXPECT_EQ(v.lVal & must, must);
  EXPECT_EQ(v.lVal & (DLCTL_NO_BEHAVIORS | DLCTL_NO_CLIENTPULL),
            DLCTL_NO_BEHAVIORS | DLCTL_NO_CLIENTPULL);
  // Other ambient properties keep the control's defaults.
  VariantInit(&v);
  EXPECT_EQ(pDisp->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT,
                          DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);

  // The in-place side shows the host window.
  IOleInPlaceSite* pInPlace = nullptr;
  ASSERT_EQ(pDisp->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&pInPlace)), S_OK);
  HWND hSeen = nullptr;
  EXPECT_EQ(pInPlace->GetWindow(&hSeen), S_OK);
  EXPECT_EQ(hSeen, hWnd);
  pInPlace->Release();
  EXPECT_EQ(pDisp->Release(), 1u);  // the creator's reference is the last
  EXPECT_EQ(pClient->Release(), 0u);
  DestroyWindow(hWnd);
}

// The control comes up without an HTML engine too (so under Wine): in place in
// the site's window, following its size, one per site, and once closed it is
// gone and has given back every reference it took to the site.
TEST(LogBrowserHost, TheSiteHoldsTheControlInPlaceAndLetsItGo) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  HWND hWnd = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 300,
                              200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(hWnd, nullptr);
  auto* site = new HVBrowserSite(hWnd);
  IWebBrowser2* pBrowser = site->Embed();
  ASSERT_NE(pBrowser, nullptr);
  HWND hControl = GetWindow(hWnd, GW_CHILD);
  ASSERT_NE(hControl, nullptr);
  site->Resize(120, 80);
  RECT rc;
  GetClientRect(hControl, &rc);
  EXPECT_EQ(rc.right, 120);
  EXPECT_EQ(rc.bottom, 80);
  EXPECT_EQ(site->Embed(), nullptr);

  pBrowser->Release();
  site->Close();
  EXPECT_FALSE(IsWindow(hControl));
  EXPECT_EQ(site->Release(), 0u);
  DestroyWindow(hWnd);
  OleUninitialize();
}
