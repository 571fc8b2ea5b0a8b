// The fuzz entry of font substitution, and the fixed-budget run of it in the
// test program. The input gives what comes from outside the driver: the
// faces of the device description's font records (names, character sets,
// pitch and family, weights, slants), the TrueType font's metrics, and the
// substitution table as the printer's stored data holds it (any code units,
// ended or not). Both alias tables are tried; every answer must be one of the
// five, a chosen face must exist, no read may pass the table's block, and
// nothing may be left allocated. In a clang build configured with
// -DPK_LIBFUZZER=ON this file is the libFuzzer program
// `font_substitution_fuzz`.
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "graphics_driver/core/device_fonts.h"
#include "graphics_driver/core/font_alias_table.h"
#include "graphics_driver/core/font_substitution.h"
#include "platform/gdi/engine_host.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Reads the input front to back; past its end every read is 0.
struct Reader {
  const uint8_t* data;
  size_t size, at = 0;
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  uint16_t Word() {
    const uint16_t low = Byte();
    return uint16_t(low | Byte() << 8);
  }
  // A name: its length, then per character one byte picking from a small
  // alphabet that makes table names and "@" forms likely.
  std::u16string Name() {
    static const char16_t kAlphabet[] = u"@ AaCHTSlimreovtw-ＭＳ明朝平成ゴシックヴェルタ本P";
    const size_t length = Byte() % 24;
    std::u16string s;
    for (size_t i = 0; i < length; ++i) {
      const uint8_t b = Byte();
      if (b >= 0xF0) {
        // A whole name of the alias tables now and then.
        static const char16_t* const kNames[] = {u"Arial",           u"Helvetica", u"@ＭＳ 明朝",
                                                 u"Times New Roman", u"Century",   u"Courier"};
        s += kNames[b % 6];
      } else {
        s += kAlphabet[b % (sizeof kAlphabet / sizeof kAlphabet[0] - 1)];
      }
    }
    return s;
  }
};

void FontSubstitutionFuzzOne(const uint8_t* data, size_t size) {
  if (size > 1 << 14) return;
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  Reader in{data, size};

  // The faces: up to 100, so the score array is sometimes allocated.
  const uint32_t count = in.Byte() % 101;
  std::deque<std::u16string> names;
  std::vector<DeviceFontFace> faces(count);
  std::vector<DeviceFontFace*> pointers(count);
  std::vector<int32_t> ids(count + 1, 0);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t flags = in.Byte();
    names.push_back(in.Name());
    faces[i] = DeviceFontFace{flags & 1 ? nullptr : names.back().data(), in.Byte(), in.Byte(), in.Word(),
                              BYTE(flags >> 1 & 1)};
    pointers[i] = &faces[i];
    ids[i] = int32_t(i + 1);
  }

  // The TrueType font.
  const std::u16string faceName = in.Name();
  std::vector<uint64_t> block((sizeof(IFIMETRICS) + 2 * (faceName.size() + 1) + 7) / 8, 0);
  auto* ifi = reinterpret_cast<IFIMETRICS*>(block.data());
  ifi->cjThis = ULONG(block.size() * 8);
  const uint8_t nameAt = in.Byte();
  // Mostly the name's real place, sometimes an offset of any kind.
  ifi->dpwszFaceName = nameAt < 0xC0 ? LONG(sizeof(IFIMETRICS)) : LONG(nameAt) * 3 - 0x200;
  std::memcpy(reinterpret_cast<BYTE*>(ifi) + sizeof(IFIMETRICS), faceName.c_str(), 2 * (faceName.size() + 1));
  ifi->jWinCharSet = in.Byte();
  ifi->jWinPitchAndFamily = in.Byte();
  ifi->usWinWeight = in.Word();
  ifi->fsSelection = in.Word();
  ifi->fwdUnitsPerEm = 1024;
  FONTOBJ* font = pkgdi::CreateDeviceFont(0, XFORML{0.1f, 0, 0, 0.1f, 0, 0}, ifi, 10);
  Check(font != nullptr);
  // Neither, bold, italic or both simulated (FO_SIM_ITALIC is FO_SIM_BOLD * 2).
  font->flFontType = TRUETYPE_FONTTYPE | (in.Byte() & 3) * FO_SIM_BOLD;
  const std::u16string familyName = in.Name();

  // The table: the rest of the input as code units, in a block of exactly
  // their size.
  const size_t units = (size - std::min(size, in.at)) / 2;
  auto* table = static_cast<WCHAR*>(GlobalAlloc(GMEM_FIXED, std::max<size_t>(units, 1) * sizeof(WCHAR)));
  Check(table != nullptr);
  if (units) std::memcpy(table, data + in.at, units * sizeof(WCHAR));
  else table[0] = 0;

  PdevState pdev{};
  pdev.fontFaces = count ? pointers.data() : nullptr;
  pdev.fontFaceIds = ids.data();
  pdev.fontFaceCount = count;
  for (int kind : {1, 0}) {
    SelectJapaneseFontAliasTable(kind);
    pdev.fontSubstitution = table;
    for (const std::u16string* name : {&faceName, &familyName}) {
      uint32_t index = 0xFFFFFFFF;
      int r = MatchFontSubstitution(&pdev, font, name->c_str(), &index);
      Check(r >= 1 && r <= 5 && (r != kFontSubChosen || index < count));
      index = 0xFFFFFFFF;
      r = ScoreDeviceFonts(&pdev, font, name->c_str(), &index);
      Check(r >= 1 && r <= 5 && (r != kFontSubChosen || index < count));
      if (const WCHAR* device = FindSubstitute(table, name->c_str())) Check(device >= table && device < table + units);
    }
    CompareNamePrefix(faceName.c_str(), familyName.c_str());
    Check(pdev.fontSubstitution == table);
  }
  SelectJapaneseFontAliasTable(1);
  GlobalFree(table);
  pkgdi::DeleteFont(font);
  Check(pk::seams::GlobalLiveBlocks() == blocks);
}

}  // namespace

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FontSubstitutionFuzzOne(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

TEST(FontSubstitutionFuzz, FixedBudgetRunsClean) {
  // Three faces, a TrueType "Arial" and the table pairing it with
  // "Helvetica".
  std::vector<uint8_t> seed = {3};
  auto name = [&](std::initializer_list<uint8_t> picks) {
    seed.push_back(uint8_t(picks.size()));
    seed.insert(seed.end(), picks);
  };
  for (uint8_t pick : {0xF1, 0xF0, 0xF2}) {
    seed.push_back(0);
    name({pick});
    seed.insert(seed.end(), {0x22, 0, 0x90, 0x01});  // pitch and family, charset, weight 400
  }
  name({0xF0});
  seed.insert(seed.end(), {0, 0, 0x22, 0x90, 0x01, 0x40, 0, 0});
  name({0xF0});
  for (char16_t c : std::u16string(u"Arial\0Helvetica\0\0", 17)) {
    seed.push_back(uint8_t(c));
    seed.push_back(uint8_t(c >> 8));
  }
  FontSubstitutionFuzzOne(seed.data(), seed.size());
  std::mt19937 rng(91);
  for (int iter = 0; iter < 300; ++iter) {
    std::vector<uint8_t> input(seed);
    if (iter % 5 == 0) input.resize(rng() % input.size());
    const int edits = 1 + int(rng() % 8);
    for (int e = 0; e < edits && !input.empty(); ++e) input[rng() % input.size()] = uint8_t(rng());
    if (iter % 7 == 0)
      for (int k = 0; k < 200; ++k) input.push_back(uint8_t(rng()));
    FontSubstitutionFuzzOne(input.data(), input.size());
  }
}

}  // namespace
#endif
