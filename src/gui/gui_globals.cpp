#include "gui/gui_globals.h"

#include <cstring>

#include "foundation/program_clock.h"
#include "gui/damage.h"
#include "gui/gui_object.h"
#include "gui/gui_simple_dialog_box.h"
#include "gui/gui_timers.h"

GUIObject* GUIObjList = nullptr;
GUIObject* MouseOwner = nullptr;
GUIObject* KeyOwner = nullptr;
GUIObject* Modal = nullptr;
GUIObject* BalloonHelpObject = nullptr;
GUIObject* LastMouseWindow = nullptr;
int MouseIdleCount = 0;
unsigned char Need_Redraw = 0;
int AnimAgainDelay = 0;
int mymousex = 0, mymousey = 0;
Font2* BalloonHelpFont = nullptr;
char HelpBuffer[1024];
unsigned char TimerisHalted = 0;
unsigned char GUISoundEnabled = 0;

unsigned char DontAllowWindowResize = 0;
int CurMouseX = 0, CurMouseY = 0;

unsigned char AnimTimerSet = 0;
unsigned long LastTimerCallTime = 0;
int GUITickIntervalMs = kGUITickIntervalMs;

int GUICursor = 1;

unsigned long GUIFullPresents = 0, GUIPartialPresents = 0;

DamageRegion DamageRegions[kMaxDamageRegions];
int NDamageRegions = 0;

TextureMap* SimpleButtonIcons[10];

void ResetGuiGlobals() {
  KillAllGUIObjects();
  GUIObjList = MouseOwner = KeyOwner = Modal = BalloonHelpObject = LastMouseWindow = nullptr;
  MouseIdleCount = 0;
  Need_Redraw = 0;
  AnimAgainDelay = 0;
  mymousex = mymousey = 0;
  BalloonHelpFont = nullptr;
  std::memset(HelpBuffer, 0, sizeof HelpBuffer);
  TimerisHalted = 0;
  GUISoundEnabled = 0;
  DontAllowWindowResize = 0;
  CurMouseX = CurMouseY = 0;
  AnimTimerSet = 0;
  // As at load, when the clock starts at 0: no catch-up tick is due yet.
  LastTimerCallTime = GetTimerCount();
  GUITickIntervalMs = kGUITickIntervalMs;
  GUICursor = 1;
  GUIFullPresents = GUIPartialPresents = 0;
  ClearDamageRegions();
  for (auto*& icon : SimpleButtonIcons) icon = nullptr;
}
