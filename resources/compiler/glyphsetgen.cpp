// glyphsetgen: writes the glyph set of a code page as a raw resource source
// for pkrc. The set holds one handle per single- and double-byte code (the
// code itself, lead byte high), sorted into runs of consecutive code points:
// the FD_GLYPHSET head, its run table ending in an empty run, then the runs'
// handle arrays in run order. Handle pointers are left zero; the driver sets
// them in its copy.
//
//   glyphsetgen <code page> <resource type> <resource id> <out.res>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <utility>
#include <vector>

#include "platform/gdi/ddi_types.h"
#include "platform/win/win_codepage.h"

namespace {

void Put(std::vector<unsigned char>* out, uint64_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out->push_back(static_cast<unsigned char>(v >> (8 * k)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: glyphsetgen <code page> <type> <id> <out.res>\n");
    return 2;
  }
  const UINT cp = static_cast<UINT>(std::atoi(argv[1]));
  std::vector<std::pair<WCHAR, uint32_t>> map;
  auto add = [&](const char* bytes, int n, uint32_t handle) {
    WCHAR wc[2] = {};
    if (MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes, n, wc, 2) == 1) map.emplace_back(wc[0], handle);
  };
  for (int b = 0; b < 256; ++b) {
    if (IsDBCSLeadByteEx(cp, BYTE(b))) {
      for (int t = 0; t < 256; ++t) {
        const char two[2] = {char(b), char(t)};
        add(two, 2, uint32_t(b << 8 | t));
      }
    } else {
      const char one = char(b);
      add(&one, 1, uint32_t(b));
    }
  }
  if (map.empty()) {
    std::fprintf(stderr, "glyphsetgen: code page %u has no characters\n", cp);
    return 1;
  }
  // By code point; a code point two codes reach keeps the first.
  std::stable_sort(map.begin(), map.end(), [](auto& a, auto& b) { return a.first < b.first; });
  map.erase(std::unique(map.begin(), map.end(), [](auto& a, auto& b) { return a.first == b.first; }), map.end());
  std::vector<std::pair<size_t, size_t>> runs;  // first index, count
  for (size_t i = 0; i < map.size(); ++i) {
    if (!runs.empty() && runs.back().second < 0xFFFF &&
        map[i].first == map[runs.back().first + runs.back().second - 1].first + 1)
      ++runs.back().second;
    else runs.emplace_back(i, 1);
  }
  const size_t bytes = (runs.size() + 1) * sizeof(WCRUN) + map.size() * sizeof(HGLYPH);
  std::vector<unsigned char> set;
  Put(&set, uint32_t(bytes), 4);
  Put(&set, GS_16BIT_HANDLES, 4);
  Put(&set, uint32_t(map.size()), 4);
  Put(&set, uint32_t(runs.size()), 4);
  for (const auto& r : runs) {
    Put(&set, map[r.first].first, 2);
    Put(&set, uint32_t(r.second), 2);
    Put(&set, 0, 4);  // padding
    Put(&set, 0, 8);  // handle pointer
  }
  for (const auto& m : map) Put(&set, m.second, 4);
  if (set.size() != bytes) return 1;

  std::ofstream out(argv[4], std::ios::trunc);
  out << "# The glyph set of code page " << cp << ", made by glyphsetgen.\n";
  out << "resource " << argv[2] << " " << argv[3] << "\n";
  for (size_t i = 0; i < set.size(); ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02x", set[i]);
    out << hex << ((i % 32 == 31 || i + 1 == set.size()) ? "\n" : "");
  }
  if (!out) {
    std::fprintf(stderr, "%s: cannot write\n", argv[4]);
    return 1;
  }
  return 0;
}
