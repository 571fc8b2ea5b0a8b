// EngComputeGlyphSet: the glyph set of a single-byte code page, each code
// point's glyph handle being its byte. One zero-filled GlobalAlloc block: the
// header, the sorted disjoint runs, then the runs' handle arrays in run order
// (callers copy the block and rebase the handle pointers by that layout).
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi/engine_objects.h"
#include "platform/win/windows.h"

extern "C" {

FD_GLYPHSET* EngComputeGlyphSet(INT nCodePage, INT nFirstChar, INT cChars) {
  if (nFirstChar < 0 || nFirstChar > 255 || cChars <= 0) return nullptr;
  UINT cp = nCodePage == 0 ? GetACP() : static_cast<UINT>(nCodePage);
  int last = std::min(255, nFirstChar + cChars - 1);
  try {
    // Each byte that stands for a character alone, by its code point.
    std::vector<std::pair<WCHAR, HGLYPH>> map;
    for (int b = nFirstChar; b <= last; ++b) {
      char ch = static_cast<char>(b);
      if (IsDBCSLeadByteEx(cp, static_cast<BYTE>(b))) continue;
      WCHAR wc = 0;
      if (MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, &ch, 1, &wc, 1) != 1) continue;
      map.emplace_back(wc, static_cast<HGLYPH>(b));
    }
    // Sorted by code point; a code point reached by two bytes keeps the first.
    std::stable_sort(map.begin(), map.end(), [](auto& a, auto& b) { return a.first < b.first; });
    map.erase(std::unique(map.begin(), map.end(), [](auto& a, auto& b) { return a.first == b.first; }), map.end());
    std::vector<std::pair<size_t, size_t>> runs;  // first index, count
    for (size_t i = 0; i < map.size(); ++i) {
      if (!runs.empty() && runs.back().second < 0xFFFF &&
          map[i].first == map[runs.back().first + runs.back().second - 1].first + 1)
        ++runs.back().second;
      else runs.emplace_back(i, 1);
    }
    size_t cRuns = runs.size();
    size_t bytes = (cRuns + 1) * sizeof(WCRUN) + map.size() * sizeof(HGLYPH);
    auto* gs = static_cast<FD_GLYPHSET*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes));
    if (!gs) return nullptr;
    auto* handles = reinterpret_cast<HGLYPH*>(reinterpret_cast<BYTE*>(gs) + (cRuns + 1) * sizeof(WCRUN));
    gs->cjThis = static_cast<ULONG>(bytes);
    gs->flAccel = GS_8BIT_HANDLES;
    gs->cGlyphsSupported = static_cast<ULONG>(map.size());
    gs->cRuns = static_cast<ULONG>(cRuns);
    WCRUN* table = gs->awcrun;
    size_t at = 0;
    for (size_t r = 0; r < cRuns; ++r) {
      WCRUN& run = table[r];
      run.wcLow = map[runs[r].first].first;
      run.cGlyphs = static_cast<USHORT>(runs[r].second);
      run.phg = handles + at;
      for (size_t k = 0; k < runs[r].second; ++k) handles[at++] = map[runs[r].first + k].second;
    }
    return gs;
  } catch (...) {
    return nullptr;
  }
}

}  // extern "C"
