// Reading and writing the colour library's data file (see
// colour_data_file.h).
#include "platform/outside/colorlib/colour_data_file.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

const char kSignature[8] = {'O', 'R', 'V', 'C', 'L', 'X', '1', '\0'};
constexpr size_t kHeadBytes = 16;

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void Put16(std::vector<uint8_t>* out, uint16_t v) { out->insert(out->end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(std::vector<uint8_t>* out, uint32_t v) {
  out->insert(out->end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

uint8_t NodeValue(int i) { return uint8_t((i * 255 + 8) / 16); }

uint8_t ClampByte(double v) { return uint8_t(v <= 0 ? 0 : v >= 255 ? 255 : std::lround(v)); }

// A table from a function of the node's (r, g, b) in 0..1 to RGB in 0..1.
template <class F>
ColourTable MakeTable(F f) {
  ColourTable t(kColourTableBytes);
  size_t at = 0;
  for (int r = 0; r < kColourGrid; ++r)
    for (int g = 0; g < kColourGrid; ++g)
      for (int b = 0; b < kColourGrid; ++b) {
        double in[3] = {NodeValue(r) / 255.0, NodeValue(g) / 255.0, NodeValue(b) / 255.0}, out[3];
        f(in, out);
        for (double v : out) t[at++] = ClampByte(v * 255);
      }
  return t;
}

}  // namespace

const ColourTable& IdentityColourTable() {
  static const ColourTable table =
      MakeTable([](const double* in, double* out) { std::memcpy(out, in, 3 * sizeof *in); });
  return table;
}

bool ParseColourData(const uint8_t* bytes, size_t size, ColourData* data) {
  if (!bytes || !data || size < kHeadBytes || size > kColourDataMaxBytes) return false;
  if (std::memcmp(bytes, kSignature, 8) != 0 || Le16(bytes + 8) != 1 || Le16(bytes + 10) != kColourGrid ||
      Le16(bytes + 14) != 0)
    return false;
  const uint32_t count = Le16(bytes + 12);
  if (count > 255 || kHeadBytes + size_t(count) * 8 > size) return false;
  ColourData parsed;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* entry = bytes + kHeadBytes + 8 * i;
    const uint16_t mode = Le16(entry);
    const uint64_t offset = Le32(entry + 4);
    if (mode == 0 || mode > 255 || Le16(entry + 2) != 0 || parsed.tables[mode]) return false;
    if (offset < kHeadBytes + uint64_t(count) * 8 || offset + kColourTableBytes > size) return false;
    parsed.tables[mode] = std::make_shared<const ColourTable>(bytes + offset, bytes + offset + kColourTableBytes);
  }
  *data = std::move(parsed);
  return true;
}

bool LoadColourData(const std::string& hostPath, ColourData* data) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return false;
  std::vector<uint8_t> bytes;
  char chunk[65536];
  while (in) {
    in.read(chunk, sizeof chunk);
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (bytes.size() > kColourDataMaxBytes) return false;
  }
  return ParseColourData(bytes.data(), bytes.size(), data);
}

bool WriteColourData(const std::string& description, std::vector<uint8_t>* out, std::string* error) {
  std::vector<std::pair<uint16_t, ColourTable>> tables;
  std::istringstream lines(description);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(number) + ": " + why;
    return false;
  };
  while (std::getline(lines, line)) {
    ++number;
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string keyword, kind;
    if (!(words >> keyword)) continue;
    int mode = 0;
    if (keyword != "mode" || !(words >> mode >> kind)) return fail("expected: mode <n> <kind>");
    if (mode < 1 || mode > 255) return fail("mode outside 1-255");
    for (const auto& t : tables)
      if (t.first == mode) return fail("mode given twice");
    ColourTable table;
    if (kind == "identity") {
      table = IdentityColourTable();
    } else if (kind == "swap-red-blue") {
      table = MakeTable([](const double* in, double* o) {
        o[0] = in[2];
        o[1] = in[1];
        o[2] = in[0];
      });
    } else if (kind == "matrix") {
      double m[9];
      for (double& v : m)
        if (!(words >> v) || !std::isfinite(v)) return fail("a matrix takes nine numbers");
      table = MakeTable([&](const double* in, double* o) {
        for (int r = 0; r < 3; ++r) o[r] = m[3 * r] * in[0] + m[3 * r + 1] * in[1] + m[3 * r + 2] * in[2];
      });
    } else {
      return fail("unknown kind " + kind);
    }
    std::string extra;
    if (words >> extra) return fail("unexpected " + extra);
    tables.emplace_back(uint16_t(mode), std::move(table));
  }
  out->assign(kSignature, kSignature + 8);
  Put16(out, 1);
  Put16(out, kColourGrid);
  Put16(out, uint16_t(tables.size()));
  Put16(out, 0);
  uint32_t offset = uint32_t(kHeadBytes + tables.size() * 8);
  for (const auto& t : tables) {
    Put16(out, t.first);
    Put16(out, 0);
    Put32(out, offset);
    offset += uint32_t(kColourTableBytes);
  }
  for (const auto& t : tables) out->insert(out->end(), t.second.begin(), t.second.end());
  return true;
}
