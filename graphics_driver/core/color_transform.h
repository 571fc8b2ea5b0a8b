// A small colour engine that turns device RGB pixels (blue, green, red bytes)
// into sRGB pixels: 256-entry input curves, then a 16.16 matrix or a 17^3
// lookup table into 12-bit linear sRGB, then the sRGB encoding. A transform
// is built from a fixed white point and gamma or from an ICC profile file
// (an RGB monitor or input profile), and lives in a storage of the colour
// converter.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win/win_types.h"

// Transform modes.
constexpr int32_t kTransformNone = -1;   // pixels are copied
constexpr int32_t kTransformMatrix = 0;  // curves and matrix
constexpr int32_t kTransformTable = 1;   // curves and lookup table

constexpr int kTableGrid = 17;
constexpr size_t kTableBytes = size_t(kTableGrid) * kTableGrid * kTableGrid * 3 * sizeof(uint16_t);
static_assert(kTableBytes == 29478);

struct ColorTransform {
  uint16_t curve[3][256];  // red, green, blue input curves: 8 bits -> 16-bit linear
  int32_t matrix[9];       // row-major 16.16; row 0 gives red, 1 green, 2 blue
  uint8_t reserved[12];
  uint16_t* table;  // mode 1: 17^3 nodes of red, green, blue; red slowest
  int32_t mode;
  // The 16-bit matrix results at the corners of the white cell, three rows
  // each: (E,E,E), (F,E,E), (E,F,E), (F,F,E), (E,E,F), (F,E,F), (E,F,F),
  // (F,F,F) with E = 0xEFFF and F = 0xFFFF.
  int32_t whiteCell[24];
  int32_t whiteCorrection;
};
static_assert(sizeof(ColorTransform) == 1696);
static_assert(offsetof(ColorTransform, curve) == 0);
static_assert(offsetof(ColorTransform, matrix) == 1536);
static_assert(offsetof(ColorTransform, table) == 1584);
static_assert(offsetof(ColorTransform, mode) == 1592);
static_assert(offsetof(ColorTransform, whiteCell) == 1596);
static_assert(offsetof(ColorTransform, whiteCorrection) == 1692);

// Builds a transform from the ICC profile file at the ANSI path: 0; -2 the
// file cannot be opened; -3 a read or seek failure (also a tag table or tag
// that does not fit the file); -4 built, but the file cannot be closed; -5
// no "acsp" signature; -6 colour space not RGB, or device class and PCS not
// accepted; -7 PCS neither XYZ nor Lab, the tags for a transform missing, or
// numbers that give no usable transform; -8 no memory. Every failure leaves
// mode -1.
int LoadProfileTransform(ColorTransform* transform, const char* path);
// White point 5000, 6500 or 9300 with gamma 10, 14, 18, 22 or 26 (tenths): 0;
// anything else -1 with mode -1.
int BuildWhitePointTransform(ColorTransform* transform, int whitePoint, int gamma);
// Converts count pixels of blue, green, red bytes from src into dst (which
// may be src); a null transform or mode -1 copies them.
void ApplyTransform(const ColorTransform* transform, const BYTE* src, BYTE* dst, size_t count);
// Releases the lookup table: 0, or -1 for null. Mode -1 afterwards.
int FreeTransform(ColorTransform* transform);

// ---- Helpers ------------------------------------------------------------------
// Reads until size bytes, the end of the file or an error: the byte count, or
// the negative error.
int ReadFully(int fd, void* buffer, unsigned size);
// A zeroed movable global block, locked; null on failure.
void* AllocLocked(size_t size);
// Unlocks and frees the block behind a pointer AllocLocked gave out.
void FreeLocked(void* pointer);

using Matrix3 = double[3][3];
// 1 with the inverse, 0 (out unset) for a zero determinant.
int InvertMatrix3(const Matrix3 m, Matrix3 out);
void MultiplyMatrix3(const Matrix3 a, const Matrix3 b, Matrix3 out);
// Stores the matrix as truncated 16.16 values: 1, or 0 (out partly written)
// when a value is not finite or does not fit.
int StoreTransformMatrix(const Matrix3 m, int32_t out[9]);
// CIE Lab to XYZ under the white (Xn, Yn, Zn).
void LabToXyz(double L, double a, double b, const double white[3], double xyz[3]);
// XYZ under the media white to linear sRGB through the adaptation toward D65:
// 1, or 0 when the white has no chromaticity (out unset).
int AdaptationMatrix(const double white[3], Matrix3 out);

// A "curv" (or parametric "para") tag of `size` bytes into 256 16-bit
// entries: 1, or 0 when the tag is not a curve or is too short for the count
// or parameters it declares.
int ReadCurveTag(const BYTE* tag, size_t size, uint16_t out[256]);
// Resamples n 8-bit entries (taken x 256) or n 16-bit big-endian entries to
// m entries: first and last exact, the others linear at k (n - 1) / (m - 1).
void ResampleCurve8(const BYTE* in, int n, uint16_t* out, int m);
void ResampleCurve16(const BYTE* in, int n, uint16_t* out, int m);
// Tetrahedral interpolation of a g^3 grid of three-channel nodes (8-bit, or
// 16-bit big-endian) at (a, b, c) in [0, 1]: three 16-bit values.
void InterpolateClut8(const BYTE* grid, int g, double a, double b, double c, uint16_t out[3]);
void InterpolateClut16(const BYTE* grid, int g, double a, double b, double c, uint16_t out[3]);
// Fills the transform's input curves and its 17^3 table (already allocated)
// from an "mft1" / "mft2" tag: 1, or 0 when the tag is too short for what it
// declares, has no grid or no table entries, or the white is unusable.
int BuildLutFromLut8(ColorTransform* transform, const BYTE* tag, size_t size, const double white[3], bool labPcs);
int BuildLutFromLut16(ColorTransform* transform, const BYTE* tag, size_t size, const double white[3], bool labPcs);
