#include "gui/balloon_help.h"

#include <algorithm>
#include <cstring>

#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gui/gui_object.h"

BalloonRect PlaceBalloon(int ax, int ay, int w, int h, unsigned flags, int tw, int th, int screenW, int screenH) {
  BalloonRect r;
  if (flags & CentredBalloon) r.left = std::max(ax, ax + (w - 125) / 2);
  else r.left = ax + int(w * 0.7);
  if (flags & CentredBalloon) r.top = std::max(ay, ay + (h - th - 1) / 2);
  else if ((flags & BalloonAbove) && ay > th) r.top = ay - th - 1;
  else r.top = ay + h + 1;
  r.right = r.left + tw + 2;
  r.bottom = r.top + th + 1;
  if (r.right > screenW) {
    int d = r.right - (screenW - 2);
    r.left -= d;
    r.right -= d;
  }
  if (r.bottom > screenH) {
    int d = r.bottom - (screenH - 2);
    r.top -= d;
    r.bottom -= d;
  }
  return r;
}

bool ComputeBalloonRect(BalloonRect* rect) {
  GUIObject* obj = BalloonHelpObject;
  if (!obj) return false;
  const char* text = obj->HelpText();
  if (!text || !*text) return false;
  std::strncpy(HelpBuffer, text, sizeof HelpBuffer - 1);
  HelpBuffer[sizeof HelpBuffer - 1] = 0;
  int tw = 20, th = 20;
  if (BalloonHelpFont) {
    vec2 one = BalloonHelpFont->TextSize(HelpBuffer);
    int n = int(one.x * 0.008f);
    int wrap = 125 + (n >= 2 ? 25 * n : 0);
    vec2 size = BalloonHelpFont->TextSizeAndWrap(HelpBuffer, wrap);
    tw = int(size.x);
    th = int(size.y);
  }
  int screenW = GUIObjList ? GUIObjList->Width : GfxDevice::Width;
  int screenH = GUIObjList ? GUIObjList->Height : GfxDevice::Height;
  *rect =
      PlaceBalloon(obj->AbsoluteX(), obj->AbsoluteY(), obj->Width, obj->Height, obj->Flags, tw, th, screenW, screenH);
  return true;
}

void DrawBalloonHelp() {
  BalloonRect r;
  if (!ComputeBalloonRect(&r) || !CurGfxDevice) return;
  CurGfxDevice->ClearRegion(1, 1, 1, r.left - 1, r.top - 1, r.right + 1, r.bottom + 1);
  CurGfxDevice->ClearRegion(250, 250, 150, r.left, r.top, r.right, r.bottom);
  if (BalloonHelpFont) BalloonHelpFont->PrintF(r.left + 1, r.top + 1, "@K%s", HelpBuffer);
}

void RedrawBalloonHelp() {
  BalloonRect r;
  if (!ComputeBalloonRect(&r) || !GUIObjList) return;
  GUIObjList->RedrawRegionAbs(r.left - 1, r.top - 1, r.right + 1, r.bottom + 1);
}

void KillBalloonHelp() {
  if (BalloonHelpObject) RedrawBalloonHelp();
  BalloonHelpObject = nullptr;
  MouseIdleCount = 0;
}

void ShowBalloonHelp(GUIObject* obj) {
  BalloonHelpObject = obj;
  RedrawBalloonHelp();
}
