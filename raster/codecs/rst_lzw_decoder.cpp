// LZW decoding: codes are read from a one-block buffer, each string is
// expanded through the prefix chain onto a reusable output stack (so nothing
// is allocated per code), and the stack is popped into the lines.
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
            if (stack_count_ == 0 && next_string() <= 0) return;
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

    int32_t line(uint8_t* out) override
    {
        int32_t done = 0;
        while (done < line_bytes_) {
            if (stack_count_ == 0 && next_string() <= 0) return stop_status_;
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
        return 0;
    }

    // The next data byte, or -1 at the end of the data.
    int32_t next_byte()
    {
        if (block_position_ >= block_size_) {
            block_position_ = 0;
            block_size_ = 0;
            if (variant_ == 7) {
                // A sub-block: its size byte, then its bytes. A zero size
                // ends the data, and so do a missing or a short block.
                int32_t size = stream_->getc();
                if (size <= 0 || stream_->read(block_, 1, size) != size) return -1;
                block_size_ = size;
            } else {
                block_size_ = stream_->read_available(block_, sizeof block_);
                if (block_size_ <= 0) return -1;
            }
        }
        return block_[block_position_++];
    }

    // A code of the current width, or -1 at the end of the data.
    int32_t next_code()
    {
        const int32_t w = width_;
        if (lsb_) {
            while (bit_count_ < w) {
                int32_t b = next_byte();
                if (b < 0) return -1;
                bits_ |= static_cast<uint32_t>(b) << bit_count_;
                bit_count_ += 8;
            }
            int32_t code = static_cast<int32_t>(bits_ & ((1u << w) - 1));
            bits_ >>= w;
            bit_count_ -= w;
            return code;
        }
        while (bit_count_ < w) {
            int32_t b = next_byte();
            if (b < 0) return -1;
            bits_ = (bits_ << 8) | static_cast<uint32_t>(b);
            bit_count_ += 8;
        }
        bit_count_ -= w;
        int32_t code = static_cast<int32_t>((bits_ >> bit_count_) & ((1u << w) - 1));
        bits_ &= (1u << bit_count_) - 1;
        return code;
    }

    // Room for the longest string the table can hold now.
    bool reserve_stack()
    {
        int32_t need = stack_count_ + next_free_ - clear_code_ + 2;
        if (need <= stack_capacity_) return true;
        int32_t capacity = stack_capacity_;
        while (capacity < need) capacity += kStackStep;
        auto* grown = static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(capacity)));
        if (!grown) return false;
        std::copy(stack_, stack_ + stack_count_, grown);
        rst_free(stack_);
        stack_ = grown;
        stack_capacity_ = capacity;
        return true;
    }

    // Pushes the string of the next code; the stack count, or 0 when the data
    // has ended.
    int32_t next_string()
    {
        if (stop_status_ != 0) return 0;
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
            stack_[stack_count_++] = suffix_[code];
            first_byte_ = suffix_[code];
            previous_ = code;
            return stack_count_;
        }
        if (code > next_free_) return stop(RstCode::unsupported_form);
        if (!reserve_stack()) return stop(RstCode::no_memory);
        int32_t c = code;
        if (code == next_free_) {
            // The previous string plus its own first byte.
            stack_[stack_count_++] = first_byte_;
            c = previous_;
        }
        while (c > clear_code_) {
            stack_[stack_count_++] = suffix_[c];
            c = prefix_[c];
        }
        first_byte_ = suffix_[c];
        stack_[stack_count_++] = first_byte_;
        // A full table without a clear code ends the data.
        if (next_free_ == kTableSize) return stop(RstCode::unsupported_form);
        prefix_[next_free_] = static_cast<uint16_t>(previous_);
        suffix_[next_free_] = first_byte_;
        ++next_free_;
        if (next_free_ == code_limit_ && next_free_ != kTableSize && width_ < kMaxWidth) {
            ++width_;
            code_limit_ = (1 << width_) - (variant_ == 1 ? 1 : 0);
        }
        previous_ = code;
        return stack_count_;
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
