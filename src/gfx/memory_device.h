// MemoryDevice: a device that draws into a back buffer in main memory and
// keeps the texture list. VGA565Device adds the presentation to the window.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/gfx_device.h"

// The back buffer: rows top to bottom.
struct BackBuffer {
  uint8_t* Pixels = nullptr;
  int BytesPerRow = 0;
  int Width = 0, Height = 0;
};

class MemoryDevice : public GfxDevice {
 public:
  // A back buffer of width by height pixels in format, cleared to 0.
  MemoryDevice(int width, int height, MemoryPixelFormat format);
  ~MemoryDevice() override;

  BackBuffer InvisibleBM;
  std::vector<uint8_t*> RowTable;  // start of each row

  void GetTextureFormatInfo(TextureMap* texture) override;
  void ClearScreen() override;
  void ClearRegion(float r, float g, float b, int x1, int y1, int x2, int y2) override;
  TextureMap* LoadTexture(const char* name, unsigned long flags) override;
  TextureMap* AllocateTexture(int width, int height, MemoryPixelFormat format) override;
  void ChromaBlit565(const uint16_t* pixels, int stride, int x, int y, int w, int h, uint16_t key) override;
  void ChromaBlit888(const uint32_t* pixels, int stride, int x, int y, int w, int h, uint32_t key) override;
  void SetTextureCacheAttributes(unsigned long size, int mode) override;
  void FreeTextureMaps() override;
  void FreeAllTextureMaps() override;
  void DrawPixel(int x, int y, float r, float g, float b) override;
  void TmapBlit(float x1, float x2, float y1, float y2, float z, TextureMap* texture, int mode) override;
  void CopyTMap(float x, float y, TextureMap* texture) override;
  void DarkenRect(int x, int y, int w, int h) override;
  void DarkenRect25Percent(int x, int y, int w, int h) override;
  void LightenRect(int x, int y, int w, int h) override;
  void BlitColor(const uint8_t* src, int stride, int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b,
                 bool italic) override;
  void BlitDarken(const uint8_t* src, int stride, int x, int y, int w, int h, bool italic) override;
  void CopyTMapTrans7525(float x, float y, TextureMap* texture) override;
  void DarkenRectWithTransparency(float x, float y, TextureMap* texture) override;
  void ResizeToWidthHeight(int w, int h) override;
  void ReloadMissingTexture(TextureMap* texture) override;
  int ScreenCapture(const char* path) override;

  // Reads one back-buffer pixel as 8-bit channels (tests, screenshots).
  void ReadPixel(int x, int y, uint8_t* r, uint8_t* g, uint8_t* b) const;
  uint32_t RawPixel(int x, int y) const;

 protected:
  // Re-creates the back buffer at w by h (cleared), rebuilds the row table and
  // resets the clip to the whole buffer.
  void AllocateBackBuffer(int w, int h);

 private:
  // Makes the pixels of texture (or what it aliases) resident; null when it
  // has none.
  TextureMap* Ready(TextureMap* texture);
};

// Writes the back buffer of a memory device as a PNG file. Returns false when
// the file cannot be written.
bool WriteBackBufferPng(const MemoryDevice& device, const char* path);
