// PackBits coding and decoding.
#include "raster/codecs/rst_pack_bits.h"

#include <climits>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

int32_t RstPackBits::max_packed_size(int32_t n)
{
    if (n < 0) n = 0;
    double bound = static_cast<double>(n) * 4.0 / 3.0 + 0.5;
    return bound + 1 >= INT_MAX ? INT_MAX : static_cast<int32_t>(bound) + 1;
}

namespace {

void put_literal(RstEncodeBuffer& buffer, const uint8_t* bytes, int32_t n)
{
    if (n <= 0) return;
    buffer.put_char(static_cast<uint8_t>(n - 1));
    buffer.put_bytes(bytes, n);
}

}  // namespace

int32_t RstPackBits::pack(RstEncodeBuffer& buffer, const uint8_t* data, int32_t count)
{
    int32_t i = 0;
    int32_t literal = 0;  // start of the literal being gathered
    while (i < count) {
        // The run of equal bytes at i, at most 128 long.
        uint8_t b = data[i];
        int32_t limit = count - i < 128 ? count - i : 128;
        int32_t run = 1;
        while (run < limit && data[i + run] == b) ++run;
        if (run >= 2) {
            // Two equal bytes already pay as a run: they end the literal.
            put_literal(buffer, data + literal, i - literal);
            buffer.put_char(static_cast<uint8_t>(1 - run));
            buffer.put_char(b);
            i += run;
            literal = i;
        } else if (++i - literal == 128) {
            put_literal(buffer, data + literal, 128);
            literal = i;
        }
    }
    put_literal(buffer, data + literal, i - literal);
    return buffer.count;
}

RstPackBits* RstPackBits::create(RstRead* source)
{
    RstCreateGuard guard(source);
    if (!source || RstHeader(source).data_form != RstDataForm::raw) {
        rst_report(RstCode::bad_argument, "RstPackBits::create()");
        return nullptr;
    }
    return rst_create_end(rst_new<RstPackBits>(source), guard);
}

RstPackBits::RstPackBits(RstRead* source) : RstProcess(source) {}

RstPackBits::~RstPackBits()
{
    rst_free(input_);
}

void RstPackBits::header(RstHeader& h)
{
    RstProcess::header(h);
    h.data_form = RstDataForm::packbits;
}

bool RstPackBits::initiate()
{
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

int RstPackBits::read(uint8_t* line)
{
    int n = source()->read(input_);
    // A short line ends the image.
    if (n != input_size_ || n <= 0) return 0;
    RstEncodeBuffer out(line, bound_);
    return pack(out, input_, n);
}

int32_t PackBitsRunBuffer::read(RstCodeBuffer& code, uint8_t* out, int32_t n)
{
    while (n > 0) {
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
        if (header < 0) {
            int32_t v = code.take_byte();
            if (v < 0) {
                std::memset(out, 0, static_cast<size_t>(n));
                return -4;
            }
            int32_t length = 1 - header;
            // A run the line takes whole goes straight to it.
            uint8_t* target = length <= n ? out : data;
            std::memset(target, v, static_cast<size_t>(length));
            if (target == out) {
                out += length;
                n -= length;
            } else {
                position = 0;
                count = length;
            }
            continue;
        }
        // A literal of header + 1 bytes, straight into the line when it fits.
        int32_t length = header + 1;
        uint8_t* target = length <= n ? out : data;
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

RstUnPackBits* RstUnPackBits::create(RstRead* source)
{
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
    : RstProcess(source), lines_left_(height), height_(height), line_bytes_(line_bytes), code_(source)
{
}

void RstUnPackBits::header(RstHeader& h)
{
    RstProcess::header(h);
    h.data_form = RstDataForm::raw;
}

void RstUnPackBits::reset()
{
    source()->reset();
    code_.clear();
    runs_.clear();
    lines_left_ = height_;
    status_ = 1;
}

int RstUnPackBits::read(uint8_t* line)
{
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
    if (status_ <= 0)
        rst_report(-status_, "RstUnPackBits::read()");
    else if (runs_.short_literal)
        rst_report(RstCode::recoverable_decode, "RstUnPackBits::read()");
    return line_bytes_;
}
