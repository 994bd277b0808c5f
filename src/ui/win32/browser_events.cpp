#include "ui/win32/browser_events.h"

#include <exdisp.h>
#include <exdispid.h>
#include <shobjidl.h>

#include "platform/win32/wide.h"

namespace ui::win32 {

namespace {

// Arguments come last first: the event's first parameter is the last element.
VARIANT* argument(DISPPARAMS* params, UINT index) {
  if (!params || !params->rgvarg || index >= params->cArgs) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - index];
}

// A parameter declared as VARIANT* arrives as a reference to a VARIANT.
const VARIANT* unwrapped(const VARIANT* v) {
  while (v && V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
  return v;
}

constexpr unsigned kUtf8 = 65001;

std::string textOf(const VARIANT* v) {
  v = unwrapped(v);
  if (!v) return {};
  BSTR text = nullptr;
  if (V_VT(v) == VT_BSTR) text = V_BSTR(v);
  if (V_VT(v) == (VT_BYREF | VT_BSTR) && V_BSTRREF(v)) text = *V_BSTRREF(v);
  if (!text) return {};
  return platform::win32::narrow(std::wstring(text, SysStringLen(text)), kUtf8);
}

long numberOf(const VARIANT* v) {
  v = unwrapped(v);
  if (!v) return 0;
  switch (V_VT(v)) {
    case VT_I4: return V_I4(v);
    case VT_UI4: return static_cast<long>(V_UI4(v));
    case VT_INT: return V_INT(v);
    case VT_UINT: return static_cast<long>(V_UINT(v));
    default: return 0;
  }
}

void setCancel(VARIANT* v, bool cancel) {
  if (v && V_VT(v) == (VT_BYREF | VT_BOOL) && V_BOOLREF(v)) *V_BOOLREF(v) = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

// The COM identity of an object: the IUnknown that QueryInterface gives for it.
IUnknown* identityOf(IUnknown* object) {
  if (!object) return nullptr;
  IUnknown* identity = nullptr;
  if (FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)))) return nullptr;
  identity->Release();  // only compared, never used
  return identity;
}

}  // namespace

BrowserEvents::BrowserEvents(NewsEvents& handler, IUnknown* view)
    : handler_(&handler), view_(identityOf(view)) {}

BrowserEvents::~BrowserEvents() = default;

bool BrowserEvents::connect(IUnknown* control) {
  IConnectionPointContainer* container = nullptr;
  if (!control || FAILED(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))))
    return false;
  HRESULT found = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point_);
  container->Release();
  if (FAILED(found) || !point_) {
    point_ = nullptr;
    return false;
  }
  if (FAILED(point_->Advise(static_cast<IDispatch*>(this), &cookie_))) {
    point_->Release();
    point_ = nullptr;
    return false;
  }
  return true;
}

void BrowserEvents::disconnect() {
  handler_ = nullptr;
  if (!point_) return;
  point_->Unadvise(cookie_);
  point_->Release();
  point_ = nullptr;
}

STDMETHODIMP BrowserEvents::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) BrowserEvents::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) BrowserEvents::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP BrowserEvents::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

STDMETHODIMP BrowserEvents::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP BrowserEvents::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

bool BrowserEvents::isView(const VARIANT* sender) const {
  sender = unwrapped(sender);
  if (!sender || V_VT(sender) != VT_DISPATCH) return false;
  IUnknown* identity = identityOf(V_DISPATCH(sender));
  return identity && identity == view_;
}

// The parameters, in declaration order:
//   BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
//   NewWindow3(ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
//   NavigateError(pDisp, URL, TargetFrameName, StatusCode, Cancel)
//   DocumentComplete(pDisp, URL)
STDMETHODIMP BrowserEvents::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  if (!handler_) return S_OK;
  switch (id) {
    case DISPID_BEFORENAVIGATE2:
      if (params && params->cArgs == 7)
        setCancel(argument(params, 6), handler_->beforeNavigate(textOf(argument(params, 1)), isView(argument(params, 0))));
      break;
    case DISPID_NEWWINDOW3:
      if (params && params->cArgs == 5) {
        bool userAsked = (numberOf(argument(params, 2)) & NWMF_USERINITED) != 0;
        setCancel(argument(params, 1), handler_->newWindow(textOf(argument(params, 4)), userAsked));
      }
      break;
    case DISPID_NAVIGATEERROR:
      if (params && params->cArgs == 5)
        setCancel(argument(params, 4), handler_->navigateError(textOf(argument(params, 1)), isView(argument(params, 0))));
      break;
    case DISPID_DOCUMENTCOMPLETE:
      if (params && params->cArgs == 2)
        handler_->documentComplete(textOf(argument(params, 1)), isView(argument(params, 0)));
      break;
    default: break;
  }
  return S_OK;
}

}  // namespace ui::win32
