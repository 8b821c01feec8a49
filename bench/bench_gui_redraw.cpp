// The cost of drawing: a full redraw and present of a screen of about forty
// widgets on the default skin, against the partial redraw and present that
// follows a button press (damage, redraw of the damaged rectangle, present
// of that rectangle). Runs on the software device with a window of the
// headless video driver, so presents copy into a real window surface. Run
// by hand; never a test.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/program_clock.h"
#include "foundation/runtime.h"
#include "gfx/display_device.h"
#include "gfx/texture.h"
#include "gui/damage.h"
#include "gui/gui_backdrop_window.h"
#include "gui/gui_button.h"
#include "gui/gui_drop_down_box.h"
#include "gui/gui_framed_window.h"
#include "gui/gui_redraw.h"
#include "gui/gui_skin.h"
#include "gui/gui_string_gadget.h"
#include "gui/gui_text_box.h"
#include "gui/gui_toggle_button.h"
#include "gui/mouse_dispatch.h"
#include "platform/window.h"

namespace {

long Proc(HWND w, unsigned m, unsigned long wp, long lp) { return DefWindowProcA(w, m, wp, lp); }

GUIButton* g_button = nullptr;
int g_widgets = 0;

template <class T>
T* Add(GUIObject* parent, T* child) {
  parent->AddChild(child);
  ++g_widgets;
  return child;
}

void BuildScreen() {
  if (g_button) return;
  RunAllInitializers();  // the formatter's conversions among them
  std::string source = __FILE__;
  std::string assets = source.substr(0, source.rfind("/bench/")) + "/assets";
  if (chdir(assets.c_str()) != 0) std::fprintf(stderr, "no skin at %s\n", assets.c_str());
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  PlatInitVideo();
  RegisterWindowClass("BenchGui", Proc, 0);
  hMainWindow =
      CreateWindowExA(0, "BenchGui", "bench", WS_VISIBLE, 0, 0, 720 + kWindowFrameWidth, 505 + kWindowFrameHeight);
  SetTimerRate(18532);
  notgahook = CheckMissingFilename;
  SetWindowedMode(1);
  InitDisplay(DD_VGA565, 720, 505, PF_RGB32, nullptr, 0);
  LoadDefaultGUISkin();

  auto* root = new GUIBackdropWindow(CurGfxDevice->LoadTexture("zindimgs/menublue.tga", 0), 0, 0);
  root->Width = 720;
  root->Height = 505;
  AddTopLevelObject(root);
  ++g_widgets;
  for (int i = 0; i < 16; ++i) {
    auto* b = Add(root, new GUIButton(20 + (i % 4) * 105, 20 + (i / 4) * 34, 100, "Button", 100 + i, i % 3));
    if (i == 5) g_button = b;
  }
  for (int i = 0; i < 6; ++i) {
    auto* f = Add(root, new GUIStringGadget(20 + (i % 2) * 215, 170 + (i / 2) * 28, 200, 22));
    f->Set("C:/Games/Quorvel Online");
  }
  for (int i = 0; i < 4; ++i)
    Add(root,
        new GUIToggleButton(20 + i * 40, 260, -1, -1, 200 + i, CurGfxDevice->LoadTexture("zindimgs/button01.tga", 0),
                            CurGfxDevice->LoadTexture("zindimgs/button02.tga", 0),
                            CurGfxDevice->LoadTexture("zindimgs/button03.tga", 0)));
  auto* drop = new GUIDropDownBox(CurGfxDevice->LoadTexture("zindimgs/arromenu.tga", 0), 200, 260, 180, 20, root,
                                  DefaultDropDownMenuFont, "english", 0);
  ++g_widgets;
  drop->AddItem("english", 1);
  auto* frame = new GUIFramedWindow(450, 20, 250, 230, "Framed window", 1, 1, 0, 0, root);
  ++g_widgets;
  auto* text = Add(frame, new GUITextBox(frame->LeftInset + 4, frame->TopInset + 4, 230, 190, 200, 200, 200));
  for (int i = 0; i < 40; ++i) text->AddLineAtBottom("A line of the text box with some words in it");
  auto* text2 = Add(root, new GUITextBox(20, 300, 400, 180, 220, 220, 230));
  for (int i = 0; i < 40; ++i) text2->AddLineAtBottom("Verifying File: zindimgs/menublue.tga and others");
  for (int i = 0; i < 4; ++i)
    Add(root, new GUIBackdropWindow(450 + (i % 2) * 130, 270 + (i / 2) * 110, 120, 100, 40, 40, 60));
  Need_Redraw = 1;
  GUIRedrawWindows();
}

void BM_FullRedraw(benchmark::State& state) {
  BuildScreen();
  for (auto _ : state) {
    Need_Redraw = 1;
    GUIRedrawWindows();
  }
  state.counters["widgets"] = g_widgets;
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

void BM_PartialRedrawAfterButtonPress(benchmark::State& state) {
  BuildScreen();
  int x = g_button->AbsoluteX() + 10, y = g_button->AbsoluteY() + 5;
  for (auto _ : state) {
    GUIDoMouseButtonEvent(x, y, LeftButtonDown, 0);  // damages the button
    GUIRedrawWindows();                              // redraws and presents its rectangle
    state.PauseTiming();
    GUIDoMouseButtonEvent(x, y, LeftButtonUp, 0);
    GUIRedrawWindows();
    state.ResumeTiming();
  }
  state.counters["pixels"] = g_button->Width * g_button->Height;
}
BENCHMARK(BM_PartialRedrawAfterButtonPress)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
