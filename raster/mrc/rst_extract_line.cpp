// The cross-kernel pattern match and the line extraction chain around it.
#include "raster/mrc/rst_extract_line.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_expansion_filter.h"
#include "raster/geometry/rst_scale.h"

namespace {

const char kMatchCreate[] = "RstSivraPatternMatch::create()";

// clang-format off
const int32_t kType1[25] = {
     0,  0, -1,  0,  0,
     0,  0,  1,  0,  0,
    -3,  3, 255, 4, -4,
     0,  0,  2,  0,  0,
     0,  0, -2,  0,  0,
};
const int32_t kType2[49] = {
     0,  0,  -1,  -1,  -1,  0,  0,
     0,  0,   1,   1,   1,  0,  0,
    -3,  3, 255, 255, 255,  4, -4,
    -3,  3, 255, 255, 255,  4, -4,
    -3,  3, 255, 255, 255,  4, -4,
     0,  0,   2,   2,   2,  0,  0,
     0,  0,  -2,  -2,  -2,  0,  0,
};
// clang-format on

bool gray8(RstRead* source) {
  RstHeader h(source);
  return h.bits_per_sample == 8 && h.samples_per_pixel == 1 && h.sample_kind == RstSampleKind::unsigned_int &&
         h.data_form == RstDataForm::raw && !h.colormap;
}

// A kernel the match can walk: square, odd, anchored at its centre, at least
// 3 x 3, with centre cells and cells of every inner side (their means divide
// by their counts).
bool usable_kernel(const RstKernel& k) {
  if (!k.has_weights() || k.width != k.height || k.width < 3 || k.width % 2 == 0) return false;
  if (k.anchor_x != (k.width - 1) / 2 || k.anchor_y != k.anchor_x) return false;
  bool seen[5] = {};
  for (int32_t i = 0; i < k.width * k.height; ++i) {
    int32_t code = k.weights()[i];
    if (code == RstSivraPatternMatch::kCentre) seen[0] = true;
    else if (code >= 1 && code <= 4) seen[code] = true;
  }
  return seen[0] && seen[1] && seen[2] && seen[3] && seen[4];
}

}  // namespace

void RstExtractLine::kernel(uint8_t type, RstKernel& out) {
  if (type == 2) out.set(7, 7, 3, 3, kType2);
  else out.set(5, 5, 2, 2, kType1);
}

RstSivraMatchParams RstExtractLine::parameters(uint8_t type) {
  if (type == 2) return {4, 120, 30, 100, 2};
  return {1, 70, 10, 100, 1};
}

RstRead* RstExtractLine::create(RstRead* source, uint32_t factor, uint8_t type, uint8_t border_flag) {
  const char* where = "RstExtractLine::create()";
  if (!source || factor == 0 || (type != 1 && type != 2)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!gray8(source)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstHeader h(source);
  RstCreateGuard guard(source);
  // Each step holds the one before; a failing step ends what was built, and
  // the guard keeps the source for the caller.
  RstRead* reduced = RstScaleIAR::create(source, factor, factor);
  if (!reduced) return nullptr;
  RstOwner<RstRead> held(reduced != source ? reduced : nullptr);
  RstSivraMatchParams params = parameters(type);
  const uint8_t border = border_flag ? 255 : 0;
  RstRead* match;
  {
    RstKernel k;
    kernel(type, k);
    match = RstSivraPatternMatch::create(reduced, &k, &border, &params);
  }
  if (!match) return nullptr;
  held.release();
  held.attach(match);
  const uint8_t outside = 0;
  RstRead* spread = RstExpansionFilter::create(match, RstWindow{5, 5, 2, 2}, &outside, 255, 255);
  if (!spread) return nullptr;
  held.release();
  held.attach(spread);
  RstRead* result = RstScaleNN::create(spread, h.width, h.height);
  if (!result) return nullptr;
  held.release();
  return rst_create_end(result, guard);
}

// --- pattern match ---

RstSivraPatternMatch* RstSivraPatternMatch::create(RstRead* source, const RstKernel* kernel, const uint8_t* border,
                                                   const RstSivraMatchParams* params) {
  if (!source || !kernel || !border || !params || !usable_kernel(*kernel) || (params->type != 1 && params->type != 2)) {
    rst_report(RstCode::bad_argument, kMatchCreate);
    return nullptr;
  }
  if (!gray8(source)) {
    rst_report(RstCode::unsupported_form, kMatchCreate);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstSivraPatternMatch>(source, *kernel, *border, *params), guard);
}

RstSivraPatternMatch::RstSivraPatternMatch(RstRead* source, const RstKernel& kernel, uint8_t border,
                                           const RstSivraMatchParams& params)
    : RstFilter<1>(source, kernel, &border), kernel_(kernel), params_(params) {
  t_ = params.type == 2 ? 2 : 1;
  n_ = 2 * t_ + 1;
}

RstSivraPatternMatch::~RstSivraPatternMatch() {
  rst_free(band_);
  rst_free(cells_);
}

bool RstSivraPatternMatch::initiate() {
  if (!RstFilter<1>::initiate() || !kernel_.has_weights()) return false;
  band_width_ = width_ + n_ - 1;
  const int32_t k = kernel_.width;
  band_ = static_cast<uint8_t*>(rst_calloc(size_t(n_) * size_t(band_width_)));
  cells_ = static_cast<Cell*>(rst_malloc(size_t(k) * size_t(k) * sizeof(Cell)));
  if (!band_ || !cells_) {
    rst_report(RstCode::no_memory, "RstSivraPatternMatch::initiate()");
    return false;
  }
  // Cells grouped: centre, inner sides 1..4, outer sides 1..4; unknown
  // codes take no part.
  cell_count_ = 0;
  for (int32_t g = 0; g <= 8; ++g) {
    group_[g] = 0;
    for (int32_t r = 0; r < k; ++r)
      for (int32_t c = 0; c < k; ++c) {
        int32_t code = kernel_.weights()[r * k + c];
        int32_t of = code == kCentre ? 0 : (code >= 1 && code <= 4 ? code : (code >= -4 && code <= -1 ? 4 - code : -1));
        if (of != g) continue;
        cells_[cell_count_++] = Cell{r, c, code};
        ++group_[g];
      }
  }
  return true;
}

void RstSivraPatternMatch::paint(int32_t x, int32_t y, int32_t r0, int32_t r1, int32_t c0, int32_t c1) {
  for (int32_t r = r0; r <= r1; ++r) {
    // Lines outside the image are never emitted; their band rows belong to
    // other lines.
    int32_t line = y - t_ + r;
    if (line < 0 || line >= height_) continue;
    uint8_t* row = band_ + size_t(line % n_) * size_t(band_width_);
    std::memset(row + x + c0, 255, size_t(c1 - c0 + 1));
  }
}

void RstSivraPatternMatch::match_pixel(int32_t x, int32_t y) {
  const int32_t k = kernel_.width;
  uint8_t* const* rows = ring_->lines();
  auto pix = [&](int32_t r, int32_t c) -> int32_t { return rows[r][x + c]; };
  // Sums and counts of the centre, inner sides (1..4) and outer sides, each
  // group walked on its own (the cells are sorted by group in initiate).
  const Cell* cell = cells_;
  int32_t v_min = 256, x_c = -1, s_c = 0;
  const int32_t n_c = group_[0];
  for (const Cell* end = cell + n_c; cell != end; ++cell) {
    int32_t v = pix(cell->row, cell->column);
    s_c += v;
    if (v > x_c) x_c = v;
    if (v < v_min) v_min = v;
  }
  const int32_t centre_min = v_min;
  int32_t s_in[5] = {}, n_in[5] = {}, s_out[5] = {}, n_out[5] = {};
  for (int32_t g = 1; g <= 8; ++g) {
    int32_t sum = 0, count = group_[g];
    for (const Cell* end = cell + count; cell != end; ++cell) {
      int32_t v = pix(cell->row, cell->column);
      sum += v;
      if (v < v_min) v_min = v;
    }
    if (g <= 4) s_in[g] = sum, n_in[g] = count;
    else s_out[g - 4] = sum, n_out[g - 4] = count;
  }
  int32_t e = 0;
  if (centre_min == v_min)
    for (int32_t i = 0; i < n_c; ++i) e += pix(cells_[i].row, cells_[i].column) == v_min;
  const int32_t mu = params_.mu, t1 = params_.t1, t2 = params_.t2, t3 = params_.t3;
  if (!(e < mu)) return;
  const int32_t c_mean = s_c / n_c;
  if (!(x_c - c_mean <= t1 && c_mean > t2 && v_min < 255 - t2)) return;
  int32_t m[5] = {};
  int32_t d = 1, running = 255;
  bool tie = false;
  for (int32_t s = 1; s <= 4; ++s) {
    m[s] = s_in[s] / n_in[s];
    if (m[s] < m[d]) d = s;
    if (m[s] < running) {
      running = m[s];
      tie = false;
    } else if (running != 0) {
      tie = true;
    }
  }
  const int32_t lowest = m[d];
  if (!(lowest < 255 - t2 && c_mean > lowest + t2)) return;
  if (tie) d = 4;
  static const int32_t kOpposite[5] = {0, 2, 1, 4, 3};
  const int32_t u = m[d], o = m[kOpposite[d]];
  const int32_t last = n_ - 1;
  if (c_mean > o && c_mean - o > t2 && std::abs(u - o) <= t3) {
    paint(x, y, 1, last - 1, 1, last - 1);
    return;
  }
  // The corner test of side d: P from the far outer side, Q the corner's
  // block, R the near side; a < b takes the left-hand corner.
  const int32_t in = k - 2, edge = k - 1;
  int32_t a, b, q, r;
  bool first;
  switch (d) {
    case 1:
      a = (pix(edge, 1) + s_out[2]) / (n_out[2] + 1);
      b = (pix(edge, in) + s_out[2]) / (n_out[2] + 1);
      first = a < b;
      if (first) {
        q = (pix(in, 1) + s_in[3] + s_in[2] + s_c) / (n_in[3] + n_in[2] + n_c + 1);
        r = (pix(1, 1) + s_in[1]) / (n_in[1] + 1);
      } else {
        q = (pix(in, in) + s_in[4] + s_in[2] + s_c) / (n_in[4] + n_in[2] + n_c + 1);
        r = (pix(1, in) + s_in[1]) / (n_in[1] + 1);
      }
      break;
    case 2:
      a = (pix(0, 1) + s_out[1]) / (n_out[1] + 1);
      b = (pix(0, in) + s_out[1]) / (n_out[1] + 1);
      first = a < b;
      if (first) {
        q = (pix(1, 1) + s_in[1] + s_in[3] + s_c) / (n_in[1] + n_in[3] + n_c + 1);
        r = (pix(in, 1) + s_in[2]) / (n_in[2] + 1);
      } else {
        q = (pix(1, in) + s_in[1] + s_in[4] + s_c) / (n_in[1] + n_in[4] + n_c + 1);
        r = (pix(in, in) + s_in[2]) / (n_in[2] + 1);
      }
      break;
    case 3:
      a = (pix(1, edge) + s_out[4]) / (n_out[4] + 1);
      b = (pix(in, edge) + s_out[4]) / (n_out[4] + 1);
      first = a < b;
      if (first) {
        q = (pix(1, in) + s_in[1] + s_in[4] + s_c) / (n_in[1] + n_in[4] + n_c + 1);
        r = (pix(1, 1) + s_in[3]) / (n_in[3] + 1);
      } else {
        q = (pix(in, in) + s_in[4] + s_in[2] + s_c) / (n_in[4] + n_in[2] + n_c + 1);
        r = (pix(in, 1) + s_in[3]) / (n_in[3] + 1);
      }
      break;
    default:
      a = (pix(1, 0) + s_out[3]) / (n_out[3] + 1);
      b = (pix(in, 0) + s_out[3]) / (n_out[3] + 1);
      first = a < b;
      // R reads column 1 here, the same pixel as Q.
      if (first) {
        q = (pix(1, 1) + s_in[3] + s_in[1] + s_c) / (n_in[1] + n_in[3] + n_c + 1);
        r = (pix(1, 1) + s_in[4]) / (n_in[4] + 1);
      } else {
        q = (pix(in, 1) + s_in[3] + s_in[2] + s_c) / (n_in[3] + n_in[2] + n_c + 1);
        r = (pix(in, 1) + s_in[4]) / (n_in[4] + 1);
      }
      break;
  }
  const int32_t p = first ? a : b;
  if (!(q > p && q - p > t2 && std::abs(r - p) <= t3)) return;
  // Corner blocks: rows 0..n-2 for the upper, 1..n-1 for the lower ones;
  // columns likewise for left and right.
  bool upper, left;
  switch (d) {
    case 1: upper = false, left = first; break;
    case 2: upper = true, left = first; break;
    case 3: upper = first, left = false; break;
    default: upper = first, left = true; break;
  }
  paint(x, y, upper ? 0 : 1, upper ? last - 1 : last, left ? 0 : 1, left ? last - 1 : last);
}

bool RstSivraPatternMatch::match_pass() {
  if (!ring_->advance()) return false;
  const int32_t y = passes_++;
  for (int32_t x = 0; x < width_; ++x) match_pixel(x, y);
  return true;
}

bool RstSivraPatternMatch::next_line(uint8_t* out) {
  if (next_ >= height_) return false;
  if (passes_ == 0)
    while (passes_ < t_)
      if (!match_pass()) return false;
  if (!match_pass()) return false;
  // No later pass reaches line next_ now.
  uint8_t* row = band_ + size_t(next_ % n_) * size_t(band_width_);
  if (out) std::memcpy(out, row + t_, size_t(width_));
  std::memset(row, 0, size_t(band_width_));
  ++next_;
  return true;
}

int RstSivraPatternMatch::read(uint8_t* line) { return next_line(line) ? width_ : 0; }

int RstSivraPatternMatch::skip(int n) {
  int done = 0;
  while (done < n && next_line(nullptr)) ++done;
  return done;
}

void RstSivraPatternMatch::reset() {
  next_ = 0;
  passes_ = 0;
  if (band_) std::memset(band_, 0, size_t(n_) * size_t(band_width_));
  RstFilter<1>::reset();
}
