// The colormap record: counts and packed entry data.
#include "raster/core/rst_colormap.h"

#include <climits>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

RstColormap::RstColormap(int bits, int channels, int entries) { init(bits, channels, entries); }

RstColormap::RstColormap(int bits, int channels, int entries, const uint8_t* data) {
  if (init(bits, channels, entries) && data && data_) std::memcpy(data_, data, size_);
}

RstColormap::~RstColormap() { rst_free(data_); }

bool RstColormap::init(int bits, int channels, int entries) {
  rst_free(data_);
  data_ = nullptr;
  size_ = 0;
  bits_ = bits;
  channels_ = channels;
  entries_ = entries;
  // Counts that give no representable size count as memory that cannot be had.
  bool valid = bits >= 0 && channels >= 0 && entries >= 0;
  int64_t n = valid ? (int64_t(bits) * channels * entries + 7) >> 3 : -1;
  if (n == 0) return true;
  if (n > 0 && n <= INT32_MAX) data_ = static_cast<uint8_t*>(rst_calloc(size_t(n)));
  if (!data_) {
    rst_report(RstCode::no_memory, "RstColormap::init()");
    return false;
  }
  size_ = int32_t(n);
  return true;
}

int64_t RstColormap::sample_bits() const { return data_ ? int64_t(bits_) * channels_ * entries_ : 0; }

bool RstColormap::operator==(const RstColormap& other) const {
  if (this == &other) return true;
  if (bits_ != other.bits_ || channels_ != other.channels_ || entries_ != other.entries_) return false;
  if (size() != other.size()) return false;
  int64_t n = sample_bits();
  int32_t whole = int32_t(n >> 3);
  if (whole > 0 && std::memcmp(data_, other.data_, size_t(whole)) != 0) return false;
  int rest = int(n & 7);
  if (rest == 0) return true;
  uint8_t mask = uint8_t((0xFF << (8 - rest)) & 0xFF);
  return (data_[whole] & mask) == (other.data_[whole] & mask);
}
