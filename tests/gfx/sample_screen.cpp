#include "sample_screen.h"

#include <cstdio>
#include <cstring>

#include "gfx/gfx_device.h"
#include "gfx/texture.h"

namespace {
struct Skin {
  TextureMap *signin, *menublue, *menudkgr, *check[3], *arromenu, *lside, *rside, *bottom, *ul, *ur, *ll, *lr;
  TextureMap *up, *dn, *slider, *ttlbar, *ok, *cancel, *help, *close, *mini, *dropdown, *btn[2][3];
} skin;

TextureMap* T(const char* name) { return CurGfxDevice->LoadTexture(name, 0); }

// Tiles a texture over a rectangle, clipped to it.
void Tile(TextureMap* t, int x, int y, int w, int h) {
  GfxDevice* d = CurGfxDevice;
  int cx1 = GfxDevice::clip_minx, cy1 = GfxDevice::clip_miny, cx2 = GfxDevice::clip_maxx, cy2 = GfxDevice::clip_maxy;
  d->SetClippingRegion(std::max(x, cx1), std::max(y, cy1), std::min(x + w - 1, cx2), std::min(y + h - 1, cy2));
  for (int ty = y; ty < y + h; ty += t->Height)
    for (int tx = x; tx < x + w; tx += t->Width) d->CopyTMap(float(tx), float(ty), t);
  d->SetClippingRegion(cx1, cy1, cx2, cy2);
}

// A text button as the toolkit draws it: left piece, stretched centre, right
// piece, optional icon, label centred in white with a drop shadow.
void Button(Font2* font, int x, int y, int w, const char* label, bool pressed, TextureMap* icon = nullptr) {
  GfxDevice* d = CurGfxDevice;
  TextureMap** p = skin.btn[pressed ? 1 : 0];
  int h = p[0]->Height;
  d->CopyTMap(float(x), float(y), p[0]);
  d->CopyTMap(float(x + w - p[2]->Width), float(y), p[2]);
  d->TmapBlit(float(x + p[0]->Width), float(x + w - p[2]->Width), float(y), float(y + h), 0, p[1], 0);
  int shift = pressed ? 1 : 0;
  if (icon) d->CopyTMap(float(x + 5 + shift), float(y + (h - icon->Height) / 2 + shift), icon);
  char text[64];
  std::snprintf(text, sizeof text, "@W@Z%s", label);
  int tw = int(font->GetCenterX(text)), th = int(font->GetCenterY(text));
  font->Print(x + w / 2 - tw + shift + (icon ? 8 : 0), y + h / 2 - th + shift, text);
}

void Frame(Font2* font, int x, int y, int w, int h, const char* title) {
  GfxDevice* d = CurGfxDevice;
  Tile(skin.menublue, x, y, w, h);
  d->CopyTMap(float(x), float(y), skin.ul);
  d->CopyTMap(float(x + w - 6), float(y), skin.ur);
  d->CopyTMap(float(x), float(y + h - 6), skin.ll);
  d->CopyTMap(float(x + w - 6), float(y + h - 6), skin.lr);
  Tile(skin.lside, x, y + 6, 6, h - 12);
  Tile(skin.rside, x + w - 6, y + 6, 6, h - 12);
  Tile(skin.bottom, x + 6, y + h - 6, w - 12, 6);
  d->TmapBlit(float(x + 6), float(x + w - 6), float(y), float(y + 20), 0, skin.ttlbar, 0);
  char text[128];
  std::snprintf(text, sizeof text, "@W@Z%s", title);
  font->Print(x + 10, y + 3, text);
  d->CopyTMap(float(x + w - 6 - 18), float(y + 2), skin.close);
  d->CopyTMap(float(x + w - 6 - 36), float(y + 2), skin.mini);
}
}  // namespace

void LoadSkinTextures() {
  skin.signin = T("zindimgs/signin.tga");
  skin.menublue = T("zindimgs/menublue.tga");
  skin.menudkgr = T("zindimgs/menudkgr.tga");
  skin.check[0] = T("zindimgs/button01.tga");
  skin.check[1] = T("zindimgs/button02.tga");
  skin.check[2] = T("zindimgs/button03.tga");
  skin.arromenu = T("zindimgs/arromenu.tga");
  skin.lside = T("zindimgs/lside.tga");
  skin.rside = T("zindimgs/rside.tga");
  skin.bottom = T("zindimgs/bottom.tga");
  skin.ll = T("zindimgs/cornerll.tga");
  skin.lr = T("zindimgs/cornerlr.tga");
  skin.ur = T("zindimgs/cornerur.tga");
  skin.ul = T("zindimgs/cornerul.tga");
  skin.up = T("zindimgs/arrowup.tga");
  skin.dn = T("zindimgs/arrowdn.tga");
  T("zindimgs/arrowlft.tga");
  T("zindimgs/arrowrt.tga");
  skin.slider = T("zindimgs/scrollm.tga");
  skin.ttlbar = T("zindimgs/ttlbar.tga");
  skin.ok = T("zindimgs/icnok.tga");
  skin.cancel = T("zindimgs/icncancl.tga");
  skin.help = T("zindimgs/icnhelp.tga");
  skin.close = T("zindimgs/closebt1.tga");
  skin.mini = T("zindimgs/minibt1.tga");
  skin.dropdown = T("zindimgs/dropdown.tga");
  T("zindimgs/dddown.tga");
  T("zindimgs/ddup.tga");
  const char* parts = "lcr";
  for (int pressed = 0; pressed < 2; ++pressed)
    for (int i = 0; i < 3; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "zindimgs/btn01%c%c.tga", parts[i], pressed ? 'd' : 'u');
      skin.btn[pressed][i] = T(name);
    }
}

void DrawSampleScreen(const SampleFonts& fonts) {
  GfxDevice* d = CurGfxDevice;
  using P = SamplePlaces;
  Tile(skin.signin, 0, 0, 720, 505);

  // The menu screen's controls, where the launcher puts them.
  Button(fonts.medium, P::kLaunchX, P::kLaunchY, 100, "Launch", false);
  Button(fonts.medium, 495, 437, 100, "Settings", false);
  Button(fonts.medium, P::kPressedX, P::kPressedY, 105, "Pressed", true);
  d->CopyTMap(float(P::kCheckX), float(P::kCheckY), skin.check[2]);
  fonts.small->Print(P::kCheckX + 22, P::kCheckY + 2, "@W@zScan All Files");
  d->CopyTMap(float(570), float(P::kCheckY), skin.check[0]);
  d->CopyTMap(float(545), float(P::kCheckY), skin.check[1]);
  int bx = 720 - 140 - 15, by = 300;
  fonts.small->Print(bx, by - 22, "@WSelect Language");
  d->ClearRegion(149, 147, 165, bx, by, bx + 140 - 26, by + 24);
  fonts.medium->Print(bx + 4, by + 3, "@KENGLISH");
  d->CopyTMap(float(bx + 140 - 25), float(by), skin.arromenu);
  // The open list below it.
  Tile(skin.dropdown, bx, by + 26, 140, 60);
  fonts.small->Print(bx + 4, by + 30, "@WENGLISH\n@YFRANCAIS\n@WDEUTSCH");

  // A framed dialog showing the text codes.
  Frame(fonts.small, P::kDialogX, P::kDialogY, P::kDialogW, P::kDialogH, "Message Window");
  Font2* f = fonts.small;
  int tx = P::kDialogX + 18, ty = P::kDialogY + 32;
  f->Print(tx, ty, "@WColours: @RRed @GGreen @gDark green @BBlue @AGrey @SLight blue");
  f->Print(tx, ty + 18, "@YYellow @PPurple @CCyan @KBlack@W, @[saved green@] restored, @@ @q");
  f->Print(P::kRedTextX, P::kRedTextY, "@R@ZRED RUN WITH A DROP SHADOW");
  f->Print(tx, ty + 58, "@W@ZDrop shadow  @z@YSoft shadow  @z@W@iItalic text@i");
  f->Print(tx, ty + 78, "@WDimmed: @sthis run is dimmed@s, back to normal");
  f->Print(tx, ty + 98, "@WHalf@Hblank, a dash @- and a tick @c");
  f->Print(tx, ty + 118, "@WLine break here\n@LHalf a line more below it");
  Button(fonts.medium, P::kDialogX + 60, P::kDialogY + P::kDialogH - 40, 110, "OK", false, skin.ok);
  Button(fonts.medium, P::kDialogX + 210, P::kDialogY + P::kDialogH - 40, 110, "Cancel", false, skin.cancel);
  d->CopyTMap(float(P::kDialogX + P::kDialogW - 30), float(P::kDialogY + P::kDialogH - 36), skin.help);

  // A text box with a scroll bar on the right.
  int sx = 470, sy = 150, sh = 110;
  d->ClearRegion(200, 200, 200, sx, sy, sx + 170, sy + sh);
  fonts.small->Print(sx + 4, sy + 4, "@KTerms of Service\nLine two of the text\n@RA red line\n@KLast line");
  d->CopyTMap(float(sx + 171), float(sy), skin.up);
  Tile(skin.menudkgr, sx + 171, sy + 16, 16, sh - 31);
  d->TmapBlit(float(sx + 171), float(sx + 187), float(sy + 20), float(sy + 60), 0, skin.slider, 0);
  d->CopyTMap(float(sx + 171), float(sy + sh - 15), skin.dn);
}
