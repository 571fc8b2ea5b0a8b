// PackBits coding and decoding.
#include "raster/codecs/rst_pack_bits.h"

#include <climits>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

int32_t RstPackBits::max_packed_size(int32_t n) {
  if (n < 0) n = 0;
  double bound = static_cast<double>(n) * 4.0 / 3.0 + 0.5;
  return bound + 1 >= INT_MAX ? INT_MAX : static_cast<int32_t>(bound) + 1;
}

namespace {

// Output with a capacity check per byte (bytes beyond it are dropped).
struct CheckedOut {
  RstEncodeBuffer& buffer;
  void put(uint8_t c) { buffer.put_char(c); }
  void put_bytes(const uint8_t* bytes, int32_t n) { buffer.put_bytes(bytes, n); }
};

// Output into a buffer known to hold the worst case.
struct UncheckedOut {
  uint8_t* p;
  void put(uint8_t c) { *p++ = c; }
  void put_bytes(const uint8_t* bytes, int32_t n) {
    std::memcpy(p, bytes, static_cast<size_t>(n));
    p += n;
  }
};

// Bytes equal to data[0] from the start, at most limit.
int32_t run_length(const uint8_t* data, int32_t limit) {
  int32_t run = 1;
  uint8_t b = data[0];
  // Eight bytes at a time while they all match.
  uint64_t pattern = 0x0101010101010101ull * b;
  while (run + 8 <= limit) {
    uint64_t v;
    std::memcpy(&v, data + run, 8);
    if (v != pattern) break;
    run += 8;
  }
  while (run < limit && data[run] == b) ++run;
  return run;
}

template <class Out>
void pack_into(Out& out, const uint8_t* data, int32_t count) {
  int32_t i = 0;
  int32_t literal = 0;  // start of the literal being gathered
  auto put_literal = [&](int32_t from, int32_t n) {
    if (n <= 0) return;
    out.put(static_cast<uint8_t>(n - 1));
    out.put_bytes(data + from, n);
  };
  while (i < count) {
    // The run of equal bytes at i, at most 128 long.
    int32_t limit = count - i < 128 ? count - i : 128;
    if (limit == 1 || data[i + 1] != data[i]) {
      if (++i - literal == 128) {
        put_literal(literal, 128);
        literal = i;
      }
      continue;
    }
    // Two equal bytes already pay as a run: they end the literal.
    int32_t run = run_length(data + i, limit);
    put_literal(literal, i - literal);
    out.put(static_cast<uint8_t>(1 - run));
    out.put(data[i]);
    i += run;
    literal = i;
  }
  put_literal(literal, i - literal);
}

}  // namespace

int32_t RstPackBits::pack(RstEncodeBuffer& buffer, const uint8_t* data, int32_t count) {
  if (count <= 0) return buffer.count;
  if (buffer.room() >= max_packed_size(count)) {
    UncheckedOut out{buffer.data + buffer.count};
    pack_into(out, data, count);
    buffer.count = static_cast<int32_t>(out.p - buffer.data);
  } else {
    CheckedOut out{buffer};
    pack_into(out, data, count);
  }
  return buffer.count;
}

RstPackBits* RstPackBits::create(RstRead* source) {
  RstCreateGuard guard(source);
  if (!source || RstHeader(source).data_form != RstDataForm::raw) {
    rst_report(RstCode::bad_argument, "RstPackBits::create()");
    return nullptr;
  }
  return rst_create_end(rst_new<RstPackBits>(source), guard);
}

RstPackBits::RstPackBits(RstRead* source) : RstProcess(source) {}

RstPackBits::~RstPackBits() { rst_free(input_); }

void RstPackBits::header(RstHeader& h) {
  RstProcess::header(h);
  h.data_form = RstDataForm::packbits;
}

bool RstPackBits::initiate() {
  input_size_ = source()->line_size();
  if (input_size_ < 0) input_size_ = 0;
  bound_ = max_packed_size(input_size_);
  input_ = static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(input_size_ > 0 ? input_size_ : 1)));
  if (!input_) {
    rst_report(RstCode::no_memory, "RstPackBits::initiate()");
    return false;
  }
  return true;
}

int RstPackBits::read(uint8_t* line) {
  int n = source()->read(input_);
  // A short line ends the image.
  if (n != input_size_ || n <= 0) return 0;
  RstEncodeBuffer out(line, bound_);
  return pack(out, input_, n);
}

int32_t PackBitsRunBuffer::read(RstCodeBuffer& code, uint8_t* out, int32_t n) {
  while (n > 0) {
    // The common case first, on local copies of the state: the staging
    // area is empty, the whole run is in the code buffer and fits the line.
    if (position >= count) {
      const uint8_t* p = code.buffer + code.position;
      const uint8_t* end = code.buffer + code.fill;
      while (n > 0 && end - p >= 129) {
        int32_t header = static_cast<int8_t>(p[0]);
        // Short runs (most of them on text pages) are written as 16 bytes
        // whenever the line has that room: one fixed-size store instead of a
        // branch on the length; the next run overwrites the surplus.
        if (header >= 0) {
          if (header + 1 > n) break;
          if (header < 16 && n >= 16) std::memcpy(out, p + 1, 16);
          else std::memcpy(out, p + 1, static_cast<size_t>(header + 1));
          p += header + 2;
          out += header + 1;
          n -= header + 1;
        } else if (header != -128) {
          if (1 - header > n) break;
          if (header > -16 && n >= 16) std::memset(out, p[1], 16);
          else std::memset(out, p[1], static_cast<size_t>(1 - header));
          p += 2;
          out += 1 - header;
          n -= 1 - header;
        } else {
          ++p;
        }
      }
      code.position = static_cast<int32_t>(p - code.buffer);
      if (n == 0) break;
    }
    if (position < count) {
      int32_t k = count - position < n ? count - position : n;
      std::memcpy(out, data + position, static_cast<size_t>(k));
      position += k;
      out += k;
      n -= k;
      continue;
    }
    int32_t h = code.take_byte();
    if (h < 0) {
      std::memset(out, 0, static_cast<size_t>(n));
      return -4;
    }
    int32_t header = static_cast<int8_t>(h);
    if (header == -128) continue;  // no operation
    // The run goes straight to the line when the line takes it whole,
    // otherwise to the staging area.
    int32_t length = header < 0 ? 1 - header : header + 1;
    uint8_t* target = length <= n ? out : data;
    if (header < 0) {
      int32_t v = code.take_byte();
      if (v < 0) {
        std::memset(out, 0, static_cast<size_t>(n));
        return -4;
      }
      std::memset(target, v, static_cast<size_t>(length));
    } else {
      int32_t got = 0;
      while (got < length) {
        if (code.position < code.fill) {
          int32_t k = code.fill - code.position;
          if (k > length - got) k = length - got;
          std::memcpy(target + got, code.buffer + code.position, static_cast<size_t>(k));
          code.position += k;
          got += k;
          continue;
        }
        int32_t b = code.take_byte();
        if (b < 0) {
          std::memset(target + got, 0xFF, static_cast<size_t>(length - got));
          short_literal = true;
          break;
        }
        target[got++] = static_cast<uint8_t>(b);
      }
    }
    if (target == out) {
      out += length;
      n -= length;
    } else {
      position = 0;
      count = length;
    }
  }
  return 1;
}

RstUnPackBits* RstUnPackBits::create(RstRead* source) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, "RstUnPackBits::create()");
    return nullptr;
  }
  RstHeader h(source);
  int64_t bits = int64_t(h.width) * h.samples_per_pixel * h.bits_per_sample;
  if (h.data_form != RstDataForm::packbits || bits < 0 || (bits + 7) / 8 > INT_MAX || h.height < 0) {
    rst_report(RstCode::unsupported_form, "RstUnPackBits::create()");
    return nullptr;
  }
  return rst_create_end(rst_new<RstUnPackBits>(source, static_cast<int32_t>((bits + 7) / 8), h.height), guard);
}

RstUnPackBits::RstUnPackBits(RstRead* source, int32_t line_bytes, int32_t height)
    : RstProcess(source), lines_left_(height), height_(height), line_bytes_(line_bytes), code_(source) {}

void RstUnPackBits::header(RstHeader& h) {
  RstProcess::header(h);
  h.data_form = RstDataForm::raw;
}

void RstUnPackBits::reset() {
  source()->reset();
  code_.clear();
  runs_.clear();
  lines_left_ = height_;
  status_ = 1;
}

int RstUnPackBits::read(uint8_t* line) {
  if (lines_left_ <= 0) return 0;
  --lines_left_;
  if (status_ <= 0) {
    // The code has ended: the line is blank, never old buffer contents.
    std::memset(line, 0, static_cast<size_t>(line_bytes_));
    rst_report(-status_, "RstUnPackBits::read()");
    return line_bytes_;
  }
  runs_.short_literal = false;
  status_ = runs_.read(code_, line, line_bytes_);
  if (status_ <= 0) rst_report(-status_, "RstUnPackBits::read()");
  else if (runs_.short_literal) rst_report(RstCode::recoverable_decode, "RstUnPackBits::read()");
  return line_bytes_;
}
