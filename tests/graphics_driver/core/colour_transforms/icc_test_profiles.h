// Tiny ICC profiles for tests: a header, a tag table and the tags, each
// field as a case needs it (counts, offsets and sizes may lie).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace pk::test {

struct IccTag {
  std::string signature;
  std::vector<uint8_t> data;
  // When set, the table gives these instead of the real place and size.
  int64_t claimedOffset = -1;
  int64_t claimedSize = -1;
};

inline void PutBe32(std::vector<uint8_t>* v, size_t at, uint32_t x) {
  if (v->size() < at + 4) v->resize(at + 4);
  for (int i = 0; i < 4; ++i) (*v)[at + i] = uint8_t(x >> (24 - 8 * i));
}
inline void AppendBe32(std::vector<uint8_t>* v, uint32_t x) { PutBe32(v, v->size(), x); }
inline void AppendBe16(std::vector<uint8_t>* v, uint16_t x) { v->insert(v->end(), {uint8_t(x >> 8), uint8_t(x)}); }
inline void AppendSig(std::vector<uint8_t>* v, const char* s) { v->insert(v->end(), s, s + 4); }

// A profile of class, colour space and PCS (four characters each).
inline std::vector<uint8_t> MakeIccProfile(const char* deviceClass, const char* space, const char* pcs,
                                           const std::vector<IccTag>& tags, uint32_t claimedCount = 0,
                                           const char* signature = "acsp") {
  std::vector<uint8_t> p(128, 0);
  std::memcpy(&p[12], deviceClass, 4);
  std::memcpy(&p[16], space, 4);
  std::memcpy(&p[20], pcs, 4);
  std::memcpy(&p[36], signature, 4);
  p[8] = 2;  // version 2.1
  p[9] = 0x10;
  AppendBe32(&p, claimedCount ? claimedCount : uint32_t(tags.size()));
  size_t offset = 132 + 12 * tags.size();
  std::vector<uint8_t> body;
  for (const IccTag& t : tags) {
    AppendSig(&p, t.signature.c_str());
    AppendBe32(&p, uint32_t(t.claimedOffset >= 0 ? t.claimedOffset : int64_t(offset + body.size())));
    AppendBe32(&p, uint32_t(t.claimedSize >= 0 ? t.claimedSize : int64_t(t.data.size())));
    body.insert(body.end(), t.data.begin(), t.data.end());
    while (body.size() % 4) body.push_back(0);
  }
  p.insert(p.end(), body.begin(), body.end());
  PutBe32(&p, 0, uint32_t(p.size()));
  return p;
}

inline std::vector<uint8_t> CurveTag(const std::vector<uint16_t>& values) {
  std::vector<uint8_t> t;
  AppendSig(&t, "curv");
  AppendBe32(&t, 0);
  AppendBe32(&t, uint32_t(values.size()));
  for (uint16_t v : values) AppendBe16(&t, v);
  return t;
}
// A pure gamma curve: one u8.8 entry.
inline std::vector<uint8_t> GammaTag(double gamma) { return CurveTag({uint16_t(std::lround(gamma * 256))}); }

inline std::vector<uint8_t> XyzTag(double x, double y, double z) {
  std::vector<uint8_t> t;
  AppendSig(&t, "XYZ ");
  AppendBe32(&t, 0);
  for (double v : {x, y, z}) AppendBe32(&t, uint32_t(int32_t(std::lround(v * 65536))));
  return t;
}

// The sRGB colorants adapted to D50, as matrix profiles carry them.
inline std::vector<IccTag> SrgbColorants() {
  return {{"rXYZ", XyzTag(0.4361, 0.2225, 0.0139)},
          {"gXYZ", XyzTag(0.3851, 0.7169, 0.0971)},
          {"bXYZ", XyzTag(0.1431, 0.0606, 0.7141)}};
}

// A monitor profile with the sRGB colorants, three curves and a media white.
inline std::vector<uint8_t> MonitorProfile(const std::vector<uint8_t>& curve, double wx, double wy, double wz) {
  std::vector<IccTag> tags = SrgbColorants();
  tags.push_back({"rTRC", curve});
  tags.push_back({"gTRC", curve});
  tags.push_back({"bTRC", curve});
  tags.push_back({"wtpt", XyzTag(wx, wy, wz)});
  return MakeIccProfile("mntr", "RGB ", "XYZ ", tags);
}

// A hand-made lut16 "A2B0" of g grid points, n input and m output entries
// (identity curves, an XYZ grid from the sRGB colorants) over the bytes it
// declares, cut to `keep` bytes when given.
inline std::vector<uint8_t> Lut16Tag(int g, int n, int m, size_t keep = 0) {
  std::vector<uint8_t> t;
  AppendSig(&t, "mft2");
  AppendBe32(&t, 0);
  t.insert(t.end(), {3, 3, uint8_t(g), 0});
  for (int i = 0; i < 9; ++i) AppendBe32(&t, i % 4 == 0 ? 0x10000 : 0);
  AppendBe16(&t, uint16_t(n));
  AppendBe16(&t, uint16_t(m));
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < n; ++i) AppendBe16(&t, uint16_t(n > 1 ? i * 65535 / (n - 1) : 0));
  const double colorants[3][3] = {{0.4361, 0.3851, 0.1431}, {0.2225, 0.7169, 0.0606}, {0.0139, 0.0971, 0.7141}};
  for (int r = 0; r < g; ++r)
    for (int gg = 0; gg < g; ++gg)
      for (int b = 0; b < g; ++b) {
        const double rgb[3] = {std::pow(r / double(g - 1), 2.2), std::pow(gg / double(g - 1), 2.2),
                               std::pow(b / double(g - 1), 2.2)};
        for (int row = 0; row < 3; ++row) {
          const double v = colorants[row][0] * rgb[0] + colorants[row][1] * rgb[1] + colorants[row][2] * rgb[2];
          AppendBe16(&t, uint16_t(std::min(65535.0, v * 32768)));
        }
      }
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < m; ++i) AppendBe16(&t, uint16_t(m > 1 ? i * 65535 / (m - 1) : 0));
  if (keep) t.resize(keep);
  return t;
}

inline std::vector<uint8_t> ScannerProfile(const std::vector<uint8_t>& a2b0, const char* pcs = "XYZ ") {
  return MakeIccProfile("scnr", "RGB ", pcs, {{"A2B0", a2b0}, {"wtpt", XyzTag(0.9505, 1.0, 1.089)}});
}

inline std::string WriteTestFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

}  // namespace pk::test
