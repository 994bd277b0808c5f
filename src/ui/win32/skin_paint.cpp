#include "ui/win32/skin_view.h"

#include <algorithm>

#include "ui/component_names.h"

namespace ui::win32 {

namespace {

RECT toRect(const Rect& r) { return {r.left, r.top, r.left + r.width, r.top + r.height}; }

bool named(const ComponentView& v, const char* name) { return v.model.name == name; }

// Vertical placement of the single-line labels; all are left-aligned.
UINT verticalAlignment(const ComponentView& v) {
  if (named(v, names::kLabelPing) || named(v, names::kLabelLatencyCaption)) return DT_VCENTER;
  return DT_BOTTOM;
}

void paintLabel(HDC dc, const ComponentView& v, const SkinFonts& fonts) {
  if (v.caption.empty()) return;
  HFONT font = named(v, names::kLabelVersion) ? fonts.version : fonts.gui;
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(v.model.color.red, v.model.color.green, v.model.color.blue));
  RECT r = toRect(v.model.rect);
  DrawTextW(dc, v.caption.c_str(), static_cast<int>(v.caption.size()), &r,
            DT_LEFT | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX | verticalAlignment(v));
  SelectObject(dc, old);
}

void paintProgress(HDC dc, const ComponentView& v) {
  RECT r = toRect(v.model.rect);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  int position = std::clamp(v.model.position, 0, 100);
  RECT bar = r;
  bar.right = r.left + (r.right - r.left) * position / 100;
  if (bar.right > bar.left) FillRect(dc, &bar, GetSysColorBrush(COLOR_HIGHLIGHT));
}

void paintPictureBox(HDC dc, const ComponentView& v) {
  if (!v.picture || v.picture->empty()) return;
  const Picture32& p = *v.picture;
  RECT box = toRect(v.model.rect);
  int saved = SaveDC(dc);
  IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
  if (named(v, names::kPictureStatus)) {
    // Centred in its box; a picture larger than the box shrinks to fit, keeping its proportions.
    int bw = box.right - box.left, bh = box.bottom - box.top;
    int w = p.width, h = p.height;
    if (w > bw || h > bh) {
      if (w * bh > h * bw) {
        h = std::max(1, h * bw / w);
        w = bw;
      } else {
        w = std::max(1, w * bh / h);
        h = bh;
      }
    }
    int x = box.left + (bw - w) / 2, y = box.top + (bh - h) / 2;
    drawPicture(dc, p, v.frame, {x, y, x + w, y + h});
  } else {
    drawPicture(dc, p, v.frame, {box.left, box.top, box.left + p.width, box.top + p.height});
  }
  RestoreDC(dc, saved);
}

void paintButton(HDC dc, const ComponentView& v) {
  ButtonFaceSet available{v.faces[1] != nullptr, v.faces[2] != nullptr, v.faces[3] != nullptr};
  const Picture32* face = v.faces[static_cast<size_t>(drawnFace(v.button.face(), available))];
  if (!face || face->empty()) return;
  RECT r = toRect(v.model.rect);
  drawPicture(dc, *face, 0, {r.left, r.top, r.left + face->width, r.top + face->height});
}

}  // namespace

void paintSkin(HDC dc, SIZE client, const Picture32& background, const std::vector<ComponentView>& views,
               const std::vector<size_t>& order, const SkinFonts& fonts) {
  RECT all{0, 0, client.cx, client.cy};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  if (!background.empty()) drawPicture(dc, background, 0, {0, 0, background.width, background.height});
  for (size_t i : order) {
    const ComponentView& v = views[i];
    if (!v.model.visible) continue;
    switch (v.model.kind) {
      case Kind::TransparentLabel: paintLabel(dc, v, fonts); break;
      case Kind::ProgressBar: paintProgress(dc, v); break;
      case Kind::PictureBox: paintPictureBox(dc, v); break;
      case Kind::PictureButton: paintButton(dc, v); break;
      default: break;  // plain label (zero width), child windows and non-visual components
    }
  }
}

RECT dirtyRect(const ComponentView& v) {
  RECT r = toRect(v.model.rect);
  if (v.model.kind == Kind::TransparentLabel) {
    r.right = 32767;
    r.top -= 4;
    r.bottom += 4;
  }
  return r;
}

bool draggable(const ComponentView& v) {
  switch (v.model.kind) {
    case Kind::Label:
    case Kind::PictureBox:
    case Kind::ProgressBar: return true;
    default: return false;
  }
}

}  // namespace ui::win32
