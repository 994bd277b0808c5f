#include "ui/image_assets.h"

#include <iterator>

#include "ui/component_names.h"

namespace ui {

namespace {

constexpr const char* kFileNames[] = {
#define LAUNCHER_ASSET(id, file) file,
#include "ui/image_asset_list.h"
#undef LAUNCHER_ASSET
};
static_assert(std::size(kFileNames) == static_cast<size_t>(Asset::Count));

// Link buttons highlight on hover and keep their face while pressed.
ButtonImages linkButton(Asset normal, Asset hover) { return {normal, hover, normal, std::nullopt}; }
// Help tiles sink when pressed and have no hover face.
ButtonImages helpButton(Asset normal, Asset pressed) { return {normal, std::nullopt, pressed, std::nullopt}; }
ButtonImages glyphButton(Asset normal) { return {normal, std::nullopt, normal, std::nullopt}; }

}  // namespace

const char* assetFileName(Asset id) {
  auto i = static_cast<size_t>(id);
  return i < std::size(kFileNames) ? kFileNames[i] : "";
}

std::optional<Asset> pictureAsset(Picture picture) {
  switch (picture) {
    case Picture::StatusOffline: return Asset::StatusOffline;
    case Picture::StatusOnline: return Asset::StatusOnline;
    case Picture::ZoneField: return Asset::ZoneField;
    case Picture::None: break;
  }
  return std::nullopt;
}

ButtonImages buttonImages(const std::string& name) {
  using namespace names;
  struct Entry {
    const char* name;
    ButtonImages images;
  };
  static const Entry kTable[] = {
      {kButtonHome, linkButton(Asset::HomeNormal, Asset::HomeHover)},
      {kButtonForum, linkButton(Asset::ForumNormal, Asset::ForumHover)},
      {kButtonRegister, linkButton(Asset::RegisterNormal, Asset::RegisterHover)},
      {kButtonQQGroup, linkButton(Asset::QQGroupNormal, Asset::QQGroupHover)},
      {kButtonRecharge, linkButton(Asset::RechargeNormal, Asset::RechargeHover)},
      {kButtonHelp1, helpButton(Asset::Help1Normal, Asset::Help1Pressed)},
      {kButtonHelp2, helpButton(Asset::Help2Normal, Asset::Help2Pressed)},
      {kButtonHelp3, helpButton(Asset::Help3Normal, Asset::Help3Pressed)},
      {kButtonHelp4, helpButton(Asset::Help4Normal, Asset::Help4Pressed)},
      {kButtonClose, glyphButton(Asset::CloseNormal)},
      {kButtonMinimise, glyphButton(Asset::MinimiseNormal)},
      {kButtonStartUpdate, {Asset::StartUpdateNormal, Asset::StartUpdateHover, Asset::StartUpdatePressed,
                            Asset::StartUpdateDisabled}},
      {kButtonStartGame, {Asset::StartGameNormal, Asset::StartGameHover, Asset::StartGamePressed,
                          Asset::StartGameDisabled}},
  };
  for (const auto& e : kTable)
    if (name == e.name) return e.images;
  return {};
}

}  // namespace ui
