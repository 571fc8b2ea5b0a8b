// The CCITT decoder nodes: per-line control flow, resynchronisation, end codes
// and reporting.
#include "raster/codecs/rst_decode_ccitt.h"

#include <cstdio>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

namespace {

// Checks the source of a decoder factory; its header when it may be built.
bool check_source(RstRead* source, int32_t form, const char* where, RstHeader& h) {
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  h = RstHeader(source);
  if (h.data_form != form || h.width < 0 || h.height < 0) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  return true;
}

}  // namespace

RstDecodeCCITTBWToRLE::RstDecodeCCITTBWToRLE(RstRead* source, int32_t width, int32_t height)
    : RstProcess(source), height_(height), bits_(source), line_size_(rst_rle_line_bound(width)), width_(width) {}

void RstDecodeCCITTBWToRLE::header(RstHeader& h) {
  RstProcess::header(h);
  h.sample_kind = RstSampleKind::unsigned_int;
  h.data_form = RstDataForm::rle;
}

bool RstDecodeCCITTBWToRLE::initiate() {
  // Without its code buffer or its tables the decoder cannot read a bit;
  // both failures have been reported.
  return bits_.buffer.ok();
}

void RstDecodeCCITTBWToRLE::reset() {
  bits_.clear();
  line_counter_ = 0;
  status_ = 1;
  position_ = 0;
  source()->reset();
}

int RstDecodeCCITTBWToRLE::white_line(uint8_t* line) {
  RstRLELine out(line, 0);
  out.end_line();
  return 8;
}

void RstDecodeCCITTBWToRLE::report(const char* prefix) {
  const char* kind;
  int32_t status = status_;
  switch (status) {
    case 201: kind = "unexpected EOL "; break;
    case 202: kind = "unexpected RTC or EOB "; break;
    case 4: kind = "bad code recoverable by EOL "; break;
    case -11: kind = "unexpected EOF "; break;
    default: kind = "bad code "; break;
  }
  if (status == -11) {
    // Nothing more can be decoded: the remaining lines are white and
    // not reported again.
    status = -4;
    position_ = 0;
    status_ = kEnded;
  }
  char format[160];
  std::snprintf(format, sizeof format, "%s%saround %%dth pixel in %%dth line.", prefix, kind);
  char text[256];
  std::snprintf(text, sizeof text, format, (position_ < 0 ? 0 : position_) + 1, line_counter_);
  int32_t code = status > 0 ? status : -status;
  if (code != 1) rst_report(code, text);
}

RstDecodeCCITT2D::RstDecodeCCITT2D(RstRead* source, int32_t width, int32_t height)
    : RstDecodeCCITTBWToRLE(source, width, height), cp_(nullptr, width) {}

RstDecodeCCITT2D::~RstDecodeCCITT2D() { rst_free(reference_); }

bool RstDecodeCCITT2D::initiate() {
  if (!RstDecodeCCITTBWToRLE::initiate()) return false;
  reference_ = static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(line_size_)));
  if (!reference_) {
    rst_report(RstCode::no_memory, "RstDecodeCCITT2D::initiate()");
    return false;
  }
  cp_.runs = reinterpret_cast<int32_t*>(reference_);
  clear_reference();
  return true;
}

void RstDecodeCCITT2D::clear_reference() {
  if (!reference_) return;
  cp_.restart(0);
  cp_.end_line();
  cp_.restart(0);
}

void RstDecodeCCITT2D::reset() {
  clear_reference();
  RstDecodeCCITTBWToRLE::reset();
}

// ---- modified Huffman ----

RstDecodeMH* RstDecodeMH::create(RstRead* source, const RstMHOption* option) {
  RstCreateGuard guard(source);
  RstHeader h;
  if (!check_source(source, RstDataForm::mh, "RstDecodeMH::create()", h)) return nullptr;
  RstMHOption opt(1, 0, 1, 0, 0);
  if (option) opt = *option;
  return rst_create_end(rst_new<RstDecodeMH>(source, h, opt), guard);
}

RstDecodeMH::RstDecodeMH(RstRead* source, const RstHeader& h, const RstMHOption& option)
    : RstDecodeCCITTBWToRLE(source, h.width, h.height), option_(option), line_(h.width) {}

bool RstDecodeMH::initiate() { return RstDecodeCCITTBWToRLE::initiate() && line_.ok(); }

int RstDecodeMH::read(uint8_t* line) {
  static const char* prefix = "RstDecodeMH::read() - ";
  if (line_counter_ >= height_) return 0;
  ++line_counter_;
  if (status_ == kEnded) return white_line(line);
  if (option_.eol) {
    if (status_ <= 1) {
      RstCCITTLineResult r = line_.get_eol(bits_);
      status_ = r.status;
      position_ = r.position;
      if (status_ <= 0) {
        // The data ended before this line.
        status_ = -11;
        position_ = 0;
        report(prefix);
        return white_line(line);
      }
    }
  } else if (option_.byte_align) {
    if (status_ <= 0 && bits_.consumed() == line_start_ && bits_.count % 8 == 0) {
      // The last line failed on its first code at a byte boundary:
      // without a byte skipped it would fail there again and again.
      if (bits_.count >= 8) bits_.drop(8);
      else if (bits_.buffer.take_byte() >= 0) ++bits_.bytes_in;
    }
    bits_.align();
  }
  line_start_ = bits_.consumed();
  RstRLELine out(line, 0);
  RstCCITTLineResult r = line_.decode_line(bits_, out);
  status_ = r.status;
  position_ = r.position;
  if (status_ <= 0 && status_ != -11 && option_.eol) {
    int32_t found = line_.find_eol(bits_);
    status_ = -status_;
    if (found != 1) {
      report(prefix);
      status_ = -11;
      position_ = 0;
    } else if (option_.end_code && rst_ccitt_check_eols(bits_, 2)) {
      status_ = kEnded;
      position_ = 0;
    }
  }
  if (status_ == 1) return out.byte_count;
  report(prefix);
  return out.byte_count;
}

// ---- modified READ ----

RstDecodeMR* RstDecodeMR::create(RstRead* source, const RstMROption* option) {
  RstCreateGuard guard(source);
  RstHeader h;
  if (!check_source(source, RstDataForm::mr, "RstDecodeMR::create()", h)) return nullptr;
  RstMROption opt(1, 0, 0, 0, 4);
  if (option) opt = *option;
  return rst_create_end(rst_new<RstDecodeMR>(source, h, opt), guard);
}

RstDecodeMR::RstDecodeMR(RstRead* source, const RstHeader& h, const RstMROption& option)
    : RstDecodeCCITT2D(source, h.width, h.height), option_(option), line1d_(h.width), line2d_(h.width) {}

bool RstDecodeMR::initiate() { return line1d_.ok() && line2d_.ok() && RstDecodeCCITT2D::initiate(); }

void RstDecodeMR::reset() {
  tag_taken_ = false;
  RstDecodeCCITT2D::reset();
}

int RstDecodeMR::read(uint8_t* line) {
  static const char* prefix = "RstDecodeMR::read() - ";
  if (line_counter_ >= height_) return 0;
  ++line_counter_;
  if (status_ == kEnded) return white_line(line);
  bool one_d;
  if (tag_taken_) {
    one_d = true;
    tag_taken_ = false;
  } else {
    if (status_ <= 1) {
      RstCCITTLineResult r = line1d_.get_eol(bits_);
      status_ = r.status;
      position_ = r.position;
      if (status_ <= 0) {
        status_ = -11;
        position_ = 0;
        report(prefix);
        return white_line(line);
      }
    }
    one_d = bits_.take_bit() == 1;
  }
  RstRLELine out(line, 0);
  RstCCITTLineResult r = one_d ? line1d_.decode_line(bits_, out) : line2d_.decode_line(bits_, out, cp_);
  status_ = r.status;
  position_ = r.position;
  if (status_ <= 0 && status_ != -11 && option_.eol) {
    if (!one_d) {
      line1d_.saved_code = line2d_.saved_code;
      line1d_.saved_code_length = line2d_.saved_code_length;
      line1d_.eol_taken = line2d_.eol_taken;
    }
    int32_t found = line1d_.find_eol(bits_);
    status_ = -status_;
    if (found != 1) {
      report(prefix);
      status_ = -11;
      position_ = 0;
    } else if (option_.end_code) {
      // The found EOL's tag bit (1) is taken first; when no RTC
      // follows, the next line knows it is one-dimensional.
      bits_.take_bit();
      if (rst_ccitt_check_eols_tagged(bits_, 2)) {
        status_ = kEnded;
        position_ = 0;
      } else {
        tag_taken_ = true;
      }
    }
  }
  if (status_ > 0) {
    RstRLELine ref(reference_, 0);
    ref.assign(out);
  }
  if (status_ == 1) return out.byte_count;
  report(prefix);
  return out.byte_count;
}

// ---- T.6 ----

RstDecodeMMR* RstDecodeMMR::create(RstRead* source, const RstMMROption* option) {
  RstCreateGuard guard(source);
  RstHeader h;
  if (!check_source(source, RstDataForm::mmr, "RstDecodeMMR::create()", h)) return nullptr;
  RstMMROption opt(1, 0);
  if (option) opt = *option;
  return rst_create_end(rst_new<RstDecodeMMR>(source, h, opt), guard);
}

RstDecodeMMR::RstDecodeMMR(RstRead* source, const RstHeader& h, const RstMMROption& option)
    : RstDecodeCCITT2D(source, h.width, h.height), option_(option), line_(h.width) {}

bool RstDecodeMMR::initiate() { return line_.ok() && RstDecodeCCITT2D::initiate(); }

int RstDecodeMMR::read(uint8_t* line) {
  static const char* prefix = "RstDecodeMMR::read() - ";
  if (line_counter_ >= height_) return 0;
  ++line_counter_;
  if (status_ == kEnded) return white_line(line);
  RstRLELine out(line, 0);
  RstCCITTLineResult r = line_.decode_line(bits_, out, cp_);
  status_ = r.status;
  position_ = r.position;
  if (status_ <= 0 && status_ != -11 && option_.end_code && rst_ccitt_check_eols(bits_, 2)) {
    status_ = kEnded;
    position_ = 0;
  }
  if (status_ > 0) {
    RstRLELine ref(reference_, 0);
    ref.assign(out);
  }
  if (status_ == 1) return out.byte_count;
  report(prefix);
  return out.byte_count;
}
