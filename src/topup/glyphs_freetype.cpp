// FreeType rendering with a song-style (Ming) CJK face found through
// fontconfig; the GBK bytes are turned into a code point with iconv.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <iconv.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "topup/glyphs.h"

namespace icbus::topup {
namespace {

// The row of the baseline in the 16-pixel cell: a 16-pixel song face puts
// its ascent at 14 rows, as the Windows rasteriser does.
constexpr int kBaselineRow = 14;

// A song-style face first; any CJK face with a Ming design after it.
const char* const kFacePatterns[] = {"AR PL UMing CN", "AR PL UMing TW", "AR PL SungtiL GB",
                                     ":lang=zh-cn:style=Light", ":lang=zh-cn"};

bool GbkToCodePoint(const char gbk[2], char32_t* code_point) {
  iconv_t converter = iconv_open("UTF-32LE", "GBK");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  char in[2] = {gbk[0], gbk[1]};
  unsigned char out[8] = {};
  char* in_ptr = in;
  char* out_ptr = reinterpret_cast<char*>(out);
  std::size_t in_left = 2, out_left = sizeof out;
  std::size_t done = iconv(converter, &in_ptr, &in_left, &out_ptr, &out_left);
  iconv_close(converter);
  if (done == static_cast<std::size_t>(-1) || in_left != 0 || sizeof out - out_left != 4) {
    return false;
  }
  *code_point = static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
  // One double-byte character, not two single bytes.
  return static_cast<unsigned char>(gbk[0]) >= 0x81;
}

class FreeTypeRasteriser final : public Rasteriser {
 public:
  // An empty path: the face fontconfig finds.
  explicit FreeTypeRasteriser(std::string font_file = {}) : font_file_(std::move(font_file)) {}
  ~FreeTypeRasteriser() override {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }

  bool Draw(const char gbk[2], GlyphCell* cell) override {
    *cell = GlyphCell{};
    char32_t code_point = 0;
    if (!GbkToCodePoint(gbk, &code_point)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Ready()) return false;
    FT_UInt index = FT_Get_Char_Index(face_, code_point);
    if (index == 0) return false;
    if (FT_Load_Glyph(face_, index, FT_LOAD_RENDER | FT_LOAD_MONOCHROME | FT_LOAD_TARGET_MONO)) {
      return false;
    }
    const FT_GlyphSlot slot = face_->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    const int left = slot->bitmap_left, top = kBaselineRow - slot->bitmap_top;
    *cell = PackCell([&](int column, int row) {
      int x = column - left, y = row - top;
      if (x < 0 || y < 0 || x >= static_cast<int>(bitmap.width) ||
          y >= static_cast<int>(bitmap.rows)) {
        return false;
      }
      const unsigned char* line = bitmap.buffer + y * bitmap.pitch;
      return ((line[x / 8] >> (7 - x % 8)) & 1) != 0;
    });
    return true;
  }

 private:
  bool Ready() {
    if (face_) return true;
    if (tried_) return false;
    tried_ = true;
    std::string path = font_file_;
    int index = 0;
    if (path.empty() && !FindFace(&path, &index)) return false;
    if (FT_Init_FreeType(&library_)) return false;
    if (FT_New_Face(library_, path.c_str(), index, &face_)) {
      face_ = nullptr;
      return false;
    }
    if (FT_Set_Pixel_Sizes(face_, 0, kCellSize)) {
      FT_Done_Face(face_);
      face_ = nullptr;
      return false;
    }
    return true;
  }

  static bool FindFace(std::string* path, int* index) {
    if (!FcInit()) return false;
    for (const char* pattern_text : kFacePatterns) {
      FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(pattern_text));
      if (!pattern) continue;
      FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
      FcDefaultSubstitute(pattern);
      FcResult result = FcResultNoMatch;
      FcPattern* match = FcFontMatch(nullptr, pattern, &result);
      FcPatternDestroy(pattern);
      if (!match) continue;
      FcChar8* file = nullptr;
      FcCharSet* chars = nullptr;
      bool usable = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                    FcPatternGetCharSet(match, FC_CHARSET, 0, &chars) == FcResultMatch &&
                    FcCharSetHasChar(chars, 0x738B);  // a common Chinese character
      if (usable) {
        *path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
      }
      FcPatternDestroy(match);
      if (usable) return true;
    }
    return false;
  }

  const std::string font_file_;
  std::mutex mutex_;
  bool tried_ = false;
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

}  // namespace

std::unique_ptr<Rasteriser> FontFileRasteriser(const char* path) {
  return std::make_unique<FreeTypeRasteriser>(path ? path : "");
}

// A font file named by ICBUS_FONT replaces the search; when it cannot be
// loaded nothing is drawn, so the caller learns that the file is wrong.
Rasteriser& SystemRasteriser() {
  static FreeTypeRasteriser rasteriser(FontFileSetting());
  return rasteriser;
}

}  // namespace icbus::topup
