#include "gui/gui_skin.h"

#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gui/gui_object.h"
#include "gui/gui_simple_dialog_box.h"

TextureMap *DefaultLeftBorder, *DefaultRightBorder, *DefaultBottomBorder, *DefaultTopBorder;
TextureMap *DefaultLLCornerTexture, *DefaultLRCornerTexture, *DefaultURCornerTexture, *DefaultULCornerTexture;
TextureMap *DefaultUpArrowTexture, *DefaultDnArrowTexture, *DefaultLeftArrowTexture, *DefaultRightArrowTexture;
TextureMap* DefaultScrollSliderTexture;
TextureMap* DefaultDragBarTexture;
TextureMap *DefaultButtonIconOkay, *DefaultButtonIconCancel, *DefaultButtonIconHelp, *DefaultButtonIconYes,
    *DefaultButtonIconNo;
TextureMap *DefaultCloseGadgetTexture, *DefaultMinGadgetTexture;
TextureMap *DefaultDropDownTexture, *DefaultMenuScrollDownTexture, *DefaultMenuScrollUpTexture;

const char* ButtonStyleTextureNames[8] = {"zindimgs/btn01", "zindimgs/btn01", "zindimgs/btn01", "zindimgs/btn01",
                                          "zindimgs/btn01", "zindimgs/btn01", "zindimgs/btn01", "zindimgs/btn01"};

Font2 *SmallFont, *MedFont;
Font2 *DefaultGUIObjFont, *DefaultStringInputFont, *DefaultDropDownMenuFont, *DefaultSpreadsheetFont,
    *DefaultSimpleDialogButtonFont, *WindowTitleBarFont;

namespace {
void Load(TextureMap*& slot, const char* name) {
  if (!slot && CurGfxDevice) slot = CurGfxDevice->LoadTexture(name, 0);
}
}  // namespace

void InitSimpleDialogButtonTextures() {
  TextureMap* icons[10] = {DefaultButtonIconHelp,
                           DefaultButtonIconCancel,
                           DefaultButtonIconNo,
                           DefaultButtonIconOkay,
                           DefaultButtonIconYes,
                           nullptr,
                           nullptr,
                           nullptr,
                           DefaultButtonIconNo,
                           DefaultButtonIconYes};
  for (int i = 0; i < 10; ++i) SimpleButtonIcons[i] = icons[i];
}

void LoadDefaultGUISkin() {
  Load(DefaultLeftBorder, "zindimgs/lside.tga");
  Load(DefaultRightBorder, "zindimgs/rside.tga");
  Load(DefaultBottomBorder, "zindimgs/bottom.tga");
  Load(DefaultLLCornerTexture, "zindimgs/cornerll.tga");
  Load(DefaultLRCornerTexture, "zindimgs/cornerlr.tga");
  Load(DefaultURCornerTexture, "zindimgs/cornerur.tga");
  Load(DefaultULCornerTexture, "zindimgs/cornerul.tga");
  Load(DefaultUpArrowTexture, "zindimgs/arrowup.tga");
  Load(DefaultDnArrowTexture, "zindimgs/arrowdn.tga");
  Load(DefaultLeftArrowTexture, "zindimgs/arrowlft.tga");
  Load(DefaultRightArrowTexture, "zindimgs/arrowrt.tga");
  Load(DefaultScrollSliderTexture, "zindimgs/scrollm.tga");
  Load(DefaultDragBarTexture, "zindimgs/ttlbar.tga");
  Load(DefaultButtonIconOkay, "zindimgs/icnok.tga");
  Load(DefaultButtonIconCancel, "zindimgs/icncancl.tga");
  Load(DefaultButtonIconHelp, "zindimgs/icnhelp.tga");
  Load(DefaultCloseGadgetTexture, "zindimgs/closebt1.tga");
  Load(DefaultMinGadgetTexture, "zindimgs/minibt1.tga");
  Load(DefaultDropDownTexture, "zindimgs/dropdown.tga");
  Load(DefaultMenuScrollDownTexture, "zindimgs/dddown.tga");
  Load(DefaultMenuScrollUpTexture, "zindimgs/ddup.tga");
  if (!SmallFont) SmallFont = new Font2("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  if (!MedFont) MedFont = new Font2("system", "vgasys.fon", 32, 0, 7, 18);
  if (!DefaultDropDownMenuFont) DefaultDropDownMenuFont = new Font2("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  if (!DefaultSpreadsheetFont) DefaultSpreadsheetFont = DefaultDropDownMenuFont;
  if (!DefaultGUIObjFont) DefaultGUIObjFont = SmallFont;
  if (!DefaultSimpleDialogButtonFont) DefaultSimpleDialogButtonFont = SmallFont;
  if (!DefaultStringInputFont) DefaultStringInputFont = MedFont;
  if (!WindowTitleBarFont) WindowTitleBarFont = SmallFont;
  if (!BalloonHelpFont) BalloonHelpFont = SmallFont;
  InitSimpleDialogButtonTextures();
}
