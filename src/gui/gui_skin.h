// The toolkit's shared textures and fonts. The program loads them once at
// start-up (LoadDefaultGUISkin does it from the default skin directory) and
// they live for the whole run; widgets draw with whatever is set and fall
// back to flat colours where a texture is null (the null device has none).
#pragma once

class TextureMap;
class Font2;

extern TextureMap *DefaultLeftBorder, *DefaultRightBorder, *DefaultBottomBorder, *DefaultTopBorder;
extern TextureMap *DefaultLLCornerTexture, *DefaultLRCornerTexture, *DefaultURCornerTexture, *DefaultULCornerTexture;
extern TextureMap *DefaultUpArrowTexture, *DefaultDnArrowTexture, *DefaultLeftArrowTexture, *DefaultRightArrowTexture;
extern TextureMap* DefaultScrollSliderTexture;
extern TextureMap* DefaultDragBarTexture;
extern TextureMap *DefaultButtonIconOkay, *DefaultButtonIconCancel, *DefaultButtonIconHelp, *DefaultButtonIconYes,
    *DefaultButtonIconNo;
extern TextureMap *DefaultCloseGadgetTexture, *DefaultMinGadgetTexture;
extern TextureMap *DefaultDropDownTexture, *DefaultMenuScrollDownTexture, *DefaultMenuScrollUpTexture;

// Texture base names of the button styles 0 to 7 ("zindimgs/btn01").
extern const char* ButtonStyleTextureNames[8];

extern Font2 *SmallFont, *MedFont;
extern Font2 *DefaultGUIObjFont, *DefaultStringInputFont, *DefaultDropDownMenuFont, *DefaultSpreadsheetFont,
    *DefaultSimpleDialogButtonFont, *WindowTitleBarFont;

// Loads the toolkit textures above from "zindimgs/..." through CurGfxDevice
// (textures already set are kept) and, for fonts still null, creates the
// default fonts and points the font globals (BalloonHelpFont too) at them.
void LoadDefaultGUISkin();
// Fills SimpleButtonIcons from the icon textures.
void InitSimpleDialogButtonTextures();
