#include "launch/link_buttons.h"

#include "launch/program_opener.h"
#include "ui/component_names.h"

namespace launch {

std::string linkAddress(const startup::Endpoints& e, const std::string& button) {
  using namespace ui::names;
  const std::string site = "http://" + e.site;
  const std::string forum = "http://" + e.forum;
  if (button == kButtonHome) return site + "/";
  if (button == kButtonForum) return forum + "/forum.php";
  if (button == kButtonRegister) return "http://" + e.account + ":8888/Register/Home/index";
  if (button == kButtonQQGroup) return "https://" + e.qq + "/cgi-bin/qm/qr?k=" + e.qqKey;
  if (button == kButtonRecharge) return site + "/h-nd-250.html";
  if (button == kButtonHelp1) return forum + "/forum.php?mod=viewthread&tid=316&extra=page%3D1";
  if (button == kButtonHelp2) return forum + "/boss.html";
  if (button == kButtonHelp3) return forum + "/Equipment_5.html";
  if (button == kButtonHelp4) return site + "/h-nd-327.html#_np=2_546";
  return {};
}

void openLinkButton(state::AppState& app, const std::string& button) {
  std::string address = linkAddress(app.endpoints, button);
  if (!address.empty()) openWebPage(app.platform, address);
}

}  // namespace launch
