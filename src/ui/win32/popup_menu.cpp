#include "ui/win32/popup_menu.h"

namespace ui::win32 {

namespace {

void fill(HMENU into, const Menu& menu, const std::function<std::wstring(const std::string&)>& wide) {
  for (const MenuItem& item : menu) {
    if (item.separator) {
      AppendMenuW(into, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED) | (item.enabled ? MF_ENABLED : MF_GRAYED);
    std::wstring text = wide(item.text);
    if (item.submenu.empty()) {
      AppendMenuW(into, flags, static_cast<UINT_PTR>(item.id), text.c_str());
      continue;
    }
    // Owned by `into` once appended: destroyed with it.
    HMENU sub = CreatePopupMenu();
    if (!sub) continue;
    fill(sub, item.submenu, wide);
    if (!AppendMenuW(into, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str())) DestroyMenu(sub);
  }
}

}  // namespace

PopupMenu::PopupMenu(const Menu& menu, const std::function<std::wstring(const std::string&)>& wide)
    : menu_(CreatePopupMenu()) {
  if (menu_) fill(menu_, menu, wide);
}

PopupMenu::~PopupMenu() {
  if (menu_) DestroyMenu(menu_);
}

int PopupMenu::track(HWND owner) {
  if (!menu_) return 0;
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(owner);
  UINT align = GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
  int chosen = static_cast<int>(
      TrackPopupMenu(menu_, align | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0,
                     owner, nullptr));
  PostMessageW(owner, WM_NULL, 0, 0);
  return chosen;
}

}  // namespace ui::win32
