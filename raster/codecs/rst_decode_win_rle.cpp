// Windows bitmap run-length decoding.
#include "raster/codecs/rst_decode_win_rle.h"

#include <climits>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

namespace {

template <int Bits>
RstRead* make_decoder(RstRead* source, const char* where) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  return rst_create_end(rst_new<RstWinRLEDecoder<Bits>>(source), guard);
}

}  // namespace

RstRead* RstDecodeWinRLE8::create(RstRead* source) { return make_decoder<8>(source, "RstDecodeWinRLE8::create()"); }

RstRead* RstDecodeWinRLE4::create(RstRead* source) { return make_decoder<4>(source, "RstDecodeWinRLE4::create()"); }

RstDecodeWinRLE::RstDecodeWinRLE(RstRead* source, int32_t bits, const char* where)
    : RstProcess(source), bits_(bits), where_(where), code_(source) {
  RstHeader h(source);
  width_ = h.width > 0 ? h.width : 0;
  int64_t bytes = bits == 8 ? int64_t{width_} : (int64_t{width_} * 4 + 7) / 8;
  line_size_ = bytes > INT_MAX ? 0 : int32_t(bytes);
  rows_left_ = h.height > 0 ? h.height : 0;
}

void RstDecodeWinRLE::header(RstHeader& h) {
  RstProcess::header(h);
  h.data_form = RstDataForm::raw;
}

bool RstDecodeWinRLE::initiate() { return code_.ok() && line_size_ > 0; }

void RstDecodeWinRLE::reset() {
  y_ = t_ = x_ = 0;
  source()->reset();
  RstHeader h(source());
  rows_left_ = h.height > 0 ? h.height : 0;
  status_ = 1;
  // Bytes buffered before the reset belong to the old pass.
  code_.clear();
}

void RstDecodeWinRLE::put(uint8_t* line, int32_t x, int32_t v) {
  if (bits_ == 8) {
    line[x] = uint8_t(v);
  } else if (x % 2 == 0) {
    line[x / 2] = uint8_t((line[x / 2] & 0x0F) | (v << 4));
  } else {
    line[x / 2] = uint8_t((line[x / 2] & 0xF0) | (v & 0x0F));
  }
}

void RstDecodeWinRLE::run(uint8_t* line, int32_t n, int32_t v) {
  int64_t end = x_ + n < width_ ? x_ + n : width_;
  if (bits_ == 8) {
    if (x_ < end) std::memset(line + x_, v, size_t(end - x_));
  } else {
    for (int64_t x = x_; x < end; ++x) put(line, int32_t(x), (x - x_) % 2 == 0 ? v >> 4 : v & 0x0F);
  }
  x_ += n;
}

bool RstDecodeWinRLE::absolute(uint8_t* line, int32_t n) {
  int32_t bytes = bits_ == 8 ? n : (n + 1) / 2;
  for (int32_t i = 0; i < bytes; ++i) {
    int32_t b = code_.take_byte();
    if (b < 0) return false;
    if (bits_ == 8) {
      if (x_ + i < width_) line[x_ + i] = uint8_t(b);
    } else {
      int64_t x = x_ + 2 * i;
      if (x < width_) put(line, int32_t(x), b >> 4);
      if (2 * i + 1 < n && x + 1 < width_) put(line, int32_t(x + 1), b & 0x0F);
    }
  }
  if (bytes % 2 != 0 && code_.take_byte() < 0) return false;
  x_ += n;
  return true;
}

int RstDecodeWinRLE::fail() {
  status_ = RstCode::invalid_code;
  rst_report(RstCode::recoverable_decode, where_);
  return line_size_;
}

int RstDecodeWinRLE::read(uint8_t* line) {
  if (rows_left_ <= 0) return 0;
  --rows_left_;
  // Rows after an error or after the end of the bitmap are zero.
  std::memset(line, 0, size_t(line_size_));
  if (status_ <= 0) {
    rst_report(RstCode::recoverable_decode, where_);
    return line_size_;
  }
  if (y_ > t_) return line_size_;
  if (y_ < t_) {
    ++y_;
    return line_size_;
  }
  while (x_ < width_) {
    int32_t n = code_.take_byte();
    if (n < 0) return fail();
    if (n > 0) {
      int32_t v = code_.take_byte();
      if (v < 0) return fail();
      run(line, n, v);
      continue;
    }
    int32_t c = code_.take_byte();
    if (c < 0) return fail();
    if (c == 0) {
      ++t_;
      x_ = 0;
      ++y_;
      return line_size_;
    }
    if (c == 1) {
      t_ = 0;
      ++y_;
      return line_size_;
    }
    if (c == 2) {
      int32_t dx = code_.take_byte();
      int32_t dy = dx < 0 ? -1 : code_.take_byte();
      if (dy < 0) return fail();
      x_ += dx;
      t_ += dy;
      if (dy > 0) {
        ++y_;
        return line_size_;
      }
      continue;
    }
    if (!absolute(line, c)) return fail();
  }
  int32_t a = code_.take_byte();
  int32_t b = a < 0 ? -1 : code_.take_byte();
  if (a != 0 || (b != 0 && b != 1)) return fail();
  // An end of bitmap here ends the bitmap too: the rows left are zero.
  t_ = b == 1 ? 0 : t_ + 1;
  x_ = 0;
  ++y_;
  return line_size_;
}
