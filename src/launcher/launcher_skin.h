// The launcher's own skin textures, beside the toolkit's (gui_skin.h). Start-up
// loads them from "zindimgs/"; they live for the whole run. A null texture
// (not loaded, or the null device) makes a window fall back to its colour.
#pragma once

class TextureMap;

extern TextureMap* MarbleBGTexture;      // "zindimgs/menublue.tga": the Terms screen, message boxes
extern TextureMap* MarbleDarkBGTexture;  // "zindimgs/menudkgr.tga": the retry question
extern TextureMap* ZindleBGTexture;      // "zindimgs/signin.tga": the main window and its screens
extern TextureMap* DropDownTexture;      // "zindimgs/arromenu.tga": the language box
// The "Scan All Files" box: raised, pressed, and the tick.
extern TextureMap *checkbtn0, *checkbtn1, *checkbtn2;

// Puts every texture above back to null (tests).
void ResetLauncherSkin();
