#include "launcher/message_boxes.h"

#include <cstdio>

#include "foundation/language_catalogue.h"
#include "foundation/ui_trace.h"
#include "gfx/gfx_device.h"
#include "gui/gui_button.h"
#include "gui/gui_messages.h"
#include "gui/mouse_dispatch.h"
#include "launcher/launcher_globals.h"
#include "launcher/launcher_skin.h"
#include "launcher/screen_trace.h"
#include "launcher/zindle_window.h"

int ZindleDialogBox::HandleMessage(int msg, int a, int b, void* p, void* q) {
  bool isResult = msg == MsgCloseGadget;
  for (int i = 0; i < NButtons && !isResult; ++i)
    if (Buttons[i] && Buttons[i]->MessageId == msg) isResult = true;
  if (isResult) {
    int result = msg == MsgCloseGadget ? CloseResult : msg;
    if (result != KeepOpenId && !DontDelete) TraceClosed(result);
  }
  return GUISimpleDialogBox::HandleMessage(msg, a, b, p, q);
}

namespace {
// Builds, shows and traces a box on the main window's behalf. The title bar's
// close button answers as the box's last button does (OK of a warning, No of
// a question): the safe answer, so a box closed that way never leaves the
// flow waiting for an answer that does not come.
GUISimpleDialogBox* OpenBox(const char* title, const char* message, TextureMap* background, int button1, int button1Msg,
                            int button2, int button2Msg) {
  int mainW = MainWin ? MainWin->Width : GfxDevice::Width;
  int mainH = MainWin ? MainWin->Height : GfxDevice::Height;
  auto* box = new ZindleDialogBox(title, MainWin, background, message, (mainW - 30) / 2, (mainH - 20) / 2, button1,
                                  button1Msg, button2, button2Msg, 0, nullptr, nullptr);
  box->CloseResult = button2 >= 0 ? button2Msg : button1Msg;
  // The top-level list draws its last object in front.
  AddTopLevelObject(box);
  box->Place();
  SetModal(box);
  box->Redraw();
  TraceDialogBox(box, title, message);
  return box;
}

GUISimpleDialogBox* Track(GUISimpleDialogBox* box) {
  if (MainWin) {
    MainWin->CurrentDialog = box;
    MainWin->BoxFlags |= kMessageBoxUp;
  }
  return box;
}
}  // namespace

GUISimpleDialogBox* ShowZindleWarningBox(const char* text, int closingMessage) {
  char message[512];
  std::snprintf(message, sizeof message, "@W@Z%.506s", text ? text : "");
  return Track(OpenBox(GetString("Message Window"), message, MarbleBGTexture, DialogOK, closingMessage, -1, 0));
}

GUISimpleDialogBox* ShowZindleConfirmBox(const char* text, int yesMessage, int noMessage) {
  char message[512];
  std::snprintf(message, sizeof message, "%.511s", text ? text : "");
  return Track(
      OpenBox(GetString("Confirmation Window"), message, MarbleBGTexture, DialogYes, yesMessage, DialogNo, noMessage));
}

GUISimpleDialogBox* ShowZindleQuestion(const char* text, TextureMap* background, int yesMessage, int noMessage) {
  return OpenBox(GetString("Confirmation Window"), text ? text : "", background, DialogYes, yesMessage, DialogNo,
                 noMessage);
}
