// The HSL transformers and their two nodes. All arithmetic is on
// non-negative 64-bit integers: at 16 bits the products pass 32 bits.
#include "raster/color/rst_transform_color_hsl.h"

#include <cstdint>

#include "raster/color/rst_color_attributes.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

template <class T>
ColorTransformer* CtRGBToHSL<T, T>::clone() const {
  return rst_new<CtRGBToHSL>(*this);
}

template <class T>
ColorTransformerInverse CtRGBToHSL<T, T>::inverse() const {
  return {rst_new<CtHSLToRGB<T, T>>(), CtInverseStatus::made};
}

template <class T>
void CtRGBToHSL<T, T>::transform_samples(in_run in, out_run out, unsigned pixels) {
  using V = typename T::value_type;
  constexpr int64_t MAX = T::max(), FULL = MAX + 1;
  enum Case { max_r_min_b, max_r_min_g, max_g, max_b };
  for (unsigned p = 0; p < pixels; ++p, in += 3, out += 3) {
    int64_t r = in[0], g = in[1], b = in[2];
    // The order of the tests settles ties.
    int64_t hi, lo;
    Case c;
    if (r < g) {
      if (r < b) {
        if (g < b) hi = b, lo = r, c = max_b;
        else hi = g, lo = r, c = max_g;
      } else {
        hi = g, lo = b, c = max_g;
      }
    } else if (g < b) {
      if (b <= r) hi = r, lo = g, c = max_r_min_g;
      else hi = b, lo = g, c = max_b;
    } else {
      hi = r, lo = b, c = max_r_min_b;
    }
    int64_t d = hi - lo, s = hi + lo;
    if (d == 0) {
      out[0] = 0;
      out[1] = 0;
      out[2] = V(hi);
      continue;
    }
    int64_t n = 0;
    switch (c) {
      case max_r_min_b: n = FULL * (g - b) + 3 * d; break;
      case max_r_min_g: n = FULL * (g - b) + (6 * FULL + 3) * d; break;  // the turn wraps
      case max_g: n = FULL * (b - r) + (2 * FULL + 3) * d; break;
      case max_b: n = FULL * (r - g) + (4 * FULL + 3) * d; break;
    }
    int64_t h = n / (6 * d);
    if (h >= FULL) h = 0;
    int64_t sat;
    if (s < FULL) {
      sat = ((s >> 1) + MAX * d) / s;
    } else {
      int64_t t = 2 * MAX - s;
      sat = ((t >> 1) + MAX * d) / t;
    }
    int64_t l = ((s + 1) * MAX) / (2 * MAX);
    out[0] = V(h);
    out[1] = V(sat);
    out[2] = V(l);
  }
}

template <class T>
ColorTransformer* CtHSLToRGB<T, T>::clone() const {
  return rst_new<CtHSLToRGB>(*this);
}

template <class T>
ColorTransformerInverse CtHSLToRGB<T, T>::inverse() const {
  return {rst_new<CtRGBToHSL<T, T>>(), CtInverseStatus::made};
}

template <class T>
void CtHSLToRGB<T, T>::transform_samples(in_run in, out_run out, unsigned pixels) {
  using V = typename T::value_type;
  constexpr int64_t MAX = T::max(), FULL = MAX + 1, HALF = MAX / 2;
  auto clamp = [](int64_t v) { return V(v < 0 ? 0 : (v > MAX ? MAX : v)); };
  for (unsigned p = 0; p < pixels; ++p, in += 3, out += 3) {
    int64_t h = in[0], s = in[1], l = in[2];
    if (s == 0) {
      out[0] = out[1] = out[2] = V(l);
      continue;
    }
    int64_t q, lo;
    if (2 * l < FULL) {
      q = ((MAX + s) * l + HALF) / MAX;
      lo = ((MAX - s) * l + HALF) / MAX;
    } else {
      q = (MAX * l + MAX * s - l * s + HALF) / MAX;
      lo = (MAX * l - MAX * s + s * l + HALF) / MAX;
    }
    int64_t k = (6 * h) / FULL, d = l - lo;
    // The ramp from lo to q across one sector, rounded half up.
    auto ramp = [&](int64_t x) { return lo + (4 * MAX * d * x + MAX * FULL / 2) / (MAX * FULL); };
    int64_t r, g, b;
    switch (k) {
      case 0: r = q, g = ramp(3 * h), b = lo; break;
      case 1: r = ramp(FULL - 3 * h), g = q, b = lo; break;
      case 2: r = lo, g = q, b = ramp(3 * h - FULL); break;
      case 3: r = lo, g = ramp(2 * FULL - 3 * h), b = q; break;
      case 4: r = ramp(3 * h - 2 * FULL), g = lo, b = q; break;
      default: r = q, g = lo, b = ramp(3 * FULL - 3 * h); break;
    }
    out[0] = clamp(r);
    out[1] = clamp(g);
    out[2] = clamp(b);
  }
}

template class CtRGBToHSL<UIntNBit<8>, UIntNBit<8>>;
template class CtRGBToHSL<UIntNBit<16>, UIntNBit<16>>;
template class CtHSLToRGB<UIntNBit<8>, UIntNBit<8>>;
template class CtHSLToRGB<UIntNBit<16>, UIntNBit<16>>;

namespace {

// Three unsigned samples of 8 or 16 bits: anything else would be read out of
// step with its pixels.
template <template <class, class> class C>
ColorTransformer* make_hsl(const ColorOutputAttributes& a, const char* where) {
  if (a.sample_kind() == RstSampleKind::unsigned_int && a.channels() == 3) {
    if (a.bits() == 8) return rst_new<C<UIntNBit<8>, UIntNBit<8>>>();
    if (a.bits() == 16) return rst_new<C<UIntNBit<16>, UIntNBit<16>>>();
  }
  rst_report(RstCode::unsupported_option, where);
  return nullptr;
}

}  // namespace

ColorTransformer* RstTransformColorRGBToHSL::create_color_transformer(const ColorOutputAttributes& attributes) {
  return make_hsl<CtRGBToHSL>(attributes, "RstTransformColorRGBToHSL::create_color_transformer()");
}

ColorTransformer* RstTransformColorHSLToRGB::create_color_transformer(const ColorOutputAttributes& attributes) {
  return make_hsl<CtHSLToRGB>(attributes, "RstTransformColorHSLToRGB::create_color_transformer()");
}

RstTransformColorRGBToHSL::RstTransformColorRGBToHSL(RstRead* source, RstColorType* color_type)
    : RstTransformColor(source, create_color_transformer(RstColorAttributes(source)), color_type) {}

RstTransformColorHSLToRGB::RstTransformColorHSLToRGB(RstRead* source, RstColorType* color_type)
    : RstTransformColor(source, create_color_transformer(RstColorAttributes(source)), color_type) {}

RstTransformColorRGBToHSL* RstTransformColorRGBToHSL::create(RstRead* source, RstColorType* color_type) {
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstTransformColorRGBToHSL>(source, color_type), guard);
}

RstTransformColorHSLToRGB* RstTransformColorHSLToRGB::create(RstRead* source, RstColorType* color_type) {
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstTransformColorHSLToRGB>(source, color_type), guard);
}
