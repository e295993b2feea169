// The game palette, picture lumps and file kinds. (Not built yet.)
#include "PakQuake.h"

TBitmap::TBitmap(int32_t width, int32_t height) { SetSize(width, height); }
void TBitmap::SetSize(int32_t width, int32_t height) {
  m_Width = width;
  m_Height = height;
  m_Pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), DefaultBackground);
}
TColor TBitmap::Pixel(int32_t x, int32_t y) const { return m_Pixels[static_cast<size_t>(y) * m_Width + x]; }
void TBitmap::SetPixel(int32_t x, int32_t y, TColor color) { m_Pixels[static_cast<size_t>(y) * m_Width + x] = color; }
void TBitmap::FillRect(int32_t, int32_t, int32_t, int32_t, TColor) {}
TColor TQuakePalette::ColorOf(uint8_t) const { return 0; }
uint8_t TQuakePalette::ReadFromFile(const std::string &, int32_t, int32_t) { return prNoFile; }
bool TQuakePak::LoadPalette() { return false; }
std::unique_ptr<TBitmap> TQuakePak::LumpToBitmap(const std::string &, TColor, bool) { return nullptr; }
TFileKind FileKindOf(const std::string &) { return fkUnknown; }
