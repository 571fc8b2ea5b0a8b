// The composer's masked copy: per destination line, the covered span takes
// the source pixels whose mask bits are set.
#include "raster/mrc/rst_mrc_masked_paste.h"

#include <algorithm>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_pixel_binary_command.h"

namespace {

const char kCreate[] = "RstMRCMaskedPaste::create()";

// A node put in place of an input while conforming: ended when the create
// fails, so that the input goes back to the caller alone.
class Interim {
 public:
  explicit Interim(RstRead*& node) : node_(node), input_(node) {}
  ~Interim() {
    if (kept_ || node_ == input_) return;
    try {
      node_->end();
    } catch (const RstStatus&) {
    }
  }
  Interim(const Interim&) = delete;
  Interim& operator=(const Interim&) = delete;
  void keep() { kept_ = true; }

 private:
  RstRead*& node_;
  RstRead* input_;
  bool kept_ = false;
};

bool raw_form(const RstHeader& h) {
  return h.sample_kind == RstSampleKind::unsigned_int && h.data_form == RstDataForm::raw && !h.colormap &&
         (h.bits_per_sample == 1 || h.bits_per_sample == 8) && h.samples_per_pixel >= 1 &&
         (h.bits_per_sample == 8 || h.samples_per_pixel == 1);
}

}  // namespace

RstRead* RstMRCMaskedPaste::create(RstRead* d, RstRead* m, RstRead* s, int32_t x, int32_t y) {
  RstCreateGuard guard(d, m, s);
  if (!d || !m || !s) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  RstHeader hd(d), hm(m), hs(s);
  if (hm.bits_per_sample != 1 || hm.samples_per_pixel != 1 || hm.data_form != RstDataForm::raw) {
    rst_report(RstCode::unsupported_form, kCreate);
    return nullptr;
  }
  // Widths and heights compared unsigned, offsets signed.
  uint32_t w0 = std::min(uint32_t(hm.width), uint32_t(hs.width));
  uint32_t h0 = std::min(uint32_t(hm.height), uint32_t(hs.height));
  bool overlap = (x < 0 || uint32_t(x) < uint32_t(hd.width)) && (y < 0 || uint32_t(y) < uint32_t(hd.height)) &&
                 !(x < 0 && uint64_t(-int64_t(x)) >= w0) && !(y < 0 && uint64_t(-int64_t(y)) >= h0);
  if (!overlap) {
    m->end();
    s->end();
    return rst_create_end(d, guard);
  }
  Interim interim_d(d), interim_s(s);
  RstPixelOpaqueCommand conform;
  conform.expand_colormap(d, s);
  conform.change_depth_color(d, s);
  hd = RstHeader(d);
  hs = RstHeader(s);
  if (!raw_form(hd) || !raw_form(hs) || hd.bits_per_sample != hs.bits_per_sample ||
      hd.samples_per_pixel != hs.samples_per_pixel) {
    rst_report(RstCode::unsupported_form, kCreate);
    return nullptr;
  }
  RstMRCMaskedPaste* node = rst_new<RstMRCMaskedPaste>(d, m, s, x, y);
  if (node) {
    interim_d.keep();
    interim_s.keep();
  }
  return rst_create_end(node, guard);
}

RstMRCMaskedPaste::RstMRCMaskedPaste(RstRead* d, RstRead* m, RstRead* s, int32_t x, int32_t y) : RstCompose({d, m, s}) {
  RstHeader hd(d), hm(m), hs(s);
  line_size_ = d->line_size();
  mask_line_size_ = m->line_size();
  source_line_size_ = s->line_size();
  bits_ = hd.bits_per_sample;
  bytes_per_pixel_ = bits_ == 8 ? hd.samples_per_pixel : 1;
  int64_t w0 = std::min(hm.width, hs.width), h0 = std::min(hm.height, hs.height);
  left_cut_ = x < 0 ? int32_t(-int64_t(x)) : 0;
  top_cut_ = y < 0 ? int32_t(-int64_t(y)) : 0;
  dx_ = std::max(x, 0);
  dy_ = std::max(y, 0);
  cover_w_ = int32_t(std::max<int64_t>(0, std::min<int64_t>(w0 - left_cut_, int64_t(hd.width) - dx_)));
  cover_h_ = int32_t(std::max<int64_t>(0, std::min<int64_t>(h0 - top_cut_, int64_t(hd.height) - dy_)));
}

RstMRCMaskedPaste::~RstMRCMaskedPaste() {
  rst_free(mask_line_);
  rst_free(source_line_);
}

void RstMRCMaskedPaste::header(RstHeader& h) { input(0)->header(h); }

bool RstMRCMaskedPaste::initiate() {
  mask_line_ = static_cast<uint8_t*>(rst_malloc(size_t(std::max(mask_line_size_, 1))));
  source_line_ = static_cast<uint8_t*>(rst_malloc(size_t(std::max(source_line_size_, 1))));
  if (!mask_line_ || !source_line_) {
    rst_report(RstCode::no_memory, "RstMRCMaskedPaste::initiate()");
    return false;
  }
  return true;
}

bool RstMRCMaskedPaste::start_rows() {
  started_ = true;
  for (int32_t i = 0; i < top_cut_; ++i) {
    if (input(1)->read(mask_line_) != mask_line_size_) return false;
    if (input(2)->read(source_line_) != source_line_size_) return false;
  }
  return true;
}

int RstMRCMaskedPaste::read(uint8_t* line) {
  if (input(0)->read(line) != line_size_) return 0;
  int32_t row = row_++;
  if (row < dy_ || row - dy_ >= cover_h_) return line_size_;
  if (!started_ && !start_rows()) return 0;
  if (input(1)->read(mask_line_) != mask_line_size_ || input(2)->read(source_line_) != source_line_size_) return 0;
  for (int32_t i = 0; i < cover_w_; ++i) {
    int32_t from = left_cut_ + i, to = dx_ + i;
    if (!(mask_line_[from >> 3] & (0x80 >> (from & 7)))) continue;
    if (bits_ == 8) {
      std::memcpy(line + size_t(to) * bytes_per_pixel_, source_line_ + size_t(from) * bytes_per_pixel_,
                  size_t(bytes_per_pixel_));
    } else {
      uint8_t bit = uint8_t(0x80 >> (to & 7));
      if (source_line_[from >> 3] & (0x80 >> (from & 7))) {
        line[to >> 3] |= bit;
      } else {
        line[to >> 3] &= uint8_t(~bit);
      }
    }
  }
  return line_size_;
}

void RstMRCMaskedPaste::reset() {
  for (size_t i = 0; i < input_count(); ++i) input(i)->reset();
  row_ = 0;
  started_ = false;
}
