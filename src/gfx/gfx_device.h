// The drawing device interface. The GUI draws through one global device,
// CurGfxDevice; the software device (VGA565Device) renders into a back buffer
// in the screen's pixel format and presents it to the program window.
//
// The base class implements every operation as doing nothing (returning 0 or
// null), except clipping and PrintF; it is the null device that InitDisplay
// makes for device 3. The 3-D operations are part of the interface only: the
// launcher never calls them and no device here implements them.
//
// Coordinates are back-buffer pixels. Rectangles given as two corners are
// inclusive; everything is clipped to the clip rectangle. Single-threaded:
// GUI thread only.
#pragma once

#include <cstdint>

#include "gfx/pixel_format.h"

class TextureMap;
class Font2;
struct GfxVertex;  // vertex of the 3-D operations; no device here reads one

class GfxDevice {
 public:
  // Device-wide state, shared by every device object.
  static int Width, Height;                               // back buffer size
  static int clip_minx, clip_miny, clip_maxx, clip_maxy;  // inclusive
  static MemoryPixelFormat ScreenFormat;
  static TextureMap* TextureList;  // first loaded texture (list through NextTexture)
  static char SkinDirName[260];    // searched first for textures when non-empty
  static int CurTextureLoadMode;
  static unsigned long DeviceFlags;

  GfxDevice(int width, int height);
  GfxDevice(const GfxDevice&) = delete;
  GfxDevice& operator=(const GfxDevice&) = delete;

  // Clipping. The rectangle is limited to the back buffer.
  virtual void SetClippingRegion(int x1, int y1, int x2, int y2);
  virtual void InitClippingRegion();
  virtual void SetTintMask(unsigned long mask) {}
  virtual void TempSwitchTo640x480() {}
  virtual void RestoreRes() {}
  // Chooses the pixel format of a texture about to be converted and sets its
  // TexFormat and SizeBytes.
  virtual void GetTextureFormatInfo(TextureMap* texture) {}
  virtual void SetTextureMode(int mode) {}
  virtual int GetFrameCount() { return 0; }
  // The device font used by PrintF.
  virtual void SetFont(Font2* font) { DeviceFont = font; }
  virtual void ClearScreen() {}
  virtual void DarkenScreen() {}
  virtual int VerifyTextureCheckSums() { return 0; }
  virtual void TmapZbufLETwoTexturesStripConstantAlpha(const GfxVertex*, int, TextureMap*, TextureMap*, float) {}
  virtual void TmapZbufClearLEStrip(const GfxVertex*, int, TextureMap*) {}
  virtual void SetRGBColor(float r, float g, float b) {}
  // Presents the whole back buffer.
  virtual void PageSwap() {}
  virtual void PageSwap(void* target) {}
  virtual void SetBackgroundColor(float r, float g, float b) {}
  virtual void SetConstColorVal(unsigned long value) {}
  virtual void InitLocalZbuffer() {}
  virtual void FlatTriangle(const GfxVertex*) {}
  virtual void FlatPoly(const GfxVertex*, int) {}
  virtual int ScreenCapture(const char* path) { return 0; }
  virtual void FlatTriangleZbuf(const GfxVertex*) {}
  virtual void FlatPolyZBuf(const GfxVertex*, int) {}
  virtual void RenderToTexture(TextureMap*) {}
  virtual void FlatPolyZBufClear(const GfxVertex*, int) {}
  virtual void GTriangle(const GfxVertex*) {}
  virtual void GPoly(const GfxVertex*, int) {}
  virtual void GTriangleZBuf(const GfxVertex*) {}
  virtual void GPolyZBuf(const GfxVertex*, int) {}
  virtual void GPolyZBufAlpha(const GfxVertex*, int) {}
  virtual void TmapLETriangle(const GfxVertex*, TextureMap*) {}
  virtual void TmapLEPoly(const GfxVertex*, int, TextureMap*) {}
  virtual void TmapZbufLETriangle(const GfxVertex*, TextureMap*) {}
  virtual void TmapZbufClearLETwoTexturesAlphaFogPoly(const GfxVertex*, int, TextureMap*, TextureMap*) {}
  virtual void TmapZbufClearLETwoTexturesPoly(const GfxVertex*, int, TextureMap*, TextureMap*) {}
  virtual void TmapZbufLEPolyConstantAlpha(const GfxVertex*, int, TextureMap*, float) {}
  virtual void TmapZbufLETwoTexturesPolyConstantAlpha(const GfxVertex*, int, TextureMap*, TextureMap*, float) {}
  virtual void TmapZbufLEPoly(const GfxVertex*, int, TextureMap*) {}
  virtual void TmapZbufLEAlphaPoly(const GfxVertex*, int, TextureMap*) {}
  virtual void TmapZbufLEPolyNoDitherTint(const GfxVertex*, int, TextureMap*, unsigned long) {}
  virtual void TmapZbufLEPolyNoDitherTintUnrotated(const GfxVertex*, int, TextureMap*, unsigned long) {}
  virtual void TmapZbufLEPolyBig(const GfxVertex*, int, TextureMap*) {}
  virtual void TmapFSTriangle(const GfxVertex*, TextureMap*) {}
  virtual void TmapFSPoly(const GfxVertex*, int, TextureMap*) {}
  virtual void TmapZbufFSTriangle(const GfxVertex*, TextureMap*) {}
  virtual void TmapZbufFSPoly(const GfxVertex*, int, TextureMap*) {}
  virtual void TmapZbufGTriangle(const GfxVertex*, TextureMap*) {}
  virtual void TmapZbufGPoly(const GfxVertex*, int, TextureMap*) {}
  virtual void TmapZbufGIndexedQuad(const GfxVertex*, const int*, TextureMap*) {}
  virtual void TmapZbufFSIndexedQuad(const GfxVertex*, const int*, TextureMap*) {}
  virtual void LoadPalette(const char* name) {}
  virtual void ForceHighColor() {}
  virtual void SetPalette(const uint8_t* rgb) {}
  virtual void DrawTextA(int x, int y, const char* text) {}
  // Fills the rectangle with one colour; r, g, b are 0 to 255, truncated.
  virtual void ClearRegion(float r, float g, float b, int x1, int y1, int x2, int y2) {}
  // Formats with VSNPrintF (at most 2047 characters) and draws with the
  // device font, if any.
  virtual void PrintF(int x, int y, const char* format, ...);
  // The texture of that name, loaded on first use; null on a device without
  // textures.
  virtual TextureMap* LoadTexture(const char* name, unsigned long flags) { return nullptr; }
  virtual TextureMap* AllocateTexture(int width, int height, MemoryPixelFormat format) { return nullptr; }
  // Copies a block of 16-bit (565/555) or 32-bit pixels to (x, y), skipping
  // pixels equal to key. stride is in pixels.
  virtual void ChromaBlit565(const uint16_t* pixels, int stride, int x, int y, int w, int h, uint16_t key) {}
  virtual void ChromaBlit888(const uint32_t* pixels, int stride, int x, int y, int w, int h, uint32_t key) {}
  virtual void ChromaBlitPal8To565(const uint8_t*, const uint16_t*, int, int, int, int, int) {}
  virtual void ChromaBlit565Tinted(const uint16_t*, int, int, int, int, int, uint16_t, unsigned long) {}
  virtual void DepthBlit565(const uint16_t*, const uint16_t*, int, int, int, int, int) {}
  virtual void LoadFogTable(const char* name) {}
  virtual void SetHighWaterMark() {}
  // Main-memory budget for texture pixels in bytes; textures that do not fit
  // push out the least recently used ones, which reload on their next use.
  virtual void SetTextureCacheAttributes(unsigned long size, int mode) {}
  virtual void FreeTextureMaps() {}
  virtual void FreeAllTextureMaps() {}
  virtual ~GfxDevice();
  virtual void SetFogValue(float) {}
  virtual void SetFogColor(float, float, float) {}
  virtual void FogOn() {}
  virtual void FogOff() {}
  virtual void DrawPixel(int x, int y, float r, float g, float b) {}
  virtual void DrawPixels(const int* xy, int count, float r, float g, float b) {}
  // Draws the texture stretched to cover x1 <= x < x2, y1 <= y < y2; a
  // rectangle of the texture's own size is a CopyTMap.
  virtual void TmapBlit(float x1, float x2, float y1, float y2, float z, TextureMap* texture, int mode) {}
  // Draws the texture with its top-left corner at (x, y) (truncated). A
  // texture with transparency skips its transparent pixels; ARGB textures are
  // blended.
  virtual void CopyTMap(float x, float y, TextureMap* texture) {}
  virtual void BigTextureBlit(float, float, TextureMap*) {}
  virtual int PassThru(int, void*) { return 0; }
  virtual void DrawZBufLEIndexedTriStrip(const GfxVertex*, const int*, int, TextureMap*) {}
  virtual void DrawZBufLEIndexedTriStripWithZBias(const GfxVertex*, const int*, int, TextureMap*, float) {}
  virtual void DrawZBufIndexedTriStripWithVertexAlphaAndColoredLightingAndSpecular(const GfxVertex*, const int*, int,
                                                                                   TextureMap*) {}
  virtual void DrawDisplacementMesh(const GfxVertex*, int, int, TextureMap*) {}
  virtual void TMapGZBufIndexedPolyList(const GfxVertex*, const int*, int, TextureMap*) {}
  virtual void TMapGZBufSpecularIndexedPolyList(const GfxVertex*, const int*, int, TextureMap*) {}
  virtual void TMapCGZBufIndexedPolyList(const GfxVertex*, const int*, int, TextureMap*) {}
  virtual void TMapCGZBufSpecularIndexedPolyList(const GfxVertex*, const int*, int, TextureMap*) {}
  virtual void TMapFSZBufIndexedPoly(const GfxVertex*, const int*, int, TextureMap*) {}
  virtual void TMapLEZBufIndexedPolyList(const GfxVertex*, const int*, int, TextureMap*) {}
  virtual void TMapLEZBufIndexedPolyList(const GfxVertex*, const int*, int, TextureMap*, float) {}
  virtual void GZBufTintedIndexedPolyList(const GfxVertex*, const int*, int, unsigned long) {}
  virtual void CGZBufTintedIndexedPolyList(const GfxVertex*, const int*, int, unsigned long) {}
  virtual void RenderToVisiblePage() {}
  virtual void StartObject() {}
  virtual void EndObject() {}
  virtual void CopyTextureMapWithTransparency(TextureMap* from, TextureMap* to, int x, int y) {}
  virtual void ScaleTextureMapWithTransparency(TextureMap* from, TextureMap* to, float scale) {}
  virtual unsigned long MapARGBToColorHandleForGZBufTinted(unsigned long argb) { return 0; }
  virtual void* GetPrimarySurface() { return nullptr; }
  virtual void SetWaterZBias(float) {}
  virtual void DisableZBuffer() {}
  virtual void EnableZBuffer() {}
  // Halves every channel: (pixel >> 1) & 0x7BEF (565), 0x3DEF (555), 0x7F7F7F (32-bit).
  virtual void DarkenRect(int x, int y, int w, int h) {}
  // Keeps three quarters of every channel.
  virtual void DarkenRect25Percent(int x, int y, int w, int h) {}
  // Adds to every channel with saturation (565: red/blue + 4, green + 8;
  // 555: + 4 each; 32-bit: + 16 each).
  virtual void LightenRect(int x, int y, int w, int h) {}
  virtual void ResetDevice() {}
  // Presents one rectangle of the back buffer.
  virtual void CopyInvisibleRegionToVisible(int x, int y, int w, int h) {}
  virtual void CopyTMapVis(float x, float y, TextureMap* texture) {}
  virtual void CopyBackToTMap(int x, int y, TextureMap* texture) {}
  // Re-creates the back buffer at the window's drawing-area size.
  virtual void ResizeToClientWindow() {}
  // The font blits: every non-zero byte of a w by h block of the 8-bit glyph
  // bitmap (stride in bytes, may be negative) sets the pixel at the matching
  // place to the colour (BlitColor) or halves it (BlitDarken). italic shifts
  // each row right by a quarter of its distance from the bottom row.
  virtual void BlitColor(const uint8_t* src, int stride, int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b,
                         bool italic = false) {}
  virtual void BlitDarken(const uint8_t* src, int stride, int x, int y, int w, int h, bool italic = false) {}
  virtual void CopyTMapRot90(float x, float y, TextureMap* texture) {}
  virtual void CopyTMapTrans7525(float x, float y, TextureMap* texture) {}
  virtual void CopyTMapRot90Trans7525(float x, float y, TextureMap* texture) {}
  // Halves the pixels under the opaque pixels of the texture (icon shadows).
  virtual void DarkenRectWithTransparency(float x, float y, TextureMap* texture) {}
  // Makes the back buffer (and the window's drawing area) w by h.
  virtual void ResizeToWidthHeight(int w, int h) {}
  virtual void ReloadMissingTexture(TextureMap* texture) {}
  virtual void SetSkinPathName(const char* directory);

 protected:
  Font2* DeviceFont = nullptr;
};

extern GfxDevice* CurGfxDevice;
extern int CurDisplayDevice;
extern int CurPixelType;
// The transparent colour in the screen format: 0xF81F, 0x7C1F or 0xFF00FF.
extern uint32_t FullPurple;
