// The checks every one-axis scaler's create makes, in one order: a missing
// source or a size of 0 (or a negative height), then an unchanged size (the
// source itself, whatever its layout), then the direction a scaler is
// limited to, the pixel layout, and the sizes that 20.12 fixed point can
// hold. Each refusal is reported with the create's where-text.
#pragma once

#include <cstdint>

#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"
#include "raster/formats/rst_tiff_types.h"

enum class RstScaleAxis { width, height };
enum class RstScaleDirection { any, enlarge, reduce };
enum class RstScaleVerdict { refused, same, build };

// Sizes stay below 2^19 so that size << 12 fits in 31 bits.
inline constexpr int64_t kRstScaleMaxSize = int64_t(1) << 19;

// layout: true for a source header the scaler takes (null: any). A negative
// width asks for a mirror and is checked by its magnitude.
RstScaleVerdict rst_scale_check(RstRead* source, int32_t size, RstScaleAxis axis, const char* where,
                                bool (*layout)(const RstHeader&), RstScaleDirection direction = RstScaleDirection::any);

// The layouts the scalers take.
bool rst_scale_bilevel_raw(const RstHeader& h);
bool rst_scale_bilevel_runs(const RstHeader& h);

// floor(size * factor) in 64 bits, after reducing the factor; 0 for a zero
// denominator.
uint64_t rst_scale_size(uint32_t size, RstRational factor);
