// The header relations between the base image A and the operand B of a binary
// pixel operation, and the checks every create of those operations shares:
// written once, so that the dispatchers, the variant creates and the
// same-size creates agree on what they accept.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"

// Equal depth, channels, unsigned samples, raw or run lines, one colour type.
// Colormaps are not compared.
inline bool rst_pair_compatible(const RstHeader& a, const RstHeader& b) {
  return a.bits_per_sample == b.bits_per_sample && a.samples_per_pixel == b.samples_per_pixel &&
         a.sample_kind == b.sample_kind && a.sample_kind == RstSampleKind::unsigned_int && a.data_form == b.data_form &&
         (a.data_form == RstDataForm::raw || a.data_form == RstDataForm::rle) && a.color_type == b.color_type;
}

// Neither image indexed.
inline bool rst_pair_colormaps_strict(const RstHeader& a, const RstHeader& b) { return !a.colormap && !b.colormap; }

// Neither indexed, or both over the same or equal colormaps: a paste then
// copies indices that mean the same colours.
inline bool rst_pair_colormaps_paste(const RstHeader& a, const RstHeader& b) {
  if (!a.colormap && !b.colormap) return true;
  if (!a.colormap || !b.colormap) return false;
  return a.colormap.get() == b.colormap.get() || *a.colormap == *b.colormap;
}

inline bool rst_pair_covers_exactly(const RstHeader& a, const RstHeader& b, int32_t x, int32_t y) {
  return x == 0 && y == 0 && a.width == b.width && a.height == b.height;
}

// B wholly inside A at (x, y); in 64 bits, so that no offset or size wraps.
inline bool rst_pair_fits(const RstHeader& a, const RstHeader& b, int32_t x, int32_t y) {
  if (x < 0 || y < 0 || a.width < 0 || a.height < 0 || b.width < 0 || b.height < 0) return false;
  return int64_t(a.width) >= int64_t(x) + b.width && int64_t(a.height) >= int64_t(y) + b.height;
}

// The same image form in every respect but the pixels.
inline bool rst_pair_equal(const RstHeader& a, const RstHeader& b) {
  return a.width == b.width && a.height == b.height && a.bits_per_sample == b.bits_per_sample &&
         a.samples_per_pixel == b.samples_per_pixel && a.sample_kind == RstSampleKind::unsigned_int &&
         b.sample_kind == RstSampleKind::unsigned_int && a.data_form == b.data_form &&
         (a.data_form == RstDataForm::raw || a.data_form == RstDataForm::rle) && a.color_type == b.color_type &&
         !a.colormap && !b.colormap;
}

// Which create runs the shared checks: a dispatcher, or one of the variants
// with its own rule on the offset and the depth.
enum class RstPairRoute { dispatch, aligned_1bit, shifted_1bit, depth_8bit };

enum class RstPairVerdict { refused, covers, inside };

// The checks in their order: the vector of two present inputs and offsets of
// 0 or more (-2); compatible headers and the route's depth (-3); the
// colormap rule (-3); exact cover (covers); run lines, which only combine
// when they cover each other (-3); B inside A (-2), and the lines of both at
// least as long as their pixels need (-3). Reports at where; a and b get the
// headers.
RstPairVerdict rst_check_pixel_pair(const std::vector<RstRead*>& inputs, int32_t x, int32_t y, const char* where,
                                    RstPairRoute route, bool paste, RstHeader& a, RstHeader& b);

// The vector of two present inputs (-2 at where); a and b get the headers.
bool rst_check_pixel_vector(const std::vector<RstRead*>& inputs, const char* where, RstHeader& a, RstHeader& b);
