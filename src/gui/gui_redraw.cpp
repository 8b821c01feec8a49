#include "gui/gui_redraw.h"

#include <algorithm>

#include "foundation/ui_trace.h"
#include "gfx/gfx_device.h"
#include "gui/balloon_help.h"
#include "gui/damage.h"
#include "gui/gui_object.h"

namespace {
void DrawAllTopLevel() {
  for (GUIObject* o = GUIObjList; o; o = o->Next) o->Draw(0, 0);
  if (!MouseOwner) DrawBalloonHelp();
}
}  // namespace

int GUIRedrawWindows() {
  if (!CurGfxDevice) {
    // Nothing to draw on: the pending work is dropped so that it cannot pile up.
    bool any = Need_Redraw || NDamageRegions;
    Need_Redraw = 0;
    ClearDamageRegions();
    return any ? 1 : 0;
  }
  if (Need_Redraw) {
    // Damage collected before a full redraw is covered by it.
    ClearDamageRegions();
    CurGfxDevice->InitClippingRegion();
    DrawAllTopLevel();
    CurGfxDevice->PageSwap();
    ++GUIFullPresents;
    // The first picture the player sees: start-up measurements end here.
    if (GUIFullPresents == 1) TracePresent();
    Need_Redraw = 0;
    return 1;
  }
  if (NDamageRegions) {
    DamageRegion copy[kMaxDamageRegions];
    int n = NDamageRegions;
    int maxX = GfxDevice::Width - 1, maxY = GfxDevice::Height - 1;
    for (int i = 0; i < n; ++i) {
      copy[i] = DamageRegions[i];
      copy[i].x1 = std::clamp(copy[i].x1, 0, maxX);
      copy[i].x2 = std::clamp(copy[i].x2, 0, maxX);
      copy[i].y1 = std::clamp(copy[i].y1, 0, maxY);
      copy[i].y2 = std::clamp(copy[i].y2, 0, maxY);
    }
    ClearDamageRegions();
    for (int i = 0; i < n; ++i) {
      const DamageRegion& r = copy[i];
      CurGfxDevice->SetClippingRegion(r.x1, r.y1, r.x2, r.y2);
      DrawAllTopLevel();
      CurGfxDevice->CopyInvisibleRegionToVisible(r.x1, r.y1, r.x2 - r.x1 + 1, r.y2 - r.y1 + 1);
      ++GUIPartialPresents;
      CurGfxDevice->InitClippingRegion();
    }
    return 1;
  }
  return 0;
}

void SetClip(int x1, int y1, int x2, int y2) {
  if (!CurGfxDevice) return;
  x1 = std::max(x1, GfxDevice::clip_minx);
  y1 = std::max(y1, GfxDevice::clip_miny);
  x2 = std::min(x2, GfxDevice::clip_maxx);
  y2 = std::min(y2, GfxDevice::clip_maxy);
  // An empty intersection becomes an inverted clip, which draws nothing.
  CurGfxDevice->SetClippingRegion(x1, y1, x2, y2);
}
