// Full-frame redraw of a 720 x 505 launcher screen through the software
// device: a tiled background, ten text buttons and thirty lines of text, with
// and without presenting the frame to a window. Frames per second are
// reported as items per second. Runs headless with SDL_VIDEODRIVER=dummy.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "foundation/log.h"
#include "foundation/runtime.h"
#include "gfx/display_device.h"
#include "gfx/font2.h"
#include "gfx/texture.h"
#include "gfx/true_color_bitmap.h"
#include "gfx/vga565_device.h"
#include "platform/window.h"

namespace {

long BenchWindowProc(HWND w, unsigned m, unsigned long wp, long lp) { return DefWindowProcA(w, m, wp, lp); }

struct Scene {
  TextureMap* background;
  TextureMap* pieces[3];
  Font2* small;
  Font2* medium;
};

// The skin lives in assets/ beside this file's folder.
std::string AssetsDir() {
  std::string here = __FILE__;
  return here.substr(0, here.rfind('/')) + "/../assets";
}

Scene Setup(PixelFormat desktop, bool window) {
  static bool videoUp = false;
  LogEnabled = 0;  // the run changes into assets/, which must stay clean
  if (window && !hMainWindow) {
    if (!videoUp) videoUp = PlatInitVideo();
    RegisterWindowClass("bench", BenchWindowProc, 0);
    hMainWindow = CreateWindowExA(0, "bench", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 720 + kWindowFrameWidth,
                                  505 + kWindowFrameHeight);
  }
  if (chdir(AssetsDir().c_str()) != 0) std::fprintf(stderr, "no assets at %s\n", AssetsDir().c_str());
  ForcedScreenPixelFormat = desktop;
  InitDisplay(DD_VGA565, 720, 505, PF_RGB565, nullptr, 0);
  ForcedScreenPixelFormat = -1;
  CheckTgaJpeg = 1;
  Scene s;
  s.background = CurGfxDevice->LoadTexture("zindimgs/menublue.tga", 0);
  s.pieces[0] = CurGfxDevice->LoadTexture("zindimgs/btn01lu.tga", 0);
  s.pieces[1] = CurGfxDevice->LoadTexture("zindimgs/btn01cu.tga", 0);
  s.pieces[2] = CurGfxDevice->LoadTexture("zindimgs/btn01ru.tga", 0);
  s.small = new Font2("ms sans serif", "sserife.fon", 32, 0, 6, 16);
  s.medium = new Font2("system", "vgasys.fon", 32, 0, 7, 18);
  return s;
}

void Teardown(Scene& s, bool window) {
  delete s.small;
  delete s.medium;
  CleanupDisplay();
  if (window && hMainWindow) {
    DestroyWindow(hMainWindow);
    hMainWindow = nullptr;
  }
}

void DrawFrame(const Scene& s) {
  GfxDevice* d = CurGfxDevice;
  for (int y = 0; y < 505; y += s.background->Height)
    for (int x = 0; x < 720; x += s.background->Width) d->CopyTMap(float(x), float(y), s.background);
  for (int i = 0; i < 10; ++i) {
    int x = 20 + (i % 5) * 138, y = 380 + (i / 5) * 40, w = 120;
    d->CopyTMap(float(x), float(y), s.pieces[0]);
    d->CopyTMap(float(x + w - 8), float(y), s.pieces[2]);
    d->TmapBlit(float(x + 8), float(x + w - 8), float(y), float(y + 24), 0, s.pieces[1], 0);
    s.medium->Print(x + 30, y + 3, "@W@ZButton");
  }
  for (int line = 0; line < 30; ++line)
    s.small->Print(20, 10 + line * 12, "@KThe quick brown fox @Rjumps@K over the lazy dog, line of text");
}

void BM_RedrawDrawingOnly(benchmark::State& state) {
  Scene s = Setup(PixelFormat(state.range(0)), false);
  for (auto _ : state) DrawFrame(s);
  state.SetItemsProcessed(state.iterations());
  Teardown(s, false);
}

void BM_RedrawWithPresent(benchmark::State& state) {
  Scene s = Setup(PixelFormat(state.range(0)), true);
  auto* dev = static_cast<VGA565Device*>(CurGfxDevice);
  for (auto _ : state) {
    DrawFrame(s);
    dev->PageSwap();
  }
  if (dev->PresentCount == 0) state.SkipWithError("nothing was presented");
  state.SetItemsProcessed(state.iterations());
  Teardown(s, true);
}

// 8: 32-bit desktop, 1: 5-6-5, 2: 5-5-5.
BENCHMARK(BM_RedrawDrawingOnly)->Arg(8)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedrawWithPresent)->Arg(8)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
