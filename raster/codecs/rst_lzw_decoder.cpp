// LZW decoding: codes are read from a one-block buffer and each string is
// appended to an output history, from which the lines are served. A string
// that still stands in the history (every table entry is a string decoded
// earlier plus one byte, and the literals stand in a row of their own ahead
// of the output) is copied from there; others are expanded through the
// prefix chain. Nothing is allocated per code.
#include "raster/codecs/rst_lzw_decoder.h"

#include <algorithm>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status.h"

namespace {

constexpr int32_t kTableSize = 4096;
constexpr int32_t kMaxWidth = 12;
// The output history: the row of literals (each byte value at its own
// place, with room for a copy's last step beyond), then the output: the
// window of recent output that strings are copied from, a run of output
// written before the window has to be moved back to the front, and room
// for the longest string after it.
constexpr int32_t kSlack = 16;
constexpr int32_t kOutput = (1 << 11) + kSlack;
constexpr int32_t kWindow = 1 << 14;
constexpr int32_t kRun = 1 << 16;
constexpr int32_t kHistory = kOutput + kWindow + kRun + kTableSize;
// Short lines are decoded this far ahead, so that the decoding loop is
// entered once for many of them.
constexpr int32_t kAhead = 1 << 12;

}  // namespace

class LzwDecoderContext final : public RstInstanceTolvane {
 public:
  LzwDecoderContext(BrenvoldStream* stream, const TolvaneImageInfo& info, int32_t lines, int32_t variant,
                    int32_t line_bytes, int32_t min_code_bits, bool lsb)
      : stream_(stream), info_(info), variant_(variant), line_bytes_(line_bytes), lsb_(lsb || variant == 7) {
    info_.height = lines;
    lines_left_ = lines;
    clear_code_ = static_cast<uint16_t>(1 << min_code_bits);
    end_code_ = static_cast<uint16_t>(clear_code_ + 1);
    initial_width_ = min_code_bits == 1 ? 3 : min_code_bits + 1;
    width_ = initial_width_;
    next_free_ = clear_code_ + 2;
    code_limit_ = (1 << width_) - (variant_ == 1 ? 1 : 0);
    // Entries above the literals are written before they can be named;
    // a literal's place is recorded whenever it is written.
    for (int32_t code = 0; code < clear_code_; ++code) {
      prefix_[code] = 0;
      suffix_[code] = static_cast<uint8_t>(code);
      first_[code] = static_cast<uint8_t>(code);
      length_[code] = 1;
      where_[code] = code;
    }
    where_[clear_code_] = where_[end_code_] = -1;
  }
  ~LzwDecoderContext() override { rst_free(history_); }

  // The output history; false without memory.
  bool make_history() {
    history_ = static_cast<uint8_t*>(rst_malloc(kHistory + kSlack));
    if (!history_) return false;
    for (int32_t at = 0; at < kOutput; ++at) history_[at] = static_cast<uint8_t>(at);
    return true;
  }

  // Decodes and drops the bytes before the first delivered line; what the
  // last string holds beyond them stays for that line. An end of the data
  // here shows at the first line.
  void skip_bytes(int64_t count) {
    while (count > 0) {
      if (pending_ == end_) decode(static_cast<int32_t>(std::min<int64_t>(count, kWindow)));
      if (pending_ == end_) return;
      int32_t n = static_cast<int32_t>(std::min<int64_t>(end_ - pending_, count));
      pending_ += n;
      count -= n;
    }
  }

  int32_t info(TolvaneImageInfo* info) override {
    if (info) *info = info_;
    return RstCode::good;
  }

  // Fills the line from the decoded bytes not yet delivered, decoding as
  // needed; what a string holds beyond the line waits for the next one.
  int32_t line(uint8_t* out) override {
    int32_t done = 0;
    // Never ahead of the lines still to come: what follows them in the
    // stream is not this decoder's to read.
    int64_t ahead = std::min<int64_t>(kAhead, lines_left_ * int64_t{line_bytes_});
    if (lines_left_ > 0) --lines_left_;
    while (done < line_bytes_) {
      if (pending_ == end_)
        decode(static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(line_bytes_ - done, ahead - done), kWindow)));
      if (pending_ == end_) return stop_status_;
      int32_t n = std::min(end_ - pending_, line_bytes_ - done);
      std::memcpy(out + done, history_ + pending_, static_cast<size_t>(n));
      pending_ += n;
      done += n;
    }
    return RstCode::good;
  }

  int32_t close() override {
    delete this;
    return RstCode::good;
  }

 private:
  // Refills the block buffer; false at the end of the data.
  bool refill() {
    block_position_ = 0;
    block_size_ = 0;
    if (variant_ == 7) {
      // A sub-block: its size byte, then its bytes. A zero size ends
      // the data, and so do a missing or a short block.
      int32_t size = stream_->getc();
      if (size <= 0 || stream_->read(block_, 1, size) != size) return false;
      block_size_ = size;
    } else {
      block_size_ = stream_->read_available(block_, sizeof block_);
      if (block_size_ <= 0) return false;
    }
    return true;
  }

  void decode(int32_t want) {
    if (lsb_) decode_codes<true>(want);
    else decode_codes<false>(want);
  }

  // Decodes strings until at least want bytes wait in the history or the
  // data ends (then stop_status_ is set). The state lives in locals while
  // it runs: the history is written through byte pointers, which would
  // otherwise make the compiler reload every member after each byte. The
  // tables are reached through this, which keeps registers free for the
  // state.
  template <bool kLsb>
  void decode_codes(int32_t want) {
    if (stop_status_ != 0) return;
    uint8_t* const history = history_;
    const int32_t clear = clear_code_;
    const int32_t end_code = end_code_;
    const int32_t early = variant_ == 1 ? 1 : 0;
    uint64_t bits = bits_;
    int32_t count = bit_count_;
    int32_t position = block_position_;
    int32_t size = block_size_;
    int32_t width = width_;
    int32_t next_free = next_free_;
    int32_t limit = code_limit_;
    int32_t previous = previous_;
    uint8_t first_byte = first_byte_;
    int32_t pending = pending_;
    int32_t end = end_;
    int32_t status = 0;

    while (end - pending < want) {
      // The next code: the bit buffer takes four bytes at a time while
      // the block holds them, then the block's last bytes one by one.
      if (count < width) {
        if (size - position >= 4) {
          const uint8_t* b = block_ + position;
          position += 4;
          if (kLsb) {
            uint32_t v = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
            bits |= uint64_t{v} << count;
          } else {
            uint32_t v = static_cast<uint32_t>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
            bits = bits << 32 | v;
          }
          count += 32;
        } else {
          while (count < width) {
            if (position >= size) {
              bool more = refill();
              position = block_position_;
              size = block_size_;
              if (!more) break;
            }
            uint64_t b = block_[position++];
            bits = kLsb ? bits | b << count : bits << 8 | b;
            count += 8;
          }
          if (count < width) {
            status = RstCode::unsupported_form;
            break;
          }
        }
      }
      count -= width;
      int32_t code;
      if (kLsb) {
        code = static_cast<int32_t>(bits & ((1u << width) - 1));
        bits >>= width;
      } else {
        code = static_cast<int32_t>((bits >> count) & ((1u << width) - 1));
      }
      if (code == clear) {
        width = initial_width_;
        previous = -1;
        next_free = clear + 2;
        limit = (1 << width) - early;
        continue;
      }
      if (code == end_code) {
        previous = end_code;
        status = RstCode::unsupported_form;
        break;
      }
      // Room for the longest string: the oldest output beyond the
      // window (never bytes not yet delivered) is dropped.
      if (end + kTableSize > kHistory) {
        int32_t from = std::min(pending, end - kWindow);
        drop_history(from, end, next_free);
        end -= from - kOutput;
        pending -= from - kOutput;
      }
      if (previous < 0) {
        // The first code after a clear must be a literal.
        if (code > clear) {
          status = RstCode::unsupported_form;
          break;
        }
        first_byte = suffix_[code];
        where_[code] = end;
        history[end++] = first_byte;
        previous = code;
        continue;
      }
      if (code > next_free) {
        status = RstCode::unsupported_form;
        break;
      }
      const bool repeat = code == next_free;  // the previous string plus its own first byte
      const int32_t named = repeat ? previous : code;
      const int32_t len = length_[named] + (repeat ? 1 : 0);
      uint8_t* const dst = history + end;
      // A string still in the history is copied from there; any other
      // is expanded through its chain from its last byte back.
      const int32_t at = where_[named];
      if (at >= 0) {
        // Sixteen bytes at a time: the source ends before dst, and the
        // history has slack for what the last step writes beyond len.
        // A repeat's last byte is its first; after any other string
        // that byte lands beyond it, where the next string goes.
        const uint8_t* from = history + at;
        uint8_t* to = dst;
        const int32_t copied = len - (repeat ? 1 : 0);
        int32_t n = copied;
        do {
          uint64_t v[2];
          std::memcpy(v, from, 16);
          std::memcpy(to, v, 16);
          from += 16;
          to += 16;
          n -= 16;
        } while (n > 0);
        dst[copied] = first_byte;
      } else {
        uint8_t* p = dst + len - 1;
        int32_t c = code;
        if (repeat) {
          *p-- = first_byte;
          c = previous;
        }
        while (c > clear) {
          *p-- = suffix_[c];
          c = prefix_[c];
        }
        *p = suffix_[c];
      }
      // A repeat starts with the previous string, whose first byte
      // first_byte still holds.
      if (!repeat) first_byte = first_[code];
      // A full table without a clear code ends the data.
      if (next_free == kTableSize) {
        status = RstCode::unsupported_form;
        break;
      }
      // The new entry is the previous string and this one's first
      // byte, which stand one after the other.
      prefix_[next_free] = static_cast<uint16_t>(previous);
      suffix_[next_free] = first_byte;
      first_[next_free] = first_[previous];
      length_[next_free] = static_cast<uint16_t>(length_[previous] + 1);
      where_[next_free] = end - length_[previous];
      where_[code] = end;
      end += len;
      ++next_free;
      if (next_free == limit && next_free != kTableSize && width < kMaxWidth) {
        ++width;
        limit = (1 << width) - early;
      }
      previous = code;
    }

    bits_ = bits;
    bit_count_ = count;
    block_position_ = position;
    block_size_ = size;
    width_ = width;
    next_free_ = next_free;
    code_limit_ = limit;
    previous_ = previous;
    first_byte_ = first_byte;
    pending_ = pending;
    end_ = end;
    stop_status_ = status;
  }

  // Drops the output before from (end of the history in use); strings
  // recorded there can no longer be copied, literals again from their row.
  // Entries from next_free on are written before they are named.
  void drop_history(int32_t from, int32_t end, int32_t next_free) {
    std::memmove(history_ + kOutput, history_ + from, static_cast<size_t>(end - from));
    for (int32_t code = 0; code < next_free; ++code) {
      int32_t at = where_[code];
      if (at >= from) where_[code] = at - (from - kOutput);
      else if (at >= kOutput) where_[code] = code < clear_code_ ? code : -1;
    }
  }

  BrenvoldStream* stream_;
  TolvaneImageInfo info_;
  int32_t variant_;
  int32_t line_bytes_;
  int64_t lines_left_ = 0;  // lines not yet asked for
  int32_t block_size_ = 0;
  int32_t block_position_ = 0;
  uint8_t block_[256];
  int32_t initial_width_ = 0;
  int32_t width_ = 0;
  uint16_t clear_code_ = 0;
  uint16_t end_code_ = 0;
  int32_t previous_ = -1;
  uint8_t first_byte_ = 0;
  bool lsb_;
  int32_t bit_count_ = 0;
  uint64_t bits_ = 0;
  int32_t next_free_ = 0;
  int32_t code_limit_ = 0;
  int32_t stop_status_ = 0;  // 0 while data comes; the status of every line after
  // Decoded output: history_[pending_, end_) is not yet delivered.
  uint8_t* history_ = nullptr;
  int32_t pending_ = kOutput;
  int32_t end_ = kOutput;
  uint16_t prefix_[kTableSize];
  uint8_t suffix_[kTableSize];
  uint8_t first_[kTableSize];    // each entry's first byte
  uint16_t length_[kTableSize];  // bytes of each entry's string
  int32_t where_[kTableSize];    // where each code's string last started in the history (-1: nowhere)
};

RstInstanceTolvane* rst_lzw_create_decoder(BrenvoldStream* stream, int32_t first_line, int32_t line_count,
                                           const TolvaneImageInfo* info, int32_t line_bytes, int32_t min_code_bits,
                                           int32_t variant, int32_t lsb) {
  if (!stream || !info || first_line < 0 || line_count < 1 || line_bytes < 1 || info->height < 1 || min_code_bits < 1 ||
      min_code_bits > 11)
    return rst_create_error_instance(RstCode::bad_argument);
  int32_t height = info->height;
  if (first_line >= height) first_line = height - 1;
  int32_t count = std::min(line_count, height - first_line);
  auto* context = rst_new<LzwDecoderContext>(stream, *info, count, variant, line_bytes, min_code_bits, lsb == 1);
  if (!context) return rst_create_error_instance(RstCode::no_memory);
  if (!context->make_history()) {
    context->close();
    return rst_create_error_instance(RstCode::no_memory);
  }
  context->skip_bytes(int64_t{first_line} * line_bytes);
  return context;
}
