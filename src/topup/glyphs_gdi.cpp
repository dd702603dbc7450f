// GDI rendering: the Windows font "宋体" at 12 points (16 pixels), black on
// white, without anti-aliasing; the GBK bytes through code page 936.
#include <windows.h>

#include <memory>
#include <string>

#include "topup/glyphs.h"

namespace icbus::topup {
namespace {

constexpr wchar_t kSongFace[] = L"\u5b8b\u4f53";  // 宋体
constexpr UINT kGbkCodePage = 936;

// Converts a UTF-8 path for the wide Windows calls.
std::wstring Wide(const std::string& text) {
  int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length - 1));
  return wide;
}

class GdiRasteriser final : public Rasteriser {
 public:
  // A font file, when given, is added to this process's fonts (it should
  // hold the song face); when it cannot be added nothing is drawn.
  explicit GdiRasteriser(const std::string& font_file = {}) {
    if (!font_file.empty()) {
      usable_ = AddFontResourceExW(Wide(font_file).c_str(), FR_PRIVATE, nullptr) > 0;
    }
  }

  bool Draw(const char gbk[2], GlyphCell* cell) override {
    *cell = GlyphCell{};
    if (!usable_) return false;
    wchar_t text[2] = {};
    if (static_cast<unsigned char>(gbk[0]) < 0x81) return false;
    if (MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, gbk, 2, text, 2) != 1) {
      return false;
    }
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!dc) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kCellSize;
    info.bmiHeader.biHeight = -kCellSize;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HFONT font = CreateFontW(-kCellSize, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, kSongFace);
    bool drawn = false;
    if (bitmap && font && bits) {
      HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
      HGDIOBJ old_font = SelectObject(dc, font);
      RECT box{0, 0, kCellSize, kCellSize};
      FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkMode(dc, TRANSPARENT);
      // A face without the character would draw a substitute box.
      WORD glyph = 0xFFFF;
      drawn = GetGlyphIndicesW(dc, text, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
              glyph != 0xFFFF &&
              ExtTextOutW(dc, 0, 0, ETO_CLIPPED, &box, text, 1, nullptr) != 0;
      GdiFlush();
      const auto* pixels = static_cast<const std::uint32_t*>(bits);
      if (drawn) {
        *cell = PackCell([&](int column, int row) {
          return (pixels[row * kCellSize + column] & 0xFFFFFF) == 0;
        });
      }
      SelectObject(dc, old_font);
      SelectObject(dc, old_bitmap);
    }
    if (font) DeleteObject(font);
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(dc);
    return drawn;
  }

 private:
  bool usable_ = true;
};

}  // namespace

std::unique_ptr<Rasteriser> FontFileRasteriser(const char* path) {
  return std::make_unique<GdiRasteriser>(path ? path : "");
}

Rasteriser& SystemRasteriser() {
  static GdiRasteriser rasteriser(FontFileSetting());
  return rasteriser;
}

}  // namespace icbus::topup
