// Movrane's page geometry (see page_geometry.h).
#include "platform/outside/movrane/page_geometry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "raster/core/rst_color_type.h"
#include "raster/core/rst_generate_constant_color_raster.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_align_x.h"
#include "raster/geometry/rst_clip.h"
#include "raster/geometry/rst_rotate90.h"
#include "raster/geometry/rst_scale.h"

namespace {

using Node = RstOwner<RstRead>;

RstHeader BilevelHeader(uint32_t width, uint32_t rows) {
  RstHeader h;
  h.width = int32_t(width);
  h.height = int32_t(rows);
  h.bits_per_sample = 1;
  h.samples_per_pixel = 1;
  h.color_type = RstColorType::s_gray_reverse();
  h.data_form = RstDataForm::raw;
  return h;
}

bool Sized(uint32_t width, uint32_t rows) {
  return width > 0 && rows > 0 && width <= kMaxPageDots && rows <= kMaxPageDots;
}

// A reader over the image's rows; the image must outlive it.
Node Source(const PackedRows& in) {
  if (!Sized(in.width, in.rows) || in.bits.size() < size_t(in.rows) * in.rowBytes) return {};
  return Node(RstReadRawFromByteArray::create(in.bits.data(), BilevelHeader(in.width, in.rows), int32_t(in.rowBytes),
                                              false, false));
}

Node White(uint32_t width, uint32_t rows) {
  if (!Sized(width, rows)) return {};
  static const uint8_t kWhite = 0;
  return Node(RstGenerateConstantColorRaster::create(BilevelHeader(width, rows), &kWhite));
}

// A node made from `from`: the new node holds it on success; on failure the
// source, left to the caller, is ended here.
Node Then(Node& from, RstRead* made) {
  if (!made) return {};
  if (made == from.get()) return std::move(from);
  from.release();
  return Node(made);
}

// Every row of the node, which must be a 1-bit image of its header's size.
bool Drain(Node node, PackedRows& out) {
  if (!node) return false;
  RstHeader h(node.get());
  if (h.bits_per_sample != 1 || h.samples_per_pixel != 1 || !Sized(uint32_t(h.width), uint32_t(h.height))) return false;
  out.width = uint32_t(h.width);
  out.rowBytes = (out.width + 7) / 8;
  out.rows = uint32_t(h.height);
  if (node->line_size() != int(out.rowBytes)) return false;
  out.bits.assign(size_t(out.rows) * out.rowBytes, 0);
  for (uint32_t y = 0; y < out.rows; ++y)
    if (node->read(out.bits.data() + size_t(y) * out.rowBytes) != int(out.rowBytes)) return false;
  // Bits after the last dot are kept clear, as the writers expect.
  if (out.width % 8)
    for (uint32_t y = 0; y < out.rows; ++y)
      out.bits[size_t(y) * out.rowBytes + out.rowBytes - 1] &= uint8_t(0xFF00 >> (out.width % 8));
  return true;
}

// The nodes side by side (null entries are left out).
Node Across(std::vector<Node>& parts) {
  std::vector<RstRead*> inputs;
  for (Node& p : parts)
    if (p) inputs.push_back(p.get());
  if (inputs.empty()) return {};
  RstRead* joined = RstAlignX::create(inputs);
  if (!joined) return {};
  for (Node& p : parts) p.release();
  return Node(joined);
}

void AppendRows(PackedRows& to, const PackedRows& from) {
  to.bits.insert(to.bits.end(), from.bits.begin(), from.bits.begin() + size_t(from.rows) * from.rowBytes);
  to.rows += from.rows;
}

// One cell: the page brought to fit cellWidth x cellRows, centred.
bool FillCell(const PackedRows& page, int turn, uint32_t cellWidth, uint32_t cellRows, PackedRows& cell) {
  PackedRows turned;
  const PackedRows* upright = &page;
  if (turn) {
    if (!TurnRows(page, turn, turned)) return false;
    upright = &turned;
  }
  const double fx = double(cellWidth) / upright->width, fy = double(cellRows) / upright->rows;
  const double f = std::min(fx, fy);
  const uint32_t width = std::clamp<uint32_t>(uint32_t(upright->width * f), 1, cellWidth);
  const uint32_t rows = std::clamp<uint32_t>(uint32_t(upright->rows * f), 1, cellRows);
  PackedRows placed;
  if (!ScaleRowsOR(*upright, width, rows, placed)) return false;
  return PlaceRows(placed, (cellWidth - width) / 2, (cellRows - rows) / 2, cellWidth, cellRows, cell);
}

// The first source line past the last block of the raster library's OR
// reducers, which step by a truncated fixed-point step and may leave the
// last line or two of a side in no block.
uint32_t CoveredLines(uint32_t source, uint32_t target) {
  const uint64_t step = (uint64_t(source) << 12) / target;
  return uint32_t(std::min<uint64_t>(source, (2048 + target * step) >> 12));
}

// The lines the reducers would leave out ORed into the last line they take,
// so that ink at the right and bottom edges survives; false when no line is
// left out (the image is then used as it is).
bool KeepEdges(const PackedRows& in, uint32_t width, uint32_t rows, PackedRows& kept) {
  const uint32_t lastColumns = width < in.width ? CoveredLines(in.width, width) : in.width;
  const uint32_t lastRows = rows < in.rows ? CoveredLines(in.rows, rows) : in.rows;
  const bool columns = lastColumns > 0 && lastColumns<in.width, lines = lastRows> 0 && lastRows < in.rows;
  if (!columns && !lines) return false;
  kept = in;
  if (columns) {
    for (uint32_t y = 0; y < in.rows; ++y) {
      uint8_t* row = kept.bits.data() + size_t(y) * kept.rowBytes;
      bool ink = false;
      for (uint32_t x = lastColumns; x < in.width && !ink; ++x) ink = row[x / 8] & (0x80 >> (x % 8));
      if (ink) row[(lastColumns - 1) / 8] |= uint8_t(0x80 >> ((lastColumns - 1) % 8));
    }
  }
  if (lines) {
    uint8_t* target = kept.bits.data() + size_t(lastRows - 1) * kept.rowBytes;
    for (uint32_t y = lastRows; y < in.rows; ++y)
      for (uint32_t i = 0; i < kept.rowBytes; ++i) target[i] |= kept.bits[size_t(y) * kept.rowBytes + i];
  }
  return true;
}

}  // namespace

PackedRows WhiteRows(uint32_t width, uint32_t rows) {
  PackedRows w;
  w.width = width;
  w.rowBytes = (width + 7) / 8;
  w.rows = rows;
  w.bits.assign(size_t(rows) * w.rowBytes, 0);
  return w;
}

bool TurnRows(const PackedRows& in, int angle, PackedRows& out) {
  if (angle != 90 && angle != 270) return false;
  Node src = Source(in);
  if (!src) return false;
  return Drain(Then(src, RstRotate90::create(src.get(), angle, false)), out);
}

bool ScaleRowsOR(const PackedRows& in, uint32_t width, uint32_t rows, PackedRows& out) {
  if (!Sized(width, rows)) return false;
  if (width == in.width && rows == in.rows) {
    out = in;
    return true;
  }
  PackedRows kept;
  Node src = Source(KeepEdges(in, width, rows, kept) ? kept : in);
  if (!src) return false;
  return Drain(Then(src, RstScaleOR::create(src.get(), int32_t(width), int32_t(rows))), out);
}

bool PlaceRows(const PackedRows& in, int64_t x, int64_t y, uint32_t width, uint32_t rows, PackedRows& out) {
  if (!Sized(width, rows)) return false;
  // The part of the image that stays inside.
  const int64_t left = std::max<int64_t>(x, 0), right = std::min<int64_t>(x + in.width, width);
  const int64_t top = std::max<int64_t>(y, 0), bottom = std::min<int64_t>(y + in.rows, rows);
  if (left >= right || top >= bottom) {
    out = WhiteRows(width, rows);
    return true;
  }
  Node src = Source(in);
  if (!src) return false;
  Node kept = Then(src, RstClip::create(src.get(), int32_t(left - x), int32_t(top - y), uint32_t(right - left),
                                        uint32_t(bottom - top)));
  if (!kept) return false;
  const uint32_t keptRows = uint32_t(bottom - top);
  std::vector<Node> parts;
  if (left > 0) parts.push_back(White(uint32_t(left), keptRows));
  parts.push_back(std::move(kept));
  if (right < width) parts.push_back(White(uint32_t(width - right), keptRows));
  if (parts.size() > 1 && std::any_of(parts.begin(), parts.end(), [](const Node& n) { return !n; })) return false;
  PackedRows band;
  if (!Drain(Across(parts), band)) return false;
  out = WhiteRows(width, uint32_t(top));
  AppendRows(out, band);
  AppendRows(out, WhiteRows(width, uint32_t(rows - bottom)));
  return true;
}

bool OverlayRows(const PackedRows& marks, PackedRows& sheet) {
  if (marks.rowBytes < (marks.width + 7) / 8 || marks.bits.size() < size_t(marks.rows) * marks.rowBytes ||
      sheet.rowBytes < (sheet.width + 7) / 8 || sheet.bits.size() < size_t(sheet.rows) * sheet.rowBytes)
    return false;
  PackedRows turned;
  const bool turn = (marks.width > marks.rows) != (sheet.width > sheet.rows);
  if (turn && !TurnRows(marks, 270, turned)) return false;
  const PackedRows& image = turn ? turned : marks;
  // Bits past a row's last dot are no ink: the image's padding is cut.
  const uint32_t rows = std::min(image.rows, sheet.rows), width = std::min(image.width, sheet.width);
  for (uint32_t y = 0; y < rows; ++y) {
    const uint8_t* from = image.bits.data() + size_t(y) * image.rowBytes;
    uint8_t* to = sheet.bits.data() + size_t(y) * sheet.rowBytes;
    for (uint32_t i = 0; i < width / 8; ++i) to[i] |= from[i];
    if (width % 8) to[width / 8] |= from[width / 8] & uint8_t(0xFF << (8 - width % 8));
  }
  return true;
}

uint32_t InkRows(const PackedRows& in) {
  for (uint32_t y = in.rows; y > 0; --y) {
    const uint8_t* row = in.bits.data() + size_t(y - 1) * in.rowBytes;
    if (std::any_of(row, row + in.rowBytes, [](uint8_t b) { return b != 0; })) return y;
  }
  return 0;
}

bool BuildNupSheet(const PackedRows* pages, int count, int perSheet, uint32_t sheetWidth, uint32_t sheetRows,
                   PackedRows& sheet) {
  if (!Sized(sheetWidth, sheetRows) || sheetWidth < 2 || sheetRows < 2 || (perSheet != 2 && perSheet != 4))
    return false;
  // The grid: columns x rows of cells, and the slot of each cell, row by
  // row from the top left.
  const bool wide = sheetWidth > sheetRows;
  const uint32_t columns = perSheet == 4 || wide ? 2 : 1;
  const uint32_t gridRows = perSheet == 4 || !wide ? 2 : 1;
  const int turn = perSheet == 2 ? 270 : 0;
  const int upright2[] = {1, 0}, inOrder[] = {0, 1, 2, 3};
  const int* slotOf = perSheet == 2 && !wide ? upright2 : inOrder;
  sheet = PackedRows{};
  sheet.width = sheetWidth;
  sheet.rowBytes = (sheetWidth + 7) / 8;
  for (uint32_t gy = 0, cell = 0; gy < gridRows; ++gy) {
    const uint32_t cellRows = gy + 1 < gridRows ? sheetRows / gridRows : sheetRows - sheetRows / gridRows * gy;
    std::vector<PackedRows> cells(columns);
    std::vector<Node> parts;
    for (uint32_t gx = 0; gx < columns; ++gx, ++cell) {
      const uint32_t cellWidth = gx + 1 < columns ? sheetWidth / columns : sheetWidth - sheetWidth / columns * gx;
      const int slot = slotOf[cell];
      const bool filled = slot < count && pages[slot].rows > 0 && pages[slot].width > 0;
      if (filled && !FillCell(pages[slot], turn, cellWidth, cellRows, cells[gx])) return false;
      parts.push_back(filled ? Source(cells[gx]) : White(cellWidth, cellRows));
      if (!parts.back()) return false;
    }
    PackedRows band;
    if (!Drain(Across(parts), band)) return false;
    AppendRows(sheet, band);
  }
  return sheet.rows == sheetRows;
}

void ConvertedSpan(const RowScale& s, uint32_t top, uint32_t count, uint32_t pageRows, uint64_t& first, uint64_t& end) {
  const uint64_t bottom = uint64_t(top) + count;
  first = s.Out(top);
  // A piece that ends inside an output row's source rows delivers that row
  // too, unless the page ends there.
  end = bottom >= pageRows || s.to >= s.from ? s.Out(bottom) : s.Out(bottom - 1) + 1;
}

bool ConvertRows(const PackedRows& in, const RowScale& s, uint32_t top, uint32_t pageRows, PackedRows& out) {
  if (s.from == 0 || s.to == 0 || in.rows == 0) return false;
  const uint32_t width = uint32_t(uint64_t(in.width) * s.to / s.from);
  uint64_t first = 0, end = 0;
  ConvertedSpan(s, top, in.rows, pageRows, first, end);
  if (width == 0 || end - first > kMaxPageDots) return false;
  // At least one row: a piece lost below the page's last row still joins.
  const uint32_t rows = uint32_t(std::max<uint64_t>(end - first, 1));
  PackedRows across;
  if (!ScaleRowsOR(in, width, in.rows, across)) return false;
  out = WhiteRows(width, rows);
  if (s.to < s.from) {
    for (uint32_t y = 0; y < in.rows; ++y) {
      const uint64_t r = s.Out(uint64_t(top) + y) - first;
      if (r >= rows) break;
      const uint8_t* from = across.bits.data() + size_t(y) * across.rowBytes;
      uint8_t* to = out.bits.data() + size_t(r) * out.rowBytes;
      for (uint32_t i = 0; i < out.rowBytes; ++i) to[i] |= from[i];
    }
  } else {
    // Each source row fills the output rows its span covers.
    for (uint32_t y = 0; y < in.rows; ++y) {
      const uint64_t a = s.Out(uint64_t(top) + y) - first, b = s.Out(uint64_t(top) + y + 1) - first;
      for (uint64_t r = a; r < b && r < rows; ++r)
        std::memcpy(out.bits.data() + size_t(r) * out.rowBytes, across.bits.data() + size_t(y) * across.rowBytes,
                    out.rowBytes);
    }
  }
  return true;
}

bool JoinConverted(const PackedRows& upper, uint64_t upperFirst, const PackedRows& lower, uint64_t lowerFirst,
                   uint64_t lowerEnd, PackedRows& out) {
  if (upper.width != lower.width || lowerFirst < upperFirst || lowerEnd < lowerFirst) return false;
  const uint64_t upperEnd = upperFirst + upper.rows;
  const uint32_t shared =
      uint32_t(std::min<uint64_t>(upperEnd > lowerFirst ? upperEnd - lowerFirst : 0, std::min(upper.rows, lower.rows)));
  out = upper;
  out.rows -= shared;
  out.bits.resize(size_t(out.rows) * out.rowBytes);
  PackedRows merged = lower;
  for (size_t i = 0; i < size_t(shared) * upper.rowBytes; ++i)
    merged.bits[i] |= upper.bits[size_t(out.rows) * upper.rowBytes + i];
  AppendRows(out, merged);
  // Rows below the page's last output row are not part of the page.
  const uint64_t rows = std::max<uint64_t>(lowerEnd - upperFirst, 1);
  if (out.rows > rows) {
    out.rows = uint32_t(rows);
    out.bits.resize(size_t(out.rows) * out.rowBytes);
  }
  return true;
}
