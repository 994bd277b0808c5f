#pragma once
#include <windows.h>
#include <ocidl.h>

#include "ui/news_view.h"

namespace ui::win32 {

// The receiver of the control's DWebBrowserEvents2, which arrive as IDispatch::Invoke calls
// with the event's number and its arguments. They are handed to the view's NewsEvents
// (addresses as UTF-8), whose answers go back as the events' Cancel arguments. Reference
// counted, since the control holds it until it is disconnected; after disconnect() it
// forwards nothing.
class BrowserEvents final : public IDispatch {
 public:
  // `view`: the control itself, against which an event's sender tells the view's own page
  // from its frames.
  BrowserEvents(NewsEvents& handler, IUnknown* view);
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
  NewsEvents* handler_;
  IUnknown* view_;  // identity only, not held
  IConnectionPoint* point_ = nullptr;
  DWORD cookie_ = 0;
};

}  // namespace ui::win32
