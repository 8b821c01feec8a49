#include "launcher/launcher_skin.h"

TextureMap* MarbleBGTexture = nullptr;
TextureMap* MarbleDarkBGTexture = nullptr;
TextureMap* DownloadWindowTexture = nullptr;
TextureMap* ZindleBGTexture = nullptr;
TextureMap* DropDownTexture = nullptr;
TextureMap *checkbtn0 = nullptr, *checkbtn1 = nullptr, *checkbtn2 = nullptr;

void ResetLauncherSkin() {
  MarbleBGTexture = MarbleDarkBGTexture = DownloadWindowTexture = ZindleBGTexture = DropDownTexture = nullptr;
  checkbtn0 = checkbtn1 = checkbtn2 = nullptr;
}
