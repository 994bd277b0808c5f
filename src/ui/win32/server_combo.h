#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace ui::win32 {

// The server-line combo box: a non-editable drop-down list drawn by us in red on white
// with rows one pixel taller than the font's own.
HWND createServerCombo(HWND parent, RECT field, int id, HFONT font);
void setComboItems(HWND combo, const std::vector<std::wstring>& items, int selection);
void setComboSelection(HWND combo, int selection);

// WM_MEASUREITEM and WM_DRAWITEM for the combo box.
void measureComboItem(MEASUREITEMSTRUCT& item, HFONT font);
void drawComboItem(const DRAWITEMSTRUCT& item);

}  // namespace ui::win32
