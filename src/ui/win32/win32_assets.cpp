#include <windows.h>

#include "ui/image_assets.h"

namespace ui {

// The artwork lives in the executable's RCDATA resources (cmake/assets.cmake), numbered from
// kAssetResourceBase in enum order. Resource memory stays mapped for the life of the process.
std::string_view assetBytes(Asset id) {
  int index = static_cast<int>(id);
  if (index < 0 || index >= static_cast<int>(Asset::Count)) return {};
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(kAssetResourceBase + index), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return {};
  HGLOBAL loaded = LoadResource(self, found);
  if (!loaded) return {};
  const void* data = LockResource(loaded);
  DWORD size = SizeofResource(self, found);
  if (!data || size == 0) return {};
  return {static_cast<const char*>(data), size};
}

}  // namespace ui
