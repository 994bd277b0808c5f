#include "ui/win32/win32_backend.h"

#include <windows.h>
#include <windowsx.h>
#include <ole2.h>

#include <atomic>
#include <map>

#include "launch/program_opener.h"
#include "platform/win32/wide.h"
#include "text/display_language.h"
#include "ui/component_names.h"
#include "ui/image.h"
#include "ui/image_assets.h"
#include "ui/stacking.h"
#include "ui/win32/popup_menu.h"
#include "ui/win32/server_combo.h"
#include "ui/win32/skin_view.h"
#include "ui/win32/taskbar_button.h"
#include "ui/win32/tray_icon.h"
#include "ui/win32/web_view.h"

namespace ui {

namespace {

using namespace win32;

constexpr wchar_t kClassName[] = L"VeskoTalveriaLauncher";
constexpr int kWidth = 988;
constexpr int kHeight = 730;
constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT kTrayMessage = WM_APP + 2;
constexpr UINT kSelectedMessage = WM_APP + 3;
constexpr UINT_PTR kTimerBase = 1000;      // + component index: the model's timers
constexpr UINT_PTR kAnimationBase = 2000;  // + component index: animated pictures
constexpr int kComboId = 100;
constexpr int kShortestFrameMs = 20;  // browsers' rule: faster GIF frames run at 100 ms
constexpr wchar_t kMessageCaption[] = L"\u4FE1\u606F\uFF1A";  // 信息：
constexpr char kComboFace[] = "\xCB\xCE\xCC\xE5";          // 宋体, GBK
// Shown in the web view in place of an announcement page that cannot be loaded.
constexpr char kNewsUnavailable[] =
    "\xB9\xAB\xB8\xE6\xD2\xB3\xC3\xE6\xD4\xDD\xCA\xB1\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA";  // 公告页面暂时无法打开
// Names a file that gets one line per change of the taskbar progress, the tray tooltip and
// the flashing, as the shell was asked for it: how tests see what the shell may not show.
constexpr char kShellTraceVariable[] = "LAUNCHER_SHELL_TRACE";

const char* taskbarStateName(TaskbarState state) {
  switch (state) {
    case TaskbarState::Normal: return "normal";
    case TaskbarState::Error: return "error";
    case TaskbarState::None: break;
  }
  return "none";
}

RECT toRect(const Rect& r) { return {r.left, r.top, r.left + r.width, r.top + r.height}; }

BYTE charsetFor(unsigned codePage) {
  switch (codePage) {
    case 950: return CHINESEBIG5_CHARSET;
    case 932: return SHIFTJIS_CHARSET;
    default: return GB2312_CHARSET;
  }
}

// The system's default GUI font in the character set of the shown texts: on a system whose
// own script differs (or under Wine in another locale) the plain GUI font has no Chinese
// glyphs, while the font mapper honours the character set and picks a face that has them.
HFONT labelFont(unsigned codePage) {
  LOGFONTW font{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  if (font.lfCharSet == charsetFor(codePage)) return nullptr;
  font.lfCharSet = charsetFor(codePage);
  font.lfFaceName[0] = L'\0';
  // Chinese and Japanese GUI fonts are 12 px (9 pt); smaller, their glyphs fall apart.
  if (font.lfHeight < 0 && font.lfHeight > -12) font.lfHeight = -12;
  font.lfQuality = ANTIALIASED_QUALITY;
  return CreateFontIndirectW(&font);
}

class Win32Backend final : public LoopBackend {
 public:
  Win32Backend(Window& window, platform::Platform& platform)
      : window_(window), platform_(platform), codePage_(text::displayCodePage(window.display())) {}
  ~Win32Backend() override;

  void apply(const Component& component, Change change) override;
  void applyWindow(const WindowProps& props, Change change) override;
  void wake() override;
  void messageBox(const std::string& text) override;
  bool question(const std::string& text) override;
  void showMenu(const Menu& menu) override;
  void run() override;

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  bool createWindow();
  void createComponents();
  void loadPictures();
  const Picture32* picture(std::optional<Asset> asset);
  void paint();
  void centre();
  std::wstring wide(const std::string& bytes) const { return platform::win32::widen(bytes, codePage_); }

  std::vector<size_t> drawingOrder() const;
  int viewAt(POINT client, bool buttonsOnly) const;
  LRESULT hitTest(LPARAM screenPoint);
  void mouseDown(POINT p);
  void mouseMove(POINT p, bool held);
  void mouseUp(POINT p);
  void mouseLeft();
  void showButtonEffect(int index, ButtonLogic::Effect effect);
  void releasePress();

  void startAnimation(int index);
  void advanceAnimation(int index);
  void deliverSelection();
  void destroyed();
  void showTray(const WindowProps& props);
  std::string menuTrace(const Menu& menu) const;
  void trace(const std::string& line);
  WebView::Hooks webHooks();

  ComponentView* viewNamed(const std::string& name, int* index = nullptr);
  void invalidate(const ComponentView& view);

  Window& window_;
  platform::Platform& platform_;
  unsigned codePage_;
  std::atomic<HWND> hwnd_{nullptr};
  std::atomic<bool> wakePending_{false};
  bool selectionPending_ = false;
  UINT taskbarCreated_ = 0;
  UINT taskbarButtonCreated_ = 0;
  std::string shellTrace_;

  std::map<Asset, Picture32> pictures_;
  Picture32 background_;
  std::vector<ComponentView> views_;
  SkinFonts fonts_;
  HICON trayIcon_ = nullptr;
  TrayIcon tray_;
  TaskbarButton taskbar_;
  WebView web_;
  int pressed_ = -1;  // button holding the mouse capture
  int hovered_ = -1;  // button under the pointer
  bool tracking_ = false;
};

Win32Backend::~Win32Backend() {
  web_.close();
  tray_.remove();
  if (trayIcon_) DestroyIcon(trayIcon_);
  if (fonts_.gui) DeleteObject(fonts_.gui);
  if (fonts_.version) DeleteObject(fonts_.version);
  if (fonts_.combo) DeleteObject(fonts_.combo);
}

// ---- creation and the loop ----

void Win32Backend::run() {
  // The web view needs a single-threaded apartment with OLE on this thread; WIC uses it too.
  HRESULT ole = OleInitialize(nullptr);
  if (createWindow()) {
    createComponents();
    window_.raiseCreated();
    window_.pump();
    centre();
    HWND hwnd = hwnd_.load();
    if (IsWindow(hwnd) && window_.windowProps().visible) {
      ShowWindow(hwnd, SW_SHOW);
      UpdateWindow(hwnd);
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  web_.close();
  taskbar_.release();
  if (SUCCEEDED(ole)) OleUninitialize();
}

bool Win32Backend::createWindow() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  taskbarButtonCreated_ = RegisterWindowMessageW(L"TaskbarButtonCreated");
  shellTrace_ = platform_.system.environment(kShellTraceVariable);
  // No caption and no system menu, but the minimise-box style so the taskbar can minimise it.
  HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, kClassName, wide(window_.windowProps().title).c_str(),
                              WS_POPUP | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 50, 50, kWidth, kHeight, nullptr, nullptr,
                              instance, this);
  if (!hwnd) return false;
  // An elevated launcher (started again with administrator rights) would not hear the shell's
  // announcements otherwise: they come from a process of lower integrity.
  for (UINT announcement : {taskbarCreated_, taskbarButtonCreated_})
    if (announcement != 0) ChangeWindowMessageFilterEx(hwnd, announcement, MSGFLT_ALLOW, nullptr);
  taskbar_.setup(hwnd);
  return true;
}

void Win32Backend::loadPictures() {
  for (int i = 0; i < static_cast<int>(Asset::Count); ++i) {
    auto id = static_cast<Asset>(i);
    pictures_.emplace(id, makePicture(decodeImage(assetBytes(id))));
  }
}

const Picture32* Win32Backend::picture(std::optional<Asset> asset) {
  if (!asset) return nullptr;
  auto it = pictures_.find(*asset);
  return it == pictures_.end() || it->second.empty() ? nullptr : &it->second;
}

void Win32Backend::createComponents() {
  HWND hwnd = hwnd_.load();
  loadPictures();
  background_ = std::move(pictures_[Asset::Background]);
  pictures_.erase(Asset::Background);

  fonts_.gui = labelFont(codePage_);
  fonts_.version = CreateFontW(-10, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"");
  fonts_.combo = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             platform::win32::widen(kComboFace, 936).c_str());

  trayIcon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  tray_.setup(hwnd, kTrayMessage, trayIcon_);

  std::vector<Component> components = window_.components();
  views_.resize(components.size());
  for (size_t i = 0; i < components.size(); ++i) {
    ComponentView& v = views_[i];
    v.model = components[i];
    v.caption = wide(v.model.caption);
    switch (v.model.kind) {
      case Kind::PictureButton: {
        ButtonImages images = buttonImages(v.model.name);
        v.faces = {picture(images.normal), picture(images.hover), picture(images.pressed), picture(images.disabled)};
        v.button.setEnabled(v.model.enabled);
        break;
      }
      case Kind::PictureBox:
        v.picture = picture(pictureAsset(v.model.picture));
        startAnimation(static_cast<int>(i));
        break;
      case Kind::ComboBox:
        v.child = createServerCombo(hwnd, toRect(v.model.rect), kComboId, fonts_.combo);
        if (v.child) {
          std::vector<std::wstring> items;
          for (const auto& item : v.model.items) items.push_back(wide(item));
          setComboItems(v.child, items, v.model.selection);
          EnableWindow(v.child, v.model.enabled);
          if (!v.model.visible) ShowWindow(v.child, SW_HIDE);
        }
        break;
      case Kind::WebView:
        if (web_.create(hwnd, toRect(v.model.rect), webHooks())) {
          web_.navigate(wide(v.model.address));
          web_.show(v.model.visible);
        }
        break;
      case Kind::Timer:
        if (v.model.interval > 0) SetTimer(hwnd, kTimerBase + i, static_cast<UINT>(v.model.interval), nullptr);
        break;
      default: break;
    }
  }
}

// Addresses the announcement page sends out go where the link buttons' pages go.
WebView::Hooks Win32Backend::webHooks() {
  WebView::Hooks hooks;
  hooks.openOutside = [this](const std::wstring& address) {
    launch::openWebPage(platform_, platform::win32::narrow(address));
  };
  hooks.fallbackText = wide(text::convertForDisplay(window_.display(), kNewsUnavailable));
  return hooks;
}

void Win32Backend::centre() {
  HWND hwnd = hwnd_.load();
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return;
  int w = r.right - r.left, h = r.bottom - r.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- from any thread ----

void Win32Backend::wake() {
  HWND hwnd = hwnd_.load();
  if (!hwnd) return;  // run() pumps the queue once the window exists
  // One wake message in flight is enough: its handler runs everything queued so far.
  if (wakePending_.exchange(true)) return;
  if (!PostMessageW(hwnd, kWakeMessage, 0, 0)) wakePending_ = false;
}

void Win32Backend::messageBox(const std::string& text) {
  // Task-modal without an owner: a worker's box blocks that worker only, the window keeps running.
  MessageBoxW(nullptr, wide(text).c_str(), kMessageCaption, MB_OK | MB_TASKMODAL);
}

bool Win32Backend::question(const std::string& text) {
  return MessageBoxW(nullptr, wide(text).c_str(), kMessageCaption, MB_YESNO | MB_TASKMODAL) == IDYES;
}

// ---- model changes, on the window thread ----

ComponentView* Win32Backend::viewNamed(const std::string& name, int* index) {
  for (size_t i = 0; i < views_.size(); ++i)
    if (views_[i].model.name == name) {
      if (index) *index = static_cast<int>(i);
      return &views_[i];
    }
  return nullptr;
}

void Win32Backend::invalidate(const ComponentView& view) {
  HWND hwnd = hwnd_.load();
  RECT r = dirtyRect(view);
  if (hwnd) InvalidateRect(hwnd, &r, FALSE);
}

void Win32Backend::apply(const Component& component, Change change) {
  int index = -1;
  ComponentView* v = viewNamed(component.name, &index);
  if (!v) return;
  invalidate(*v);  // where it was drawn before the change
  v->model = component;
  HWND hwnd = hwnd_.load();
  switch (change) {
    case Change::Caption: v->caption = wide(component.caption); break;
    case Change::Picture:
      v->picture = picture(pictureAsset(component.picture));
      startAnimation(index);
      break;
    case Change::Visible:
      if (v->model.kind == Kind::PictureButton && !component.visible) {
        if (pressed_ == index) releasePress();
        v->button.reset();
      }
      if (v->child) ShowWindow(v->child, component.visible ? SW_SHOWNA : SW_HIDE);
      if (v->model.kind == Kind::WebView) web_.show(component.visible);
      break;
    case Change::Enabled:
      if (v->model.kind == Kind::PictureButton) {
        if (pressed_ == index) releasePress();
        v->button.setEnabled(component.enabled);
      }
      if (v->child) EnableWindow(v->child, component.enabled);
      break;
    case Change::Interval:
      KillTimer(hwnd, kTimerBase + index);
      if (component.interval > 0) SetTimer(hwnd, kTimerBase + index, static_cast<UINT>(component.interval), nullptr);
      break;
    case Change::Items:
      if (v->child) {
        std::vector<std::wstring> items;
        for (const auto& item : component.items) items.push_back(wide(item));
        setComboItems(v->child, items, component.selection);
      }
      break;
    case Change::Selection:
      if (v->child) setComboSelection(v->child, component.selection);
      break;
    case Change::Address:
      if (v->model.kind == Kind::WebView) web_.navigate(wide(component.address));
      break;
    default: break;
  }
  invalidate(*v);
}

void Win32Backend::applyWindow(const WindowProps& props, Change change) {
  HWND hwnd = hwnd_.load();
  if (!hwnd) return;
  switch (change) {
    case Change::Title: SetWindowTextW(hwnd, wide(props.title).c_str()); break;
    case Change::WindowVisible: ShowWindow(hwnd, props.visible ? SW_SHOW : SW_HIDE); break;
    case Change::WindowState:
      // The state is kept in the model either way; the window follows only while it is shown.
      if (!IsWindowVisible(hwnd)) break;
      if (props.state == 0) ShowWindow(hwnd, SW_SHOWNORMAL);
      if (props.state == 1) {
        if (IsIconic(hwnd) || IsZoomed(hwnd)) ShowWindow(hwnd, SW_RESTORE);
        centre();
        SetForegroundWindow(hwnd);
      }
      if (props.state == 2) ShowWindow(hwnd, SW_MINIMIZE);
      if (props.state == 3) ShowWindow(hwnd, SW_MAXIMIZE);
      break;
    case Change::Tray:
    case Change::TrayStatus: showTray(props); break;
    case Change::Taskbar: {
      bool taken = taskbar_.show(props.taskbarState, props.taskbarPercent);
      trace("taskbar " + std::string(taskbarStateName(props.taskbarState)) + " " +
            std::to_string(props.taskbarPercent) + (taken ? "" : " (no taskbar object)"));
      break;
    }
    case Change::Attention:
      trace(taskbar_.flashIfMinimised() ? "flash" : "flash skipped, the window is not minimised");
      break;
    default: break;
  }
}

// Runs the menu's own loop on the window thread: queued work and timers go on meanwhile.
void Win32Backend::showMenu(const Menu& menu) {
  HWND hwnd = hwnd_.load();
  if (!hwnd) return;
  PopupMenu popup(menu, [this](const std::string& bytes) { return wide(bytes); });
  trace("menu shown: " + menuTrace(menu));
  int chosen = popup.track(hwnd);
  if (chosen == 0) {
    trace("menu dismissed");
    return;
  }
  trace("menu chose " + std::to_string(chosen));
  window_.raiseMenuChoice(chosen);
}

std::string Win32Backend::menuTrace(const Menu& menu) const {
  std::string out;
  for (const MenuItem& item : menu) {
    if (!out.empty()) out += ", ";
    if (item.separator) {
      out += "-";
      continue;
    }
    if (item.submenu.empty()) out += std::to_string(item.id) + " ";
    out += platform_.system.toUtf8(item.text, codePage_);
    if (item.checked) out += " (checked)";
    if (!item.enabled) out += " (disabled)";
    if (!item.submenu.empty()) out += " {" + menuTrace(item.submenu) + "}";
  }
  return out;
}

void Win32Backend::showTray(const WindowProps& props) {
  if (!props.trayInstalled) {
    tray_.remove();
    trace("tray removed");
    return;
  }
  const std::string& tooltip = shownTrayTooltip(props);
  tray_.show(wide(tooltip));
  trace("tooltip " + platform_.system.toUtf8(tooltip, codePage_) + (tray_.shown() ? "" : " (no notification area)"));
}

void Win32Backend::trace(const std::string& line) {
  if (!shellTrace_.empty()) platform_.files.appendWhole(shellTrace_, line + "\r\n");
}

// ---- animation ----

void Win32Backend::startAnimation(int index) {
  ComponentView& v = views_[index];
  HWND hwnd = hwnd_.load();
  KillTimer(hwnd, kAnimationBase + index);
  v.frame = 0;
  if (!v.picture || v.picture->frames.size() < 2) return;
  v.playsLeft = v.picture->plays;
  int delay = v.picture->delaysMs[0];
  SetTimer(hwnd, kAnimationBase + index, static_cast<UINT>(delay < kShortestFrameMs ? 100 : delay), nullptr);
}

void Win32Backend::advanceAnimation(int index) {
  ComponentView& v = views_[index];
  HWND hwnd = hwnd_.load();
  KillTimer(hwnd, kAnimationBase + index);
  if (!v.picture || v.picture->frames.size() < 2) return;
  size_t next = v.frame + 1;
  if (next >= v.picture->frames.size()) {
    if (v.playsLeft == 1) return;  // the last run ends on its last frame
    if (v.playsLeft > 1) --v.playsLeft;
    next = 0;
  }
  v.frame = next;
  int delay = v.picture->delaysMs[next];
  SetTimer(hwnd, kAnimationBase + index, static_cast<UINT>(delay < kShortestFrameMs ? 100 : delay), nullptr);
  if (v.model.visible) invalidate(v);
}

// ---- mouse ----

std::vector<size_t> Win32Backend::drawingOrder() const {
  std::vector<const Component*> models;
  for (const auto& v : views_) models.push_back(&v.model);
  return stackingOrder(models);
}

int Win32Backend::viewAt(POINT p, bool buttonsOnly) const {
  // Searched from the top, in the order the skin is drawn.
  std::vector<size_t> order = drawingOrder();
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    int i = static_cast<int>(*it);
    const ComponentView& v = views_[*it];
    if (!v.model.visible || !v.model.rect.contains(p.x, p.y)) continue;
    if (buttonsOnly && v.model.kind != Kind::PictureButton) continue;
    if (v.model.kind == Kind::Timer || v.model.kind == Kind::ClientSocket) continue;
    return i;
  }
  return -1;
}

LRESULT Win32Backend::hitTest(LPARAM screenPoint) {
  POINT p{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
  ScreenToClient(hwnd_.load(), &p);
  if (pressed_ >= 0) return HTCLIENT;
  int i = viewAt(p, false);
  if (i >= 0 && !draggable(views_[i])) return HTCLIENT;
  return HTCAPTION;  // the background and pass-through components move the window
}

void Win32Backend::showButtonEffect(int index, ButtonLogic::Effect effect) {
  if (effect.redraw) invalidate(views_[index]);
  if (effect.click) window_.raiseClick(views_[index].model.name);
}

void Win32Backend::releasePress() {
  pressed_ = -1;
  if (GetCapture() == hwnd_.load()) ReleaseCapture();
}

void Win32Backend::mouseDown(POINT p) {
  int i = viewAt(p, true);
  if (i < 0) return;
  showButtonEffect(i, views_[i].button.press(true));
  if (views_[i].button.capturing()) {
    pressed_ = i;
    SetCapture(hwnd_.load());
  }
}

void Win32Backend::mouseMove(POINT p, bool held) {
  if (!tracking_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_.load(), 0};
    tracking_ = TrackMouseEvent(&track) != FALSE;
  }
  if (pressed_ >= 0) {
    ComponentView& v = views_[pressed_];
    showButtonEffect(pressed_, v.button.move(v.model.rect.contains(p.x, p.y), held));
    return;
  }
  int i = viewAt(p, true);
  if (i != hovered_ && hovered_ >= 0) showButtonEffect(hovered_, views_[hovered_].button.move(false, held));
  hovered_ = i;
  if (i >= 0) showButtonEffect(i, views_[i].button.move(true, held));
}

void Win32Backend::mouseUp(POINT p) {
  if (pressed_ < 0) return;
  int i = pressed_;
  releasePress();
  ComponentView& v = views_[i];
  showButtonEffect(i, v.button.release(v.model.rect.contains(p.x, p.y)));
}

void Win32Backend::mouseLeft() {
  tracking_ = false;
  if (pressed_ < 0 && hovered_ >= 0) showButtonEffect(hovered_, views_[hovered_].button.leave());
  if (pressed_ < 0) hovered_ = -1;
}

// ---- combo box ----

void Win32Backend::deliverSelection() {
  selectionPending_ = false;
  for (auto& v : views_) {
    if (v.model.kind != Kind::ComboBox || !v.child) continue;
    int index = static_cast<int>(SendMessageW(v.child, CB_GETCURSEL, 0, 0));
    if (index >= 0) window_.raiseSelected(v.model.name, index);
  }
}

// ---- the window procedure ----

LRESULT CALLBACK Win32Backend::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Win32Backend*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->handle(message, wParam, lParam);
}

void Win32Backend::paint() {
  HWND hwnd = hwnd_.load();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  SIZE size{client.right, client.bottom};
  // Drawn off-screen first so labels over the background never flicker.
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP buffer = CreateCompatibleBitmap(dc, size.cx, size.cy);
  HGDIOBJ old = SelectObject(memory, buffer);
  paintSkin(memory, size, background_, views_, drawingOrder(), fonts_);
  BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left, ps.rcPaint.bottom - ps.rcPaint.top,
         memory, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(buffer);
  DeleteDC(memory);
  EndPaint(hwnd, &ps);
}

void Win32Backend::destroyed() {
  window_.raiseDestroying();
  HWND hwnd = hwnd_.load();
  for (size_t i = 0; i < views_.size(); ++i) {
    KillTimer(hwnd, kTimerBase + i);
    KillTimer(hwnd, kAnimationBase + i);
  }
  tray_.remove();
  taskbar_.release();
  web_.close();
  hwnd_ = nullptr;
  PostQuitMessage(0);
}

LRESULT Win32Backend::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = hwnd_.load();
  switch (message) {
    case kWakeMessage:
      wakePending_ = false;
      window_.pump();
      return 0;
    case kSelectedMessage:
      deliverSelection();
      return 0;
    case kTrayMessage:
      if (int operation = TrayIcon::operationFor(lParam)) window_.raiseTray(operation);
      return 0;
    case WM_TIMER:
      if (wParam >= kAnimationBase && wParam < kAnimationBase + views_.size()) {
        advanceAnimation(static_cast<int>(wParam - kAnimationBase));
      } else if (wParam >= kTimerBase && wParam < kTimerBase + views_.size()) {
        window_.raiseTimer(views_[wParam - kTimerBase].model.name);
      }
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: paint(); return 0;
    case WM_NCHITTEST: return hitTest(lParam);
    case WM_LBUTTONDOWN: mouseDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_MOUSEMOVE:
      mouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, (wParam & MK_LBUTTON) != 0);
      return 0;
    case WM_LBUTTONUP: mouseUp({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_MOUSELEAVE: mouseLeft(); return 0;
    case WM_CAPTURECHANGED:
      // Another window took the mouse in the middle of a press: the press is void.
      if (pressed_ >= 0 && reinterpret_cast<HWND>(lParam) != hwnd) {
        int i = pressed_;
        pressed_ = -1;
        showButtonEffect(i, views_[i].button.leave());
      }
      return 0;
    case WM_MEASUREITEM:
      if (wParam == kComboId) {
        measureComboItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), fonts_.combo);
        return TRUE;
      }
      break;
    case WM_DRAWITEM:
      if (wParam == kComboId) {
        drawComboItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == kComboId) {
        HWND combo = reinterpret_cast<HWND>(lParam);
        int code = HIWORD(wParam);
        bool confirmed = code == CBN_SELENDOK || (code == CBN_SELCHANGE && !SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
        // Delivered after the combo box has finished its own handling, once per choice.
        if (confirmed && !selectionPending_) {
          selectionPending_ = true;
          PostMessageW(hwnd, kSelectedMessage, 0, 0);
        }
        return 0;
      }
      break;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_DESTROY: destroyed(); return 0;
    default:
      if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        tray_.restore();
        return 0;
      }
      if (message == taskbarButtonCreated_ && taskbarButtonCreated_ != 0) {
        taskbar_.buttonCreated();
        trace("taskbar button created");
        return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

std::unique_ptr<LoopBackend> makeWin32Backend(Window& window, platform::Platform& platform) {
  return std::make_unique<Win32Backend>(window, platform);
}

}  // namespace ui
