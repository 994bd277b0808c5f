#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "ui/component.h"

namespace ui {

// Every image the window draws, embedded in the executable.
enum class Asset {
#define LAUNCHER_ASSET(id, file) id,
#include "ui/image_asset_list.h"
#undef LAUNCHER_ASSET
  Count
};

// Windows resource number of the first asset (RCDATA); the others follow in enum order.
inline constexpr int kAssetResourceBase = 100;
// Windows resource number of the launcher icon (ICON), also the executable's icon.
inline constexpr int kIconResource = 1;

// The embedded file's bytes; empty for an unknown id or a build without the artwork.
// Implemented per platform: resources on Windows, generated arrays elsewhere.
std::string_view assetBytes(Asset id);

// The file name under assets/ the bytes came from.
const char* assetFileName(Asset id);

// The image shown for a picture-box picture; nullopt for Picture::None.
std::optional<Asset> pictureAsset(Picture picture);

// A picture button's state images; an absent one leaves the normal image shown.
struct ButtonImages {
  std::optional<Asset> normal;
  std::optional<Asset> hover;
  std::optional<Asset> pressed;
  std::optional<Asset> disabled;
};

// The images of the picture button with this (GBK) name; all absent for other names.
ButtonImages buttonImages(const std::string& name);

}  // namespace ui
