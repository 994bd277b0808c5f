#pragma once
#include <windows.h>
#include <ocidl.h>

#include <string>

namespace ui::win32 {

// What the view decides about the events of its browser control; called on the window thread.
class BrowserEventHandler {
 public:
  virtual ~BrowserEventHandler() = default;
  // A navigation is about to start; true cancels it. `topLevel`: the view's own page, not a
  // frame inside it.
  virtual bool beforeNavigate(const std::wstring& address, bool topLevel) = 0;
  // The page asks for a new window; true cancels it. `userAsked`: it follows the player's
  // click or key.
  virtual bool newWindow(const std::wstring& address, bool userAsked) = 0;
  // A navigation failed; true cancels the control's own error page.
  virtual bool navigateError(const std::wstring& address, bool topLevel) = 0;
  virtual void documentComplete(const std::wstring& address, bool topLevel) = 0;
};

// The receiver of the control's DWebBrowserEvents2, which arrive as IDispatch::Invoke calls
// with the event's number and its arguments. It is reference counted, since the control holds
// it until it is disconnected; after disconnect() it forwards nothing.
class BrowserEvents final : public IDispatch {
 public:
  // `view`: the control itself, against which an event's sender tells the view's own page
  // from its frames.
  BrowserEvents(BrowserEventHandler& handler, IUnknown* view);
  BrowserEvents(const BrowserEvents&) = delete;
  BrowserEvents& operator=(const BrowserEvents&) = delete;

  // Subscribes to the control's events through its connection point.
  bool connect(IUnknown* control);
  void disconnect();

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

 private:
  ~BrowserEvents();
  bool isView(const VARIANT* sender) const;

  LONG references_ = 1;
  BrowserEventHandler* handler_;
  IUnknown* view_;  // identity only, not held
  IConnectionPoint* point_ = nullptr;
  DWORD cookie_ = 0;
};

}  // namespace ui::win32
