#include "ui/win32/web_view.h"

#include <exdisp.h>
#include <mshtmhst.h>
#include <ole2.h>

#include "ui/win32/com_ptr.h"

namespace ui::win32 {

// The smallest container the browser control accepts: a client site that can activate it
// in place inside our window, a frame without menus or toolbars, and a UI handler that
// drops the 3-D border and the browser's own context menu. The site is owned by WebView
// and outlives the control, so its reference count does not govern its life.
struct WebView::Site final : public IOleClientSite,
                             public IOleInPlaceSite,
                             public IOleInPlaceFrame,
                             public IDocHostUIHandler {
  HWND parent = nullptr;
  RECT rect{};
  bool visible = true;
  ComPtr<IOleObject> object;
  ComPtr<IWebBrowser2> browser;

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

bool WebView::create(HWND parent, RECT rect) {
  close();
  auto site = std::make_unique<Site>();
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
  ComPtr<IWebBrowser2> browser;
  if (FAILED(object->QueryInterface(IID_IWebBrowser2, browser.putVoid()))) {
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
    return false;
  }
  browser->put_Silent(VARIANT_TRUE);
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
  BSTR url = SysAllocString(address.c_str());
  VARIANT empty;
  VariantInit(&empty);
  site_->browser->Navigate(url, &empty, &empty, &empty, &empty);
  SysFreeString(url);
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
  site_->browser->Stop();
  site_->browser.reset();
  site_->object->Close(OLECLOSE_NOSAVE);
  site_->object->SetClientSite(nullptr);
  site_->object.reset();
  site_.reset();
}

}  // namespace ui::win32
