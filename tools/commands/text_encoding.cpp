#include "commands/text_encoding.h"

namespace icbus::tool {

bool AllDoubleByte(const std::string& gbk) {
  for (size_t i = 0; i < gbk.size(); i += 2) {
    unsigned char lead = static_cast<unsigned char>(gbk[i]);
    // A GBK lead byte is 0x81 to 0xFE; anything else stands alone.
    if (lead < 0x81 || lead == 0xFF || i + 1 >= gbk.size()) return false;
  }
  return true;
}

}  // namespace icbus::tool
