// LZW decoding: codes are read from a one-block buffer and each string is
// expanded through the prefix chain, straight into the line when it fits,
// else onto a reusable output stack that the next line is served from first.
// Nothing is allocated per code.
#include "raster/codecs/rst_lzw_decoder.h"

#include <algorithm>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status.h"

namespace {

constexpr int32_t kTableSize = 4096;
constexpr int32_t kMaxWidth = 12;
constexpr int32_t kStackStart = 1024;
constexpr int32_t kStackStep = 256;

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
        for (int32_t code = 0; code < clear_code_; ++code) {
            prefix_[code] = 0;
            suffix_[code] = static_cast<uint8_t>(code);
            length_[code] = 1;
        }
    }
    ~LzwDecoderContext() override { rst_free(stack_); }

    // The output stack of its first size; false without memory.
    bool make_stack()
    {
        stack_ = static_cast<uint8_t*>(rst_malloc(kStackStart));
        stack_capacity_ = stack_ ? kStackStart : 0;
        return stack_ != nullptr;
    }

    // Decodes and drops the bytes before the first delivered line; what the
    // last string holds beyond them stays for that line. An end of the data
    // here shows at the first line.
    void skip_bytes(int64_t count)
    {
        while (count > 0 && stop_status_ == 0) {
            if (stack_count_ == 0 && next_string(nullptr, 0) < 0) return;
            int32_t n = static_cast<int32_t>(std::min<int64_t>(stack_count_, count));
            stack_count_ -= n;
            count -= n;
        }
    }

    int32_t info(TolvaneImageInfo* info) override
    {
        if (info) *info = info_;
        return RstCode::good;
    }

    // Fills the line from what the stack holds, then string by string: a
    // string that fits goes straight into the line, one that does not goes
    // onto the stack and the rest of it waits there for the next line.
    int32_t line(uint8_t* out) override
    {
        int32_t done = 0;
        while (done < line_bytes_) {
            if (stack_count_ == 0) {
                int32_t direct = next_string(out + done, line_bytes_ - done);
                if (direct < 0) return stop_status_;
                done += direct;
                if (direct > 0) continue;
            }
            // The top of the stack is the next byte out.
            int32_t n = std::min(stack_count_, line_bytes_ - done);
            const uint8_t* top = stack_ + stack_count_ - 1;
            for (int32_t k = 0; k < n; ++k) out[done + k] = top[-k];
            stack_count_ -= n;
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
    int32_t stop(int32_t status)
    {
        stop_status_ = status;
        stack_count_ = 0;
        return -1;
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

    // Room on the stack for a string of len bytes.
    bool reserve_stack(int32_t len)
    {
        if (len <= stack_capacity_) return true;
        int32_t capacity = stack_capacity_;
        while (capacity < len) capacity += kStackStep;
        auto* grown = static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(capacity)));
        if (!grown) return false;
        rst_free(stack_);
        stack_ = grown;
        stack_capacity_ = capacity;
        return true;
    }

    // Expands the string of the next code: into dst when it fits in room
    // bytes (the bytes written), else onto the empty stack (0); -1 when the
    // data has ended.
    int32_t next_string(uint8_t* dst, int32_t room)
    {
        if (stop_status_ != 0) return -1;
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
            first_byte_ = suffix_[code];
            previous_ = code;
            if (room >= 1) {
                *dst = first_byte_;
                return 1;
            }
            stack_[0] = first_byte_;
            stack_count_ = 1;
            return 0;
        }
        if (code > next_free_) return stop(RstCode::unsupported_form);
        const bool repeat = code == next_free_;  // the previous string plus its own first byte
        const int32_t len = repeat ? length_[previous_] + 1 : length_[code];
        const bool direct = len <= room;
        if (!direct && !reserve_stack(len)) return stop(RstCode::no_memory);
        // Written from the last byte back: straight into the line in order,
        // or onto the stack with the first byte on top.
        uint8_t* p = direct ? dst + len - 1 : stack_;
        const int step = direct ? -1 : 1;
        int32_t c = code;
        if (repeat) {
            *p = first_byte_;
            p += step;
            c = previous_;
        }
        const uint16_t* prefix = prefix_;
        const uint8_t* suffix = suffix_;
        const int32_t clear = clear_code_;
        while (c > clear) {
            *p = suffix[c];
            p += step;
            c = prefix[c];
        }
        const uint8_t first = suffix[c];
        *p = first;
        first_byte_ = first;
        if (!direct) stack_count_ = len;
        // A full table without a clear code ends the data.
        if (next_free_ == kTableSize) return stop(RstCode::unsupported_form);
        prefix_[next_free_] = static_cast<uint16_t>(previous_);
        suffix_[next_free_] = first;
        length_[next_free_] = static_cast<uint16_t>(length_[previous_] + 1);
        ++next_free_;
        if (next_free_ == code_limit_ && next_free_ != kTableSize && width_ < kMaxWidth) {
            ++width_;
            code_limit_ = (1 << width_) - (variant_ == 1 ? 1 : 0);
        }
        previous_ = code;
        return direct ? len : 0;
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
    int32_t stack_count_ = 0;
    int32_t stack_capacity_ = 0;
    uint8_t* stack_ = nullptr;
    int32_t bit_count_ = 0;
    uint32_t bits_ = 0;
    int32_t next_free_ = 0;
    int32_t code_limit_ = 0;
    int32_t stop_status_ = 0;  // 0 while data comes; the status of every line after
    uint16_t prefix_[kTableSize];
    uint8_t suffix_[kTableSize];
    uint16_t length_[kTableSize];  // bytes of each entry's string
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
    if (!context->make_stack()) {
        context->close();
        return rst_create_error_instance(RstCode::no_memory);
    }
    context->skip_bytes(int64_t{first_line} * line_bytes);
    return context;
}
