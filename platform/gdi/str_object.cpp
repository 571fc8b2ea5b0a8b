// Strings: the glyphs of one text call with their baseline positions, handed
// to the driver whole or, with a batch limit, in runs.
#include <algorithm>

#include "platform/gdi/engine_objects.h"

namespace pkgdi {
namespace detail {
namespace {

struct String {
  STROBJ so{};
  uint32_t magic = kStringMagic;
  std::vector<GLYPHPOS> pos;
  std::vector<GLYPHDEF> defs;
  std::u16string text;
  ULONG batch = 0;
  size_t cursor = 0;
};

String* AsString(STROBJ* pstro) {
  auto* s = reinterpret_cast<String*>(pstro);
  return IsLiveObject(s) && s->magic == kStringMagic ? s : nullptr;
}

}  // namespace
}  // namespace detail

using namespace detail;

STROBJ* CreateString(FONTOBJ* pfo, const std::vector<StringGlyph>& glyphs, const std::u16string& text, FLONG flAccel,
                     ULONG ulCharInc, const RECTL& background, ULONG batchLimit) {
  try {
    auto* s = new String();
    s->pos.resize(glyphs.size());
    s->defs.resize(glyphs.size());
    for (size_t i = 0; i < glyphs.size(); ++i) {
      s->pos[i].hg = glyphs[i].hg;
      s->pos[i].ptl = glyphs[i].ptl;
      s->pos[i].pgdf = &s->defs[i];
      // The glyph bitmap when the font has one.
      HGLYPH hg = glyphs[i].hg;
      void* data = nullptr;
      if (pfo && FONTOBJ_cGetGlyphs(pfo, FO_GLYPHBITS, 1, &hg, &data) == 1)
        s->defs[i] = static_cast<GLYPHDATA*>(data)->gdf;
    }
    s->text = text;
    s->batch = batchLimit;
    s->so.cGlyphs = static_cast<ULONG>(glyphs.size());
    s->so.flAccel = flAccel;
    s->so.ulCharInc = ulCharInc;
    s->so.rclBkGround = background;
    s->so.pgp = batchLimit || s->pos.empty() ? nullptr : s->pos.data();
    s->so.pwszOrg = s->text.empty() ? nullptr : s->text.data();
    TrackObject(s);
    return &s->so;
  } catch (...) {
    return nullptr;
  }
}

void DeleteString(STROBJ* pstro) {
  String* s = AsString(pstro);
  if (s && UntrackObject(s)) delete s;
}

}  // namespace pkgdi

using namespace pkgdi;
using namespace pkgdi::detail;

extern "C" {

void STROBJ_vEnumStart(STROBJ* pstro) {
  if (String* s = AsString(pstro)) s->cursor = 0;
}

BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos) {
  if (pc) *pc = 0;
  if (ppgpos) *ppgpos = nullptr;
  String* s = AsString(pstro);
  if (!s || !pc || !ppgpos || s->cursor >= s->pos.size()) return FALSE;
  size_t left = s->pos.size() - s->cursor;
  size_t n = s->batch ? std::min<size_t>(left, s->batch) : left;
  *pc = static_cast<ULONG>(n);
  *ppgpos = s->pos.data() + s->cursor;
  s->cursor += n;
  return s->cursor < s->pos.size() ? TRUE : FALSE;
}

}  // extern "C"
