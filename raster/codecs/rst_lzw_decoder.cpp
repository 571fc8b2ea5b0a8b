// LZW decoding: codes are read from a one-block buffer and each string is
// appended to an output history, from which the lines are served. A string
// that still stands in the history (every table entry is a string decoded
// earlier plus one byte) is copied from there; others are expanded through
// the prefix chain. Nothing is allocated per code.
#include "raster/codecs/rst_lzw_decoder.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status.h"

namespace {

constexpr int32_t kTableSize = 4096;
constexpr int32_t kMaxWidth = 12;
// The output history: the window of recent output that strings are copied
// from, and room for the longest string after it.
constexpr int32_t kWindow = 1 << 14;
constexpr int32_t kHistory = 2 * kWindow + kTableSize;
// Strings up to this long are expanded through their chain, longer ones
// copied from the history when they still stand there.
constexpr int32_t kCopyFrom = 4;

}  // namespace

class LzwDecoderContext final : public RstInstanceTolvane {
public:
    LzwDecoderContext(BrenvoldStream* stream, const TolvaneImageInfo& info, int32_t lines, int32_t variant,
                      int32_t line_bytes, int32_t min_code_bits, bool lsb)
        : stream_(stream), info_(info), variant_(variant), line_bytes_(line_bytes), lsb_(lsb || variant == 7)
    {
        info_.height = lines;
        clear_code_ = static_cast<uint16_t>(1 << min_code_bits);
        end_code_ = static_cast<uint16_t>(clear_code_ + 1);
        initial_width_ = min_code_bits == 1 ? 3 : min_code_bits + 1;
        restart_table();
        for (int32_t code = 0; code < kTableSize; ++code) where_[code] = -1;
        for (int32_t code = 0; code < clear_code_; ++code) {
            prefix_[code] = 0;
            suffix_[code] = static_cast<uint8_t>(code);
            length_[code] = 1;
        }
    }
    ~LzwDecoderContext() override { rst_free(history_); }

    // The output history; false without memory.
    bool make_history()
    {
        history_ = static_cast<uint8_t*>(rst_malloc(kHistory));
        return history_ != nullptr;
    }

    // Decodes and drops the bytes before the first delivered line; what the
    // last string holds beyond them stays for that line. An end of the data
    // here shows at the first line.
    void skip_bytes(int64_t count)
    {
        while (count > 0) {
            if (pending_ == end_ && !next_string()) return;
            int32_t n = static_cast<int32_t>(std::min<int64_t>(end_ - pending_, count));
            pending_ += n;
            count -= n;
        }
    }

    int32_t info(TolvaneImageInfo* info) override
    {
        if (info) *info = info_;
        return RstCode::good;
    }

    // Fills the line from the decoded bytes not yet delivered, decoding
    // string by string as needed; what a string holds beyond the line waits
    // for the next one.
    int32_t line(uint8_t* out) override
    {
        int32_t done = 0;
        while (done < line_bytes_) {
            if (pending_ == end_ && !next_string()) return stop_status_;
            int32_t n = std::min(end_ - pending_, line_bytes_ - done);
            std::memcpy(out + done, history_ + pending_, static_cast<size_t>(n));
            pending_ += n;
            done += n;
        }
        return RstCode::good;
    }

    int32_t close() override
    {
        delete this;
        return RstCode::good;
    }

private:
    void restart_table()
    {
        width_ = initial_width_;
        previous_ = -1;
        next_free_ = clear_code_ + 2;
        code_limit_ = (1 << width_) - (variant_ == 1 ? 1 : 0);
    }

    // Ends the data: this and every later line fail with status.
    bool stop(int32_t status)
    {
        stop_status_ = status;
        pending_ = end_;
        return false;
    }

    // Refills the block buffer; false at the end of the data.
    bool refill()
    {
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

    // A code of the current width, or -1 at the end of the data.
    int32_t next_code()
    {
        const int32_t w = width_;
        uint32_t bits = bits_;
        int32_t count = bit_count_;
        while (count < w) {
            if (block_position_ >= block_size_ && !refill()) return -1;
            uint32_t b = block_[block_position_++];
            bits = lsb_ ? bits | (b << count) : (bits << 8) | b;
            count += 8;
        }
        count -= w;
        int32_t code;
        if (lsb_) {
            code = static_cast<int32_t>(bits & ((1u << w) - 1));
            bits >>= w;
        } else {
            code = static_cast<int32_t>((bits >> count) & ((1u << w) - 1));
            bits &= (1u << count) - 1;
        }
        bits_ = bits;
        bit_count_ = count;
        return code;
    }

    // Room for len more bytes: the oldest output beyond the window (never
    // bytes not yet delivered) is dropped.
    void make_room(int32_t len)
    {
        if (end_ + len <= kHistory) return;
        int32_t from = std::min(pending_, end_ - kWindow);
        std::memmove(history_, history_ + from, static_cast<size_t>(end_ - from));
        base_ += from;
        end_ -= from;
        pending_ -= from;
    }

    // Decodes the next code and appends its string to the history; false
    // when the data has ended.
    bool next_string()
    {
        if (stop_status_ != 0) return false;
        int32_t code;
        for (;;) {
            code = next_code();
            if (code < 0) return stop(RstCode::unsupported_form);
            if (code == end_code_) {
                previous_ = end_code_;
                return stop(RstCode::unsupported_form);
            }
            if (code != clear_code_) break;
            restart_table();
        }
        if (previous_ < 0) {
            // The first code after a clear must be a literal.
            if (code > clear_code_) return stop(RstCode::unsupported_form);
            make_room(1);
            first_byte_ = suffix_[code];
            where_[code] = base_ + end_;
            history_[end_++] = first_byte_;
            previous_ = code;
            return true;
        }
        if (code > next_free_) return stop(RstCode::unsupported_form);
        const bool repeat = code == next_free_;  // the previous string plus its own first byte
        const int32_t len = repeat ? length_[previous_] + 1 : length_[code];
        make_room(len);
        uint8_t* dst = history_ + end_;
        // A string still in the history is copied from there; any other is
        // expanded through its chain from its last byte back.
        const int32_t source = repeat ? previous_ : code;
        const int64_t at = where_[source];
        uint8_t first;
        if (len > kCopyFrom && at >= base_) {
            std::memcpy(dst, history_ + (at - base_), static_cast<size_t>(repeat ? len - 1 : len));
            if (repeat) dst[len - 1] = first_byte_;
            first = dst[0];
        } else {
            first = expand(dst + len - 1, code, repeat);
        }
        first_byte_ = first;
        // A full table without a clear code ends the data.
        if (next_free_ == kTableSize) return stop(RstCode::unsupported_form);
        // The new entry is the previous string and this one's first byte,
        // which stand one after the other.
        const int32_t entry = next_free_;
        prefix_[entry] = static_cast<uint16_t>(previous_);
        suffix_[entry] = first;
        length_[entry] = static_cast<uint16_t>(length_[previous_] + 1);
        where_[entry] = base_ + end_ - length_[previous_];
        where_[code] = base_ + end_;
        end_ += len;
        next_free_ = entry + 1;
        if (next_free_ == code_limit_ && next_free_ != kTableSize && width_ < kMaxWidth) {
            ++width_;
            code_limit_ = (1 << width_) - (variant_ == 1 ? 1 : 0);
        }
        previous_ = code;
        return true;
    }

    // Writes the string of code (or, repeating, the previous string plus its
    // first byte) from its last byte at p back; its first byte.
    uint8_t expand(uint8_t* p, int32_t code, bool repeat)
    {
        int32_t c = code;
        if (repeat) {
            *p-- = first_byte_;
            c = previous_;
        }
        const uint16_t* prefix = prefix_;
        const uint8_t* suffix = suffix_;
        const int32_t clear = clear_code_;
        while (c > clear) {
            *p-- = suffix[c];
            c = prefix[c];
        }
        *p = suffix[c];
        return suffix[c];
    }

    BrenvoldStream* stream_;
    TolvaneImageInfo info_;
    int32_t variant_;
    int32_t line_bytes_;
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
    uint32_t bits_ = 0;
    int32_t next_free_ = 0;
    int32_t code_limit_ = 0;
    int32_t stop_status_ = 0;  // 0 while data comes; the status of every line after
    // Decoded output: history_[pending_, end_) is not yet delivered; byte i
    // of the buffer is byte base_ + i of the decoded data.
    uint8_t* history_ = nullptr;
    int32_t pending_ = 0;
    int32_t end_ = 0;
    int64_t base_ = 0;
    uint16_t prefix_[kTableSize];
    uint8_t suffix_[kTableSize];
    uint16_t length_[kTableSize];  // bytes of each entry's string
    int64_t where_[kTableSize];    // where each code's string last started in the decoded data (-1: nowhere)
};

RstInstanceTolvane* rst_lzw_create_decoder(BrenvoldStream* stream, int32_t first_line, int32_t line_count,
                                           const TolvaneImageInfo* info, int32_t line_bytes,
                                           int32_t min_code_bits, int32_t variant, int32_t lsb)
{
    if (!stream || !info || first_line < 0 || line_count < 1 || line_bytes < 1 || info->height < 1 ||
        min_code_bits < 1 || min_code_bits > 11)
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
