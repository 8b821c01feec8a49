#include "update/download_window.h"

#include <cstring>
#include <string>

#include "foundation/alloc.h"
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
constexpr int kAddressSize = 2048;

void CopyBounded(char* to, const char* from, size_t size) {
  to[0] = 0;
  if (!from) return;
  std::strncpy(to, from, size - 1);
  to[size - 1] = 0;
}

void CopyUrl(char* to, const char* url) {
  CopyBounded(to, url, kDestUrlSize);
  for (char* c = to; *c; ++c)
    if (*c == '\\') *c = '/';
}

Font2* WindowFont(Font2* own) { return own ? own : DefaultGUIObjFont; }

}  // namespace

DownloadWindow::DownloadWindow(GUIObject* parent, const char* url, TextureMap* texture, const char* credential,
                               const char* destination, TextureMap* errorButtonTexture)
    : GUIDraggableBackdropWindow(texture, 0, 0, 0) {
  CopyUrl(DestUrl, url);
  Credential = credential ? GUIStrDup(credential) : nullptr;
  CopyBounded(DestinationDir, destination, kDestinationDirSize);
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

DownloadWindow::~DownloadWindow() {
  ClearPumpSocketSource(this);
  if (Credential) GRTFree(Credential);
  Credential = nullptr;
  if (Current) {
    Current->Reset(1);
    delete Current;
    Current = nullptr;
  }
  FreeQueue(Queue);
}

void DownloadWindow::SetDestinationDir(const char* directory) {
  DestinationDir[0] = 0;
  CopyBounded(DestinationDir, directory, kDestinationDirSize);
}

void DownloadWindow::SetDestUrl(const char* url) { CopyUrl(DestUrl, url); }

void DownloadWindow::SetSecondsToWaitForDownloadRetry(unsigned long seconds) {
  // The countdown's unit as the window has always counted it; the program
  // sets a wait of 0, so only the stored scale matters.
  constexpr unsigned long kRetryTicksPerSecond = 7200;
  RetryWaitTicks = seconds * kRetryTicksPerSecond;
  // Countdowns are ints: a wait beyond their range is the longest they hold.
  int limit = RetryWaitTicks > 0x7fffffffUL ? 0x7fffffff : static_cast<int>(RetryWaitTicks);
  LowerRetryCountdowns(Queue, limit);
}

void DownloadWindow::SetStatusMessage(const char* text) {
  StatusMessage[0] = 0;
  CopyBounded(StatusMessage, text, kStatusMessageSize);
}

int DownloadWindow::AddNewDownload(const char* name, DownloadCallback callback, void* argument, int downloadFlags,
                                   const unsigned char* digest, DownloadArgFree freeArg) {
  return QueueDownload(Queue, Current != nullptr, name, callback, argument, freeArg, downloadFlags, digest) != nullptr;
}

void DownloadWindow::StartNextDownload() {
  // A callback that pumps messages can bring a tick in here while its own
  // completion is still being handled: one transfer at a time.
  if (Current) return;
  const bool wasDisabled = (Flags & Disabled) != 0;
  Disable();
  if (!Queue || !MayStartDownload(Queue)) {
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
  Queue->Tried = 1;
  Status = kDownloadStarting;
  Progress = 0;
  std::string address = DestUrl;
  if (address.size() + std::strlen(Queue->Name) <= static_cast<size_t>(kAddressSize - 1)) address += Queue->Name;
  else address = Queue->Name;
  Current = new FileDownload(address.c_str(), Queue->Name, Queue->DownloadFlags, Credential,
                             DestinationDir[0] ? DestinationDir : nullptr, Queue->HasDigest ? Queue->Digest : nullptr);
  Progress = 0;
  Status = Current->Update(Progress);
}

void DownloadWindow::HandleTimerTick() {
  if (Paused) return;
  CountDownRetries(Queue);
  AdvanceTransfer();
}

void DownloadWindow::AdvanceTransfer() {
  if (Paused || Status == kDownloadWindowBusy) return;
  if (!Current) {
    if (Status != kDownloadStarting) StartNextDownload();
    return;
  }
  const int before = Progress;
  Status = Current->Update(Progress);
  switch (Status) {
    case kDownloadFlowing:
      Enable();
      if (Progress != before) Redraw();
      break;
    case kDownloadWaiting: break;
    case kDownloadFinished:
    case kDownloadNotModified:
    case kDownloadFailed: FinishCurrent(); break;
    default: break;
  }
}

void DownloadWindow::Report(int status, void* p, const char* name) {
  TraceReport(status, name, status == kDownloadFailed ? static_cast<const char*>(p) : nullptr);
  if (Parent) Parent->HandleMessage(kDownloadReportMessage, status, 0, p, const_cast<char*>(name));
}

void DownloadWindow::FinishCurrent() {
  const int status = Status;
  GUIWatch self(this);
  // The parent may queue, pause or even destroy this window from the report
  // or a callback: the name reported is a copy, and nothing of this window
  // is touched once it is gone.
  char name[kQueueNameSize];
  std::strcpy(name, Queue ? Queue->Name : "");
  if (status == kDownloadFailed) {
    std::string error = Current->ErrorString() ? Current->ErrorString() : "";
    Current->Reset(1);
    delete Current;
    Current = nullptr;
    int wait = RetryWaitTicks > 0x7fffffffUL ? 0x7fffffff : static_cast<int>(RetryWaitTicks);
    MoveHeadToTail(Queue, wait);
    Report(status, error.data(), name);
    if (self) StartNextDownload();
    return;
  }
  Current->Reset(1);
  delete Current;
  Current = nullptr;
  // The finished entry leaves the queue before it is reported: the parent
  // queues the next list from the report, and that entry goes to the head
  // of an idle queue, where it must not be taken for the finished one.
  DownloadFileQueueEntry* entry = TakeHead(Queue);
  Report(status, this, name);
  if (!self) {
    delete entry;
    return;
  }
  if (entry && entry->Callback && status == kDownloadFinished) {
    if (!entry->Arguments) {
      entry->Callback(this, nullptr);
    } else {
      for (ArgNode* a = entry->Arguments; a && self; a = a->next) entry->Callback(this, a->Data);
    }
  }
  delete entry;
  if (self) StartNextDownload();
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
  if (Status == kDownloadWindowBusy) {
    if (StatusMessage[0] && font) font->PrintF(ax + 5, ay + 5, "@W@z%s", StatusMessage);
  } else {
    if (Queue && font)
      font->PrintF(ax + 5, ay + 5, "@W@z%s:\n%s", GetString(Progress > 0 ? "Downloading" : "Checking file"),
                   Queue->Name);
    const int left = LeftInset, right = Width - RightInset - 12;
    const int top = Height - BottomInset - 16, bottom = Height - BottomInset;
    CurGfxDevice->ClearRegion(100, 100, 100, ax + left, ay + top, ax + right, ay + bottom);
    const int percent = Progress < 0 ? 0 : (Progress > 100 ? 100 : Progress);
    const int filled = left + (right - left) * percent / 100;
    if (filled > left) CurGfxDevice->ClearRegion(200, 0, 0, ax + left, ay + top, ax + filled, ay + bottom);
    if (font) font->PrintF(ax + right + 7, ay + top + (16 - font->CellHeight) / 2, "@W@z%d%%", Progress);
  }
  DrawChildren(ax - ScrollX, ay - ScrollY);
  CurGfxDevice->SetClippingRegion(saved[0], saved[1], saved[2], saved[3]);
}

PumpWait DownloadWindow::PumpWaitItem(PlatPollItem* item) {
  if (Paused || Status == kDownloadWindowBusy) return PumpWait::kNothing;
  // A file queued while the window was idle starts at the pump's next turn
  // rather than at the next GUI tick, half a second away: a list fetched
  // after another would otherwise wait that long each time.
  if (!Current)
    return Queue && MayStartDownload(Queue) && Status != kDownloadStarting ? PumpWait::kReadyNow : PumpWait::kNothing;
  // A transfer that has ended, or has a step to take without the network, is
  // advanced at once.
  return Current->WaitItem(item) ? PumpWait::kOnSocket : PumpWait::kReadyNow;
}
