#include "ui/win32/server_combo.h"

namespace ui::win32 {

namespace {

constexpr int kListHeight = 160;
constexpr COLORREF kText = RGB(255, 0, 0);
constexpr COLORREF kBack = RGB(255, 255, 255);

int fontRowHeight(HFONT font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return metrics.tmHeight;
}

}  // namespace

HWND createServerCombo(HWND parent, RECT field, int id, HFONT font) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
  HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", style, field.left, field.top, field.right - field.left,
                               field.bottom - field.top + kListHeight, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  if (!combo) return nullptr;
  SendMessageW(combo, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  // The selection field fills the component's height inside the combo's 3-pixel frame.
  int fieldHeight = field.bottom - field.top - 6;
  if (fieldHeight > 0) SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), fieldHeight);
  SendMessageW(combo, CB_SETITEMHEIGHT, 0, fontRowHeight(font) + 1);
  SetWindowPos(combo, nullptr, 0, 0, field.right - field.left, field.bottom - field.top + kListHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return combo;
}

void setComboItems(HWND combo, const std::vector<std::wstring>& items, int selection) {
  SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const auto& item : items) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
  setComboSelection(combo, selection);
  InvalidateRect(combo, nullptr, TRUE);
}

void setComboSelection(HWND combo, int selection) {
  // CB_SETCURSEL sends no notification, so a selection made by the program raises no event.
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

void measureComboItem(MEASUREITEMSTRUCT& item, HFONT font) { item.itemHeight = fontRowHeight(font) + 1; }

void drawComboItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  bool inList = !(item.itemState & ODS_COMBOBOXEDIT);
  bool highlighted = inList && (item.itemState & ODS_SELECTED);
  HBRUSH back = highlighted ? GetSysColorBrush(COLOR_HIGHLIGHT) : nullptr;
  if (back) {
    FillRect(dc, &r, back);
  } else {
    HBRUSH white = CreateSolidBrush(kBack);
    FillRect(dc, &r, white);
    DeleteObject(white);
  }
  if (static_cast<int>(item.itemID) >= 0) {
    LRESULT length = SendMessageW(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0);
    if (length > 0) {
      std::wstring text(static_cast<size_t>(length) + 1, L'\0');
      SendMessageW(item.hwndItem, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<size_t>(length));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, highlighted ? GetSysColor(COLOR_HIGHLIGHTTEXT) : kText);
      RECT t = r;
      t.left += 2;
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
  }
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(dc, &r);
}

}  // namespace ui::win32
