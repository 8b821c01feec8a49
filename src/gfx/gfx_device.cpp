#include "gfx/gfx_device.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "foundation/print_format.h"
#include "gfx/font2.h"

int GfxDevice::Width = 0;
int GfxDevice::Height = 0;
int GfxDevice::clip_minx = 0;
int GfxDevice::clip_miny = 0;
int GfxDevice::clip_maxx = -1;
int GfxDevice::clip_maxy = -1;
MemoryPixelFormat GfxDevice::ScreenFormat = MPF_RGB565;
TextureMap* GfxDevice::TextureList = nullptr;
char GfxDevice::SkinDirName[260] = {};
int GfxDevice::CurTextureLoadMode = 0;
unsigned long GfxDevice::DeviceFlags = 0;

GfxDevice* CurGfxDevice = nullptr;
int CurDisplayDevice = 0;
int CurPixelType = 0;
uint32_t FullPurple = 0xF81F;

GfxDevice::GfxDevice(int width, int height) {
  Width = width;
  Height = height;
  InitClippingRegion();
}

GfxDevice::~GfxDevice() {}

void GfxDevice::SetClippingRegion(int x1, int y1, int x2, int y2) {
  clip_minx = x1 < 0 ? 0 : x1;
  clip_miny = y1 < 0 ? 0 : y1;
  clip_maxx = x2 >= Width ? Width - 1 : x2;
  clip_maxy = y2 >= Height ? Height - 1 : y2;
}

void GfxDevice::InitClippingRegion() {
  clip_minx = 0;
  clip_miny = 0;
  clip_maxx = Width - 1;
  clip_maxy = Height - 1;
}

void GfxDevice::PrintF(int x, int y, const char* format, ...) {
  if (!DeviceFont) return;
  char buffer[2048];
  va_list args;
  va_start(args, format);
  VSNPrintF(buffer, sizeof buffer, format, args);
  va_end(args);
  DeviceFont->Print(x, y, buffer);
}

void GfxDevice::SetSkinPathName(const char* directory) {
  std::snprintf(SkinDirName, sizeof SkinDirName, "%s", directory ? directory : "");
}
