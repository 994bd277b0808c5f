// news-view-check   raises DWebBrowserEvents2 events on the view's event receiver through
// IDispatch::Invoke, with the arguments laid out as the browser control passes them, and
// checks the Cancel answers and what the view asked of a stub browser. Prints one line per
// check; exit code 0 when all hold, 1 otherwise.
#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ole2.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/news_view.h"
#include "ui/win32/browser_events.h"

namespace {

using ui::win32::BrowserEvents;

int failures = 0;

void expect(bool holds, const std::string& what) {
  std::printf("%s %s\n", holds ? "ok  " : "FAIL", what.c_str());
  if (!holds) ++failures;
}

// A COM object with an identity of its own: the control, or a frame inside its page.
struct Frame final : IDispatch {
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
      *out = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
};

struct StubBrowser : ui::NewsBrowser {
  std::vector<std::string> shown, written, outside;
  uint32_t now = 50000;
  void go(const std::string& a) override { shown.push_back(a); }
  void writePage(const std::string& html) override { written.push_back(html); }
  void openOutside(const std::string& a) override { outside.push_back(a); }
  uint32_t nowMs() override { return now += 5000; }
};

// One event's arguments, given in declaration order and stored last first, as Invoke gets them.
struct Arguments {
  std::vector<VARIANT> held;  // what the by-reference arguments point at
  std::vector<VARIANT> args;
  std::vector<BSTR> texts;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  IDispatch* newDispatch = nullptr;
  explicit Arguments(size_t count) : held(count), args(count) {}
  ~Arguments() {
    for (BSTR t : texts) SysFreeString(t);
  }
  VARIANT& at(size_t index) { return args[args.size() - 1 - index]; }
  BSTR text(const wchar_t* s) {
    texts.push_back(SysAllocString(s));
    return texts.back();
  }
  void dispatch(size_t i, IDispatch* d) {
    V_VT(&at(i)) = VT_DISPATCH;
    V_DISPATCH(&at(i)) = d;
  }
  // A VARIANT* parameter: a reference to a VARIANT holding the value.
  void byRefText(size_t i, const wchar_t* s) {
    V_VT(&held[i]) = VT_BSTR;
    V_BSTR(&held[i]) = text(s);
    V_VT(&at(i)) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&at(i)) = &held[i];
  }
  void byRefNumber(size_t i, LONG n) {
    V_VT(&held[i]) = VT_I4;
    V_I4(&held[i]) = n;
    V_VT(&at(i)) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&at(i)) = &held[i];
  }
  void cancelAt(size_t i) {
    V_VT(&at(i)) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&at(i)) = &cancel;
  }
  bool raise(BrowserEvents& sink, DISPID id) {
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    HRESULT hr = sink.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    return SUCCEEDED(hr) && cancel == VARIANT_TRUE;
  }
};

// BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
bool beforeNavigate(BrowserEvents& sink, IDispatch* sender, const wchar_t* url) {
  Arguments a(7);
  a.dispatch(0, sender);
  a.byRefText(1, url);
  a.byRefNumber(2, 0);
  a.byRefText(3, L"");
  V_VT(&a.held[4]) = VT_EMPTY;
  V_VT(&a.at(4)) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&a.at(4)) = &a.held[4];
  a.byRefText(5, L"");
  a.cancelAt(6);
  return a.raise(sink, DISPID_BEFORENAVIGATE2);
}

// NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
bool newWindow(BrowserEvents& sink, const wchar_t* url, DWORD flags) {
  Arguments a(5);
  V_VT(&a.at(0)) = VT_BYREF | VT_DISPATCH;
  V_DISPATCHREF(&a.at(0)) = &a.newDispatch;
  a.cancelAt(1);
  V_VT(&a.at(2)) = VT_I4;
  V_I4(&a.at(2)) = static_cast<LONG>(flags);
  V_VT(&a.at(3)) = VT_BSTR;
  V_BSTR(&a.at(3)) = a.text(L"https://news.example.com/bz01.html");
  V_VT(&a.at(4)) = VT_BSTR;
  V_BSTR(&a.at(4)) = a.text(url);
  return a.raise(sink, DISPID_NEWWINDOW3);
}

// NavigateError(pDisp, URL, TargetFrameName, StatusCode, Cancel)
bool navigateError(BrowserEvents& sink, IDispatch* sender, const wchar_t* url) {
  Arguments a(5);
  a.dispatch(0, sender);
  a.byRefText(1, url);
  a.byRefText(2, L"");
  a.byRefNumber(3, static_cast<LONG>(0x800C0005));  // INET_E_RESOURCE_NOT_FOUND
  a.cancelAt(4);
  return a.raise(sink, DISPID_NAVIGATEERROR);
}

// DocumentComplete(pDisp, URL)
void documentComplete(BrowserEvents& sink, IDispatch* sender, const wchar_t* url) {
  Arguments a(2);
  a.dispatch(0, sender);
  a.byRefText(1, url);
  a.raise(sink, DISPID_DOCUMENTCOMPLETE);
}

// Wine's own browser control takes the receiver on its connection point and lets it go again.
// (Out of place, without a window and a page engine, it raises no navigation events here.)
// False when the control could not be made at all.
bool realControl(ui::NewsEvents& news) {
  IWebBrowser2* control = nullptr;
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                              reinterpret_cast<void**>(&control))))
    return false;
  auto* sink = new BrowserEvents(news, control);
  expect(sink->connect(control), "the receiver is connected to the control's DWebBrowserEvents2");
  sink->AddRef();
  ULONG held = sink->Release();
  sink->disconnect();
  sink->AddRef();
  ULONG released = sink->Release();
  expect(held > released && released == 1, "disconnecting gives the control's reference back");
  sink->Release();
  control->Release();
  return true;
}

}  // namespace

int main() {
  OleInitialize(nullptr);
  Frame view, frame;
  StubBrowser browser;
  ui::NewsEvents news(browser, "\xE5\x85\xAC\xE5\x91\x8A");  // 公告
  auto* sink = new BrowserEvents(news, &view);
  news.navigate("http://News.Example.com/bz01.html");

  // Which address stays where is the view's rule, tested on its own; here: the arguments as
  // the control lays them out reach it, and its answers reach the control.
  expect(!beforeNavigate(*sink, &view, L"http://news.example.com/bz01.html"), "the announcement itself stays");
  expect(!beforeNavigate(*sink, &frame, L"http://news.example.com/frame.html"), "a frame of its site stays");
  expect(beforeNavigate(*sink, &view, L"http://forum.example.com/t/1") &&
             browser.outside == std::vector<std::string>{"http://forum.example.com/t/1"},
         "another site is cancelled in the view and handed to the default browser");
  expect(beforeNavigate(*sink, &frame, L"http://ads.example.net/banner") && browser.outside.size() == 1,
         "a frame from elsewhere is cancelled and opens nothing: the sender tells frames from the view");
  expect(newWindow(*sink, L"https://www.example.org/\u516C\u544A", NWMF_USERINITED) && browser.outside.size() == 2 &&
             browser.outside[1] == "https://www.example.org/\xE5\x85\xAC\xE5\x91\x8A",
         "a new window the player asked for is cancelled and goes out, its address intact");
  expect(newWindow(*sink, L"https://popup.example.net/", 0) && browser.outside.size() == 2,
         "a pop-up is cancelled and opens nothing");
  expect(navigateError(*sink, &view, L"http://news.example.com/bz01.html") && browser.shown.size() == 2 &&
             browser.shown[1] == "about:blank",
         "the control's error page is cancelled and the view loads about:blank");
  documentComplete(*sink, &frame, L"about:blank");
  expect(browser.written.empty(), "a frame's blank document is left alone");
  documentComplete(*sink, &view, L"about:blank");
  expect(browser.written.size() == 1 && browser.written[0].find("\xE5\x85\xAC\xE5\x91\x8A") != std::string::npos,
         "the plain page with the view's text is written");

  sink->disconnect();
  expect(!beforeNavigate(*sink, &view, L"http://forum.example.com/"), "a disconnected receiver answers nothing");
  sink->Release();

  if (!realControl(news)) expect(false, "the system's browser control could be made");
  OleUninitialize();
  std::printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
