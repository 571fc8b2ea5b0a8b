// The test-side coder and the decode driver.
#include "ccitt_support.h"

#include "raster/codecs/rst_read_code.h"
#include "raster/core/byte_array_storage.h"
#include "tiff_peer.h"

namespace {

std::vector<uint8_t> pixels_of(const Runs& runs, int32_t width) {
  std::vector<uint8_t> px(static_cast<size_t>(width), 0);
  for (auto [f, l] : runs)
    for (int32_t x = f; x <= l; ++x) px[static_cast<size_t>(x)] = 1;
  return px;
}

}  // namespace

void put_2d_line(BitWriter& w, const Runs& ref_runs, const Runs& cur_runs, int32_t width, int32_t* counts) {
  std::vector<uint8_t> ref = pixels_of(ref_runs, width), cur = pixels_of(cur_runs, width);
  auto px = [&](const std::vector<uint8_t>& v, int32_t x) {
    return x < 0 || x >= width ? 0 : v[static_cast<size_t>(x)];
  };
  auto changing = [&](const std::vector<uint8_t>& v, int32_t x) { return px(v, x) != px(v, x - 1); };
  auto next_change = [&](const std::vector<uint8_t>& v, int32_t after) {
    for (int32_t x = after + 1; x < width; ++x)
      if (changing(v, x)) return x;
    return width;
  };
  int32_t a0 = -1;
  int32_t color = 0;
  while (a0 < width) {
    int32_t a1 = next_change(cur, a0);
    int32_t b1 = width;
    for (int32_t x = a0 + 1; x < width; ++x)
      if (changing(ref, x) && px(ref, x) != color) {
        b1 = x;
        break;
      }
    int32_t b2 = next_change(ref, b1);
    if (b2 < a1) {
      put_mode(w, 5, counts);
      a0 = b2;
    } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
      put_mode(w, a1 - b1, counts);
      a0 = a1;
      color ^= 1;
    } else {
      int32_t a2 = next_change(cur, a1);
      int32_t from = a0 < 0 ? 0 : a0;
      put_mode(w, 4, counts);
      put_run(w, color != 0, a1 - from);
      put_run(w, color == 0, a2 - a1);
      a0 = a2;
    }
  }
}

std::vector<uint8_t> encode_mmr(const std::vector<Runs>& lines, int32_t width, bool eofb, int32_t* counts) {
  BitWriter w;
  Runs ref;
  for (const Runs& cur : lines) {
    put_2d_line(w, ref, cur, width, counts);
    ref = cur;
  }
  if (eofb) {
    put_eol(w);
    put_eol(w);
  }
  return w.bytes;
}

Decoded decode_ccitt(const std::vector<uint8_t>& code, int32_t form, int32_t width, int32_t height,
                     const RstCodingOption* option, size_t chunk, int32_t max_lines, bool bit_reverse) {
  Decoded d;
  // The code bytes reach the decoder as a strip does: through the code
  // reader, in chunks of the given size.
  ByteArrayInputStorage storage(code.data(), static_cast<int32_t>(code.size()));
  RstRead* src =
      RstReadCode::create(&storage, static_cast<int32_t>(chunk), make_header(width, height, form), bit_reverse);
  if (!src) {
    d.invariants = false;
    d.violation = "no code reader";
    return d;
  }
  RstRead* node = nullptr;
  if (form == 1) node = RstDecodeMH::create(src, dynamic_cast<const RstMHOption*>(option));
  if (form == 2) node = RstDecodeMR::create(src, dynamic_cast<const RstMROption*>(option));
  if (form == 3) node = RstDecodeMMR::create(src, dynamic_cast<const RstMMROption*>(option));
  if (!node) {
    src->end();
    d.invariants = false;
    d.violation = "no decoder";
    return d;
  }
  std::vector<uint8_t> line(static_cast<size_t>(node->line_size()) + 16);
  for (int32_t i = 0; i < max_lines; ++i) {
    int n = node->read(line.data());
    if (n == 0) break;
    auto ok = run_line_ok(line.data(), n, width);
    if (!ok && d.invariants) {
      d.invariants = false;
      d.violation = std::string("line ") + std::to_string(i) + ": " + ok.message();
    }
    d.lines.push_back(runs_of(line.data(), n));
  }
  node->end();
  return d;
}

std::vector<uint8_t> paint_rows(const std::vector<Runs>& lines, int32_t width) {
  std::vector<uint8_t> out;
  for (const Runs& r : lines) {
    auto row = paint_row(r, width);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

TempDir::TempDir() : path(make_temp_dir()) {}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path.empty()) std::filesystem::remove_all(path, ec);
}
