#include "launcher/launcher_skin.h"

TextureMap* MarbleBGTexture = nullptr;
TextureMap* MarbleDarkBGTexture = nullptr;
TextureMap* ZindleBGTexture = nullptr;
TextureMap* DropDownTexture = nullptr;
TextureMap *checkbtn0 = nullptr, *checkbtn1 = nullptr, *checkbtn2 = nullptr;

void ResetLauncherSkin() {
  MarbleBGTexture = MarbleDarkBGTexture = ZindleBGTexture = DropDownTexture = nullptr;
  checkbtn0 = checkbtn1 = checkbtn2 = nullptr;
}
