#include "update/download_window.h"

#include <cstring>

#include "foundation/language_catalogue.h"
#include "foundation/ui_trace.h"
#include "gfx/font2.h"
#include "gfx/gfx_device.h"
#include "gfx/texture.h"
#include "gui/gui_button.h"
#include "gui/gui_redraw.h"
#include "gui/gui_skin.h"
#include "transport/http_download.h"

namespace {

constexpr int kWindowWidth = 260;
constexpr int kWindowHeight = 100;

Font2* WindowFont(Font2* own) { return own ? own : DefaultGUIObjFont; }

}  // namespace

DownloadWindow::DownloadWindow(GUIObject* parent, const char* url, TextureMap* texture, const char* credential,
                               const char* destination, TextureMap* errorButtonTexture)
    : GUIDraggableBackdropWindow(texture, 0, 0, 0), Downloads(this, this, url, credential, destination) {
  RedrawMargin = 8;
  Font2* font = WindowFont(Font);
  LeftInset = 10;
  RightInset = 35;
  BottomInset = 15;
  TopInset = 2 * (font ? font->CellHeight : 0) + 5;
  Width = kWindowWidth;
  Height = kWindowHeight;
  Flags |= Disabled;
  if (parent) {
    parent->AddChild(this);
    X = (parent->Width - kWindowWidth) / 2;
    Y = (parent->Height - kWindowHeight) / 2;
  }
  if (errorButtonTexture) {
    ErrorButton = new GUIButton(0, 0, errorButtonTexture->Width, errorButtonTexture->Height, "", ButtonDrawMode(1),
                                kDownloadErrorButtonMessage, errorButtonTexture, errorButtonTexture);
    AddChild(ErrorButton);
  }
  SetPumpSocketSource(this);
}

DownloadWindow::~DownloadWindow() { ClearPumpSocketSource(this); }

void DownloadWindow::SetStatusMessage(const char* text) {
  std::strncpy(StatusMessage, text ? text : "", kStatusMessageSize - 1);
  StatusMessage[kStatusMessageSize - 1] = 0;
}

void DownloadWindow::OnDownloadReport(int status, const char* errorText, const char* name) {
  TraceReport(status, name, status == kDownloadFailed ? errorText : nullptr);
  void* p = status == kDownloadFailed ? const_cast<char*>(errorText) : static_cast<void*>(this);
  if (Parent) Parent->HandleMessage(kDownloadReportMessage, status, 0, p, const_cast<char*>(name));
}

void DownloadWindow::OnDownloadActivity(bool active) {
  // Shown while transfers run; the parent is laid out when that changes, not
  // on every tick of an idle queue.
  const bool wasDisabled = (Flags & Disabled) != 0;
  if (!active) {
    Disable();
    if (MouseOwner == this) MouseOwner = nullptr;
    ShownForTransfer = 0;
    if (!wasDisabled && Parent) {
      Parent->LayoutChildren();
      Parent->Redraw();
    }
    return;
  }
  Enable();
  if (!ShownForTransfer) {
    if (wasDisabled && Parent) {
      Parent->LayoutChildren();
      Parent->Redraw();
    }
    ShownForTransfer = 1;
  }
  Need_Redraw = 1;
}

int DownloadWindow::HandleMessage(int msg, int a, int b, void* p, void* q) {
  if (msg == kDownloadErrorButtonMessage || msg == kDownloadPassOnMessage) {
    if (Parent) Parent->HandleMessage(msg, a, b, p, q);
    return 1;
  }
  return 0;
}

void DownloadWindow::LayoutChildren() {
  Width = kWindowWidth;
  Height = kWindowHeight;
  ClampToBorders();
  GUIDraggableBackdropWindow::LayoutChildren();
}

void DownloadWindow::Draw(int x, int y) {
  if (Hidden() || !CurGfxDevice) return;
  const int ax = x + X, ay = y + Y;
  int saved[4] = {GfxDevice::clip_minx, GfxDevice::clip_miny, GfxDevice::clip_maxx, GfxDevice::clip_maxy};
  SetClip(ax, ay, ax + Width - 1, ay + Height - 1);
  DrawBackdrop(x, y);
  Font2* font = WindowFont(Font);
  if (Downloads.Status == kDownloadWindowBusy) {
    if (StatusMessage[0] && font) font->PrintF(ax + 5, ay + 5, "@W@z%s", StatusMessage);
  } else {
    // The file shown is the longest running one (the next to start when none runs).
    const int progress = Downloads.Progress();
    const char* shown = !Downloads.Running().empty() ? Downloads.Running().front().entry->Name
                        : Downloads.Queue            ? Downloads.Queue->Name
                                                     : nullptr;
    if (shown && font)
      font->PrintF(ax + 5, ay + 5, "@W@z%s:\n%s", GetString(progress > 0 ? "Downloading" : "Checking file"), shown);
    const int left = LeftInset, right = Width - RightInset - 12;
    const int top = Height - BottomInset - 16, bottom = Height - BottomInset;
    CurGfxDevice->ClearRegion(100, 100, 100, ax + left, ay + top, ax + right, ay + bottom);
    const int percent = progress < 0 ? 0 : (progress > 100 ? 100 : progress);
    const int filled = left + (right - left) * percent / 100;
    if (filled > left) CurGfxDevice->ClearRegion(200, 0, 0, ax + left, ay + top, ax + filled, ay + bottom);
    if (font) font->PrintF(ax + right + 7, ay + top + (16 - font->CellHeight) / 2, "@W@z%d%%", progress);
  }
  DrawChildren(ax - ScrollX, ay - ScrollY);
  CurGfxDevice->SetClippingRegion(saved[0], saved[1], saved[2], saved[3]);
}
