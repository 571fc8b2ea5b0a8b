// The CCITT encoder test helpers.
#include "ccitt_encode_support.h"

#include <memory>

#include "raster/codecs/rst_encode_ccitt.h"
#include "raster/core/rst_owner.h"

int RowSource::read(uint8_t* line) {
  if (next_ >= rows_.size()) return 0;
  const std::vector<uint8_t>& row = rows_[next_++];
  ++reads;
  if (!run_lines_) {
    if (!row.empty()) std::memcpy(line, row.data(), row.size());
    return static_cast<int>(row.size());
  }
  Runs runs = naive_runs(row.data(), width_);
  auto* p = reinterpret_cast<int32_t*>(line);
  for (size_t i = 0; i < runs.size(); ++i) {
    p[2 * i] = runs[i].first;
    p[2 * i + 1] = runs[i].second;
  }
  p[2 * runs.size()] = -1;
  p[2 * runs.size() + 1] = -1;
  return static_cast<int>(runs.size() + 1) * 8;
}

std::string Coding::name() const {
  const char* f = form == Form::mh ? "MH" : form == Form::mr ? "MR" : "MMR";
  return std::string(f) + " end " + std::to_string(end_code) + " eol " + std::to_string(eol) + " align " +
         std::to_string(byte_align) + " k " + std::to_string(k);
}

RstCodingOption* Coding::option() const {
  switch (form) {
    case Form::mh: return new RstMHOption(end_code, 0, eol, 0, byte_align);
    case Form::mr: return new RstMROption(end_code, 0, 0, byte_align, k);
    default: return new RstMMROption(end_code, 0);
  }
}

std::vector<Coding> all_codings() {
  std::vector<Coding> list;
  for (uint8_t end : {0, 1}) {
    for (uint8_t eol : {0, 1})
      for (uint8_t align : {0, 1}) list.push_back({Form::mh, end, eol, align, 0});
    for (uint8_t align : {0, 1})
      for (int32_t k : {1, 2, 4}) list.push_back({Form::mr, end, 1, align, k});
    list.push_back({Form::mmr, end, 0, 0, 0});
  }
  return list;
}

RstRead* make_encoder(const Coding& c, RstRead* source) {
  std::unique_ptr<RstCodingOption> option(c.option());
  switch (c.form) {
    case Form::mh: return RstEncodeMH::create(source, option.get());
    case Form::mr: return RstEncodeMR::create(source, option.get());
    default: return RstEncodeMMR::create(source, option.get());
  }
}

Encoded encode_rows(const Coding& c, int32_t width, const std::vector<std::vector<uint8_t>>& rows, bool run_lines) {
  Encoded e;
  auto* source = new RowSource(width, rows, run_lines);
  RstRead* node = make_encoder(c, source);
  if (!node) {
    source->end();
    ADD_FAILURE() << "no encoder for " << c.name();
    return e;
  }
  RstOwner<RstRead> owner(node);
  e.line_size = node->line_size();
  std::vector<uint8_t> buffer(static_cast<size_t>(e.line_size) + 64, 0xAA);
  for (int guard = 0; guard < 1000000; ++guard) {
    int n = node->read(buffer.data());
    if (n <= 0) break;
    e.read_sizes.push_back(n);
    if (n > e.line_size) e.within_line_size = false;
    e.bytes.insert(e.bytes.end(), buffer.begin(), buffer.begin() + n);
  }
  return e;
}

std::vector<uint8_t> decode_ours(const Coding& c, const std::vector<uint8_t>& code, int32_t width, int32_t height,
                                 bool* invariants) {
  std::unique_ptr<RstCodingOption> option(c.option());
  Decoded d = decode_ccitt(code, static_cast<int32_t>(c.form), width, height, option.get());
  if (invariants) *invariants = d.invariants;
  return paint_rows(d.lines, width);
}

std::vector<std::vector<uint8_t>> make_rows(int32_t width, int32_t height, int kind, std::mt19937& rng) {
  std::vector<std::vector<uint8_t>> rows;
  size_t bytes = static_cast<size_t>((width + 7) / 8);
  for (int32_t y = 0; y < height; ++y) {
    std::vector<uint8_t> row(bytes, 0);
    bool color = rng() % 2;
    int32_t left = 0;
    for (int32_t x = 0; x < width; ++x) {
      bool set = false;
      switch (kind) {
        case 0: set = rng() % 2; break;
        case 1: set = (x + y) % 2; break;
        case 2: set = true; break;
        case 3: set = false; break;
        default:
          if (left-- <= 0) {
            color = !color;
            left = static_cast<int32_t>(rng() % (rng() % 3 == 0 ? 200 : 9));
          }
          set = color;
          break;
      }
      if (set) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<uint8_t> concat(const std::vector<std::vector<uint8_t>>& rows) {
  std::vector<uint8_t> all;
  for (const auto& r : rows) all.insert(all.end(), r.begin(), r.end());
  return all;
}

std::string bit_string(const std::vector<uint8_t>& bytes) {
  std::string s;
  for (uint8_t b : bytes)
    for (int i = 7; i >= 0; --i) s.push_back((b >> i) & 1 ? '1' : '0');
  return s;
}

std::vector<int> eol_tags(const std::vector<uint8_t>& bytes) {
  std::string s = bit_string(bytes);
  std::vector<int> tags;
  size_t zeros = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '0') {
      ++zeros;
      continue;
    }
    if (zeros >= 11 && i + 1 < s.size()) {
      tags.push_back(s[i + 1] - '0');
      ++i;
    }
    zeros = 0;
  }
  return tags;
}
