#include <windows.h>
#include <oleauto.h>

#include "platform/win32/wide.h"
#include "platform/win32/win32_shortcut.h"

namespace platform::win32 {

namespace {

// One counted reference to an automation object.
class Dispatch {
 public:
  explicit Dispatch(IDispatch* d = nullptr) : d_(d) {}
  ~Dispatch() {
    if (d_) d_->Release();
  }
  Dispatch(const Dispatch&) = delete;
  Dispatch& operator=(const Dispatch&) = delete;
  IDispatch* get() const { return d_; }

 private:
  IDispatch* d_;
};

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &v_; }
  const VARIANT& value() const { return v_; }

 private:
  VARIANT v_;
};

bool invoke(IDispatch* object, const wchar_t* name, WORD kind, VARIANT* argument, Variant& result) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = 0;
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;
  DISPPARAMS params{argument, nullptr, argument ? 1u : 0u, 0};
  return SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result.get(), nullptr, nullptr));
}

std::string textProperty(IDispatch* object, const wchar_t* name) {
  Variant value;
  if (!invoke(object, name, DISPATCH_PROPERTYGET, nullptr, value)) return {};
  if (value.value().vt != VT_BSTR || !value.value().bstrVal) return {};
  return narrow(std::wstring(value.value().bstrVal, SysStringLen(value.value().bstrVal)));
}

}  // namespace

Win32ShortcutObject::Win32ShortcutObject() {
  HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  comStarted_ = SUCCEEDED(started);
  CLSID shellClass;
  if (FAILED(CLSIDFromProgID(L"WScript.Shell", &shellClass))) return;
  void* object = nullptr;
  if (SUCCEEDED(CoCreateInstance(shellClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object)))
    shell_ = static_cast<IDispatch*>(object);
}

Win32ShortcutObject::~Win32ShortcutObject() {
  if (shell_) shell_->Release();
  if (comStarted_) CoUninitialize();
}

bool Win32ShortcutObject::readLink(const std::string& path, LinkShortcut& link) {
  link = {};
  if (!shell_) return false;
  shell_->AddRef();
  Dispatch shell(shell_);
  Variant argument;
  argument.get()->vt = VT_BSTR;
  argument.get()->bstrVal = SysAllocString(widen(path).c_str());
  Variant result;
  if (!invoke(shell.get(), L"CreateShortcut", DISPATCH_METHOD, argument.get(), result)) return false;
  if (result.value().vt != VT_DISPATCH || !result.value().pdispVal) return false;
  IDispatch* shortcut = result.value().pdispVal;
  link.arguments = textProperty(shortcut, L"Arguments");
  link.iconLocation = textProperty(shortcut, L"IconLocation");
  link.targetPath = textProperty(shortcut, L"TargetPath");
  return true;
}

}  // namespace platform::win32
