// demo-game: the stand-in game of the demo releases, installed as
// "quorvel1.exe".
//
//   demo-game [--seconds N] [ARGS...]
//
// Opens a window titled "Quorvel Online" that shows the game's version, read
// from "version.txt" beside the program (else in the working directory), and
// closes on any key, on the window's close button, or after N seconds.
//
// With QUORVEL_GAME_MARKER=FILE set it opens no window: it appends one record
// to FILE and exits with status 0 at once. A record is these lines:
//   start
//   arg0 PROGRAM-AS-STARTED
//   arg ARGUMENT          (one line per further argument, in order)
//   cwd WORKING-DIRECTORY
//   exe OWN-PATH          (the running file, links resolved)
//   end
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/window.h"
#include "platform/window_surface.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 640, kHeight = 360;

std::string OwnPath(const char* argv0) {
  std::error_code ec;
  fs::path self = fs::canonical("/proc/self/exe", ec);
  if (ec) self = fs::absolute(argv0, ec);
  return self.string();
}

int WriteMarker(const char* file, int argc, char** argv) {
  std::error_code ec;
  FILE* f = std::fopen(file, "a");
  if (!f) {
    std::fprintf(stderr, "demo-game: cannot open %s\n", file);
    return 1;
  }
  std::fprintf(f, "start\narg0 %s\n", argv[0]);
  for (int i = 1; i < argc; ++i) std::fprintf(f, "arg %s\n", argv[i]);
  std::fprintf(f, "cwd %s\nexe %s\nend\n", fs::current_path(ec).c_str(), OwnPath(argv[0]).c_str());
  return std::fclose(f) == 0 ? 0 : 1;
}

std::string ReadVersion(const char* argv0) {
  const fs::path places[] = {fs::path(OwnPath(argv0)).parent_path() / "version.txt", "version.txt"};
  for (const fs::path& p : places) {
    std::ifstream in(p);
    std::string line;
    if (in && std::getline(in, line)) {
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
      return line;
    }
  }
  return "unknown";
}

// A 5 by 7 dot font: one byte a row, the low five bits, leftmost dot highest.
struct Glyph {
  char c;
  uint8_t rows[7];
};
const Glyph kFont[] = {
    {'A', {14, 17, 17, 31, 17, 17, 17}}, {'B', {30, 17, 17, 30, 17, 17, 30}}, {'C', {14, 17, 16, 16, 16, 17, 14}},
    {'D', {30, 17, 17, 17, 17, 17, 30}}, {'E', {31, 16, 16, 30, 16, 16, 31}}, {'F', {31, 16, 16, 30, 16, 16, 16}},
    {'G', {14, 17, 16, 23, 17, 17, 15}}, {'H', {17, 17, 17, 31, 17, 17, 17}}, {'I', {14, 4, 4, 4, 4, 4, 14}},
    {'J', {7, 2, 2, 2, 2, 18, 12}},      {'K', {17, 18, 20, 24, 20, 18, 17}}, {'L', {16, 16, 16, 16, 16, 16, 31}},
    {'M', {17, 27, 21, 21, 17, 17, 17}}, {'N', {17, 17, 25, 21, 19, 17, 17}}, {'O', {14, 17, 17, 17, 17, 17, 14}},
    {'P', {30, 17, 17, 30, 16, 16, 16}}, {'Q', {14, 17, 17, 17, 21, 18, 13}}, {'R', {30, 17, 17, 30, 20, 18, 17}},
    {'S', {15, 16, 16, 14, 1, 1, 30}},   {'T', {31, 4, 4, 4, 4, 4, 4}},       {'U', {17, 17, 17, 17, 17, 17, 14}},
    {'V', {17, 17, 17, 17, 17, 10, 4}},  {'W', {17, 17, 17, 21, 21, 21, 10}}, {'X', {17, 17, 10, 4, 10, 17, 17}},
    {'Y', {17, 17, 10, 4, 4, 4, 4}},     {'Z', {31, 1, 2, 4, 8, 16, 31}},     {'0', {14, 17, 19, 21, 25, 17, 14}},
    {'1', {4, 12, 4, 4, 4, 4, 14}},      {'2', {14, 17, 1, 2, 4, 8, 31}},     {'3', {31, 2, 4, 2, 1, 17, 14}},
    {'4', {2, 6, 10, 18, 31, 2, 2}},     {'5', {31, 16, 30, 1, 1, 17, 14}},   {'6', {6, 8, 16, 30, 17, 17, 14}},
    {'7', {31, 1, 2, 4, 8, 8, 8}},       {'8', {14, 17, 17, 14, 17, 17, 14}}, {'9', {14, 17, 17, 15, 1, 2, 12}},
    {'.', {0, 0, 0, 0, 0, 12, 12}},      {'-', {0, 0, 0, 31, 0, 0, 0}},       {':', {0, 12, 12, 0, 12, 12, 0}},
    {'_', {0, 0, 0, 0, 0, 0, 31}},       {'/', {1, 1, 2, 4, 8, 16, 16}},      {'?', {14, 17, 1, 2, 4, 0, 4}},
};

const Glyph* Find(char c) {
  if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  for (const Glyph& g : kFont)
    if (g.c == c) return &g;
  return c == ' ' ? nullptr : Find('?');
}

struct Canvas {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(kWidth * kHeight);
  void Fill(int x, int y, int w, int h, uint32_t color) {
    for (int j = std::max(0, y); j < std::min(kHeight, y + h); ++j)
      for (int i = std::max(0, x); i < std::min(kWidth, x + w); ++i) pixels[j * kWidth + i] = color;
  }
  // Text centred on the row at y, scale pixels a dot.
  void Text(const std::string& text, int y, int scale, uint32_t color) {
    const int advance = 6 * scale;
    int x = (kWidth - int(text.size()) * advance + scale) / 2;
    for (char c : text) {
      if (const Glyph* g = Find(c))
        for (int r = 0; r < 7; ++r)
          for (int b = 0; b < 5; ++b)
            if (g->rows[r] & (16 >> b)) Fill(x + b * scale, y + r * scale, scale, scale, color);
      x += advance;
    }
  }
};

bool closing = false;

long GameProc(HWND window, unsigned message, unsigned long wParam, long lParam) {
  if (message == WM_KEYDOWN || message == WM_CLOSE || message == WM_LBUTTONDOWN) {
    closing = true;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* marker = std::getenv("QUORVEL_GAME_MARKER"); marker && *marker)
    return WriteMarker(marker, argc, argv);

  double seconds = 0;
  for (int i = 1; i + 1 < argc; ++i)
    if (!std::strcmp(argv[i], "--seconds")) seconds = std::atof(argv[i + 1]);
  const std::string version = ReadVersion(argv[0]);
  std::printf("demo-game: Quorvel Online version %s\n", version.c_str());
  std::fflush(stdout);

  if (!PlatInitVideo() || !RegisterWindowClass("QuorvelDemoGame", GameProc, 0)) {
    std::fprintf(stderr, "demo-game: no video\n");
    return 1;
  }
  HWND window = CreateWindowExA(0, "QuorvelDemoGame", "Quorvel Online", WS_VISIBLE, 100, 100,
                                kWidth + kWindowFrameWidth, kHeight + kWindowFrameHeight);
  if (!window) {
    std::fprintf(stderr, "demo-game: cannot open a window\n");
    return 1;
  }
  Canvas canvas;
  canvas.Fill(0, 0, kWidth, kHeight, 0x102040);
  canvas.Fill(0, 250, kWidth, 110, 0x0a1830);
  canvas.Fill(60, 200, kWidth - 120, 4, 0xd0a040);
  canvas.Text("QUORVEL ONLINE", 80, 6, 0xf0e0b0);
  canvas.Text("VERSION " + version, 150, 4, 0xffffff);
  canvas.Text("PRESS ANY KEY", 290, 3, 0x8090b0);
  PlatPixelLayout layout;  // 32-bit 0xRRGGBB
  SetTimer(window, 1, 100);
  const auto start = std::chrono::steady_clock::now();
  bool presented = false;
  while (!closing) {
    if (!presented)
      presented = PlatPresentPixels(window, canvas.pixels.data(), kWidth * 4, kWidth, kHeight, layout, nullptr, 0);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_PAINT) presented = false;
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    if (seconds > 0 && std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= seconds)
      break;
    if (!closing) WaitMessage();
  }
  DestroyWindow(window);
  PlatShutdownVideo();
  return 0;
}
