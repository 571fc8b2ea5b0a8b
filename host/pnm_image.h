// Netpbm images (P1-P6, plain and raw, maxval up to 65535) read into the
// host's bitmaps: bitmaps (P1, P4) as 1 bpp, grey maps (P2, P5) as 8 bpp and
// pixmaps (P3, P6) as 24 bpp in blue, green, red order. Sizes are bounded;
// a short or malformed file is refused with the row where it failed.
#pragma once

#include <memory>
#include <string>

#include "host/journal.h"

namespace pkhost {

constexpr LONG kMaxImageSide = 16384;
constexpr uint64_t kMaxImagePixels = uint64_t(1) << 26;

// The image, or null with `error` saying why (naming the row when the data
// ends early or is bad).
std::shared_ptr<Bitmap> ReadPnm(const std::string& bytes, std::string* error);
std::shared_ptr<Bitmap> ReadPnmFile(const std::string& path, std::string* error);

}  // namespace pkhost
