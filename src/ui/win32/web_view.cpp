#include "ui/win32/web_view.h"

#include <exdisp.h>
#include <mshtml.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <ole2.h>

#include "platform/win32/wide.h"
#include "ui/news_view.h"
#include "ui/win32/browser_events.h"
#include "ui/win32/com_ptr.h"

namespace ui::win32 {

namespace {

// The command group in which the page's host is asked about script errors.
constexpr GUID kDocHostCommands = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
constexpr unsigned kUtf8 = 65001;

// What the page may fetch: pictures, videos and sounds, but no ActiveX controls (neither run
// nor downloaded) and no Java applets; anything that would ask the player is left unasked.
constexpr LONG kDownloadControl = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS | DLCTL_NO_RUNACTIVEXCTLS |
                                  DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_JAVA | DLCTL_SILENT;

std::wstring wideOf(const std::string& utf8) { return platform::win32::widen(utf8, kUtf8); }
std::string utf8Of(const std::wstring& text) { return platform::win32::narrow(text, kUtf8); }

}  // namespace

// The site also answers the control's ambient properties (what a page may download) and its
// host commands (script errors are not shown, the scripts go on), and decides its events.
struct WebView::Site final : public IOleClientSite,
                             public IOleInPlaceSite,
                             public IOleInPlaceFrame,
                             public IDocHostUIHandler,
                             public IDispatch,
                             public IOleCommandTarget,
                             public NewsBrowser {
  HWND parent = nullptr;
  RECT rect{};
  bool visible = true;
  ComPtr<IOleObject> object;
  ComPtr<IWebBrowser2> browser;
  BrowserEvents* events = nullptr;  // one reference, dropped by close()
  std::function<void(const std::wstring&)> openPage;
  NewsEvents news;

  explicit Site(WebView::Hooks hooks)
      : openPage(std::move(hooks.openOutside)), news(*this, utf8Of(hooks.fallbackText)) {}

  // NewsBrowser
  void go(const std::string& address) override {
    if (!browser) return;
    BSTR url = SysAllocString(wideOf(address).c_str());
    VARIANT empty;
    VariantInit(&empty);
    browser->Navigate(url, &empty, &empty, &empty, &empty);
    SysFreeString(url);
  }
  void openOutside(const std::string& address) override {
    if (openPage) openPage(wideOf(address));
  }
  uint32_t nowMs() override { return GetTickCount(); }
  void writePage(const std::string& page) override {
    ComPtr<IDispatch> document;
    ComPtr<IHTMLDocument2> html;
    if (!browser || FAILED(browser->get_Document(document.put())) || !document ||
        FAILED(document->QueryInterface(IID_IHTMLDocument2, html.putVoid())))
      return;
    SAFEARRAY* lines = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    if (!lines) return;
    VARIANT* line = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(lines, reinterpret_cast<void**>(&line)))) {
      V_VT(line) = VT_BSTR;
      V_BSTR(line) = SysAllocString(wideOf(page).c_str());
      SafeArrayUnaccessData(lines);
      html->write(lines);
      html->close();
    }
    SafeArrayDestroy(lines);  // frees the text with it
  }

  // IDispatch: the ambient properties asked of the site
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id != DISPID_AMBIENT_DLCONTROL || !result) return DISP_E_MEMBERNOTFOUND;
    V_VT(result) = VT_I4;
    V_I4(result) = kDownloadControl;
    return S_OK;
  }

  // IOleCommandTarget
  STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override { return OLECMDERR_E_UNKNOWNGROUP; }
  STDMETHODIMP Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT* out) override {
    if (!group || !IsEqualGUID(*group, kDocHostCommands)) return OLECMDERR_E_UNKNOWNGROUP;
    if (command != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_NOTSUPPORTED;
    if (out) {
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = VARIANT_TRUE;  // keep running the page's scripts
    }
    return S_OK;
  }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
      *out = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
      *out = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame))
      *out = static_cast<IOleInPlaceFrame*>(this);
    else if (IsEqualIID(riid, IID_IDocHostUIHandler))
      *out = static_cast<IDocHostUIHandler*>(this);
    else if (IsEqualIID(riid, IID_IDispatch))
      *out = static_cast<IDispatch*>(this);
    else if (IsEqualIID(riid, IID_IOleCommandTarget))
      *out = static_cast<IOleCommandTarget*>(this);
    else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (shared by the in-place site and the frame)
  STDMETHODIMP GetWindow(HWND* out) override {
    *out = parent;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    *frame = static_cast<IOleInPlaceFrame*>(this);
    *document = nullptr;
    *position = rect;
    *clip = rect;
    info->fMDIApp = FALSE;
    info->hwndFrame = parent;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow / IOleInPlaceFrame
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }  // also IDocHostUIHandler's
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDocHostUIHandler
  STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_OK; }
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
    info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
  }
  STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                      IOleInPlaceUIWindow*) override {
    return S_FALSE;
  }
  STDMETHODIMP HideUI() override { return S_OK; }
  STDMETHODIMP UpdateUI() override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* out, DWORD) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetExternal(IDispatch** out) override {
    *out = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
    *out = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override {
    *out = nullptr;
    return S_FALSE;
  }
};

WebView::WebView() = default;
WebView::~WebView() { close(); }

bool WebView::create(HWND parent, RECT rect, Hooks hooks) {
  close();
  auto site = std::make_unique<Site>(std::move(hooks));
  site->parent = parent;
  site->rect = rect;
  ComPtr<IOleObject> object;
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.putVoid())))
    return false;
  if (FAILED(object->SetClientSite(static_cast<IOleClientSite*>(site.get())))) return false;
  OleSetContainedObject(object.get(), TRUE);
  if (FAILED(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site.get()), 0, parent,
                            &rect))) {
    object->SetClientSite(nullptr);
    return false;
  }
  // What the page may download is an ambient property of the site: asked for again now.
  ComPtr<IOleControl> control;
  if (SUCCEEDED(object->QueryInterface(IID_IOleControl, control.putVoid())))
    control->OnAmbientPropertyChange(DISPID_AMBIENT_DLCONTROL);
  ComPtr<IWebBrowser2> browser;
  if (FAILED(object->QueryInterface(IID_IWebBrowser2, browser.putVoid()))) {
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
    return false;
  }
  // Without its events the view could not keep to the operator's site: no view then.
  site->events = new BrowserEvents(site->news, browser.get());
  if (!site->events->connect(browser.get())) {
    site->events->Release();
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
    return false;
  }
  browser->put_Silent(VARIANT_TRUE);
  browser->put_RegisterAsDropTarget(VARIANT_FALSE);
  browser->put_Left(rect.left);
  browser->put_Top(rect.top);
  browser->put_Width(rect.right - rect.left);
  browser->put_Height(rect.bottom - rect.top);
  site->object = std::move(object);
  site->browser = std::move(browser);
  site_ = std::move(site);
  return true;
}

void WebView::navigate(const std::wstring& address) {
  if (!site_ || address.empty()) return;
  site_->news.navigate(utf8Of(address));
}

void WebView::show(bool visible) {
  if (!site_ || site_->visible == visible) return;
  site_->visible = visible;
  site_->browser->put_Visible(visible ? VARIANT_TRUE : VARIANT_FALSE);
  ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(site_->object->QueryInterface(IID_IOleInPlaceObject, inPlace.putVoid()))) {
    HWND control = nullptr;
    if (SUCCEEDED(inPlace->GetWindow(&control)) && control) ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
  }
}

void WebView::close() {
  if (!site_) return;
  site_->events->disconnect();
  site_->events->Release();
  site_->events = nullptr;
  site_->browser->Stop();
  site_->browser.reset();
  site_->object->Close(OLECLOSE_NOSAVE);
  site_->object->SetClientSite(nullptr);
  site_->object.reset();
  site_.reset();
}

}  // namespace ui::win32
