// TrueType to device font substitution (see font_substitution.h).
#include "graphics_driver/core/font_substitution.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "graphics_driver/core/device_fonts.h"
#include "graphics_driver/core/font_alias_table.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_logfont.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_text.h"
#include "settings/store/printer_settings_data.h"

namespace {

// One unsigned byte of score per face: on the stack for the usual few
// faces, a zeroed GlobalAlloc block beyond. Gains saturate at 0 and 255.
class FaceScores {
 public:
  explicit FaceScores(uint32_t count) : count_(count) {
    if (count <= kStackScoreFaces) {
      scores_ = stack_;
    } else {
      scores_ = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, count));
    }
  }
  ~FaceScores() {
    if (scores_ && scores_ != stack_) GlobalFree(scores_);
  }
  FaceScores(const FaceScores&) = delete;
  FaceScores& operator=(const FaceScores&) = delete;

  bool ok() const { return scores_ != nullptr; }
  BYTE at(uint32_t i) const { return scores_[i]; }
  void Add(uint32_t i, int gain) { scores_[i] = BYTE(std::clamp(int(scores_[i]) + gain, 0, 255)); }
  BYTE Best() const { return *std::max_element(scores_, scores_ + count_); }
  uint32_t FirstBest() const { return uint32_t(std::max_element(scores_, scores_ + count_) - scores_); }

 private:
  uint32_t count_;
  BYTE stack_[kStackScoreFaces] = {};
  BYTE* scores_ = nullptr;
};

// The TrueType face name of the metrics, or an empty name when it does not
// lie inside them, ended.
const WCHAR* TrueTypeFaceName(const IFIMETRICS* ifi) {
  const LONG at = ifi->dpwszFaceName;
  if (at <= 0 || at % 2 != 0 || ULONG(at) >= ifi->cjThis) return u"";
  const auto* name = reinterpret_cast<const WCHAR*>(reinterpret_cast<const BYTE*>(ifi) + at);
  const size_t room = (ifi->cjThis - ULONG(at)) / sizeof(WCHAR);
  return std::find(name, name + room, WCHAR(0)) == name + room ? u"" : name;
}

bool ItalicWanted(const FONTOBJ* pfo, const IFIMETRICS* ifi) {
  return (pfo->flFontType & FO_SIM_ITALIC) || (ifi->fsSelection & FM_SEL_ITALIC);
}

// Every face is there (and named, when asked).
bool FacesPresent(const PdevState* pdev, bool named) {
  for (uint32_t i = 0; i < pdev->fontFaceCount; ++i)
    if (!pdev->fontFaces[i] || (named && !pdev->fontFaces[i]->faceName)) return false;
  return true;
}

// The weight and slant pass over the faces holding the best score.
void WeightSlantPass(const PdevState* pdev, const FONTOBJ* pfo, const IFIMETRICS* ifi, FaceScores* scores) {
  const bool italic = ItalicWanted(pfo, ifi);
  const BYTE best = scores->Best();
  for (uint32_t i = 0; i < pdev->fontFaceCount; ++i) {
    if (scores->at(i) != best) continue;
    const DeviceFontFace* face = pdev->fontFaces[i];
    scores->Add(i, WeightSlantScore(face->italic != 0, face->weight, italic, ifi->usWinWeight));
  }
}

// Whether an entry of the alias group is prefix-equal to name: 0, or
// kFontSubNoMemory when an entry's copy cannot be had.
int GroupHasName(int group, const WCHAR* name, bool* found) {
  *found = false;
  for (int index = 0;; ++index) {
    WCHAR* entry = nullptr;
    const int r = GetAliasEntry(group, index, &entry);
    if (r == kAliasEntryNoMemory) return kFontSubNoMemory;
    if (r != kAliasEntryOk || !entry) return 0;
    *found = CompareNamePrefix(entry, name) == 0;
    GlobalFree(entry);
    if (*found) return 0;
  }
}

// The first alias group holding name (-1 for none): 0 or kFontSubNoMemory.
int FindAliasGroup(const WCHAR* name, int* group) {
  *group = -1;
  const int count = GetAliasGroupCount();
  for (int g = 0; g < count; ++g) {
    bool found = false;
    if (GroupHasName(g, name, &found) != 0) return kFontSubNoMemory;
    if (found) {
      *group = g;
      return 0;
    }
  }
  return 0;
}

// The alias pass: 0, or the answer it fails with.
int AliasPass(const PdevState* pdev, const WCHAR* trueTypeName, FaceScores* scores) {
  if (!FacesPresent(pdev, true)) return kFontSubFailed;
  int group = -1;
  if (FindAliasGroup(trueTypeName, &group) != 0) return kFontSubNoMemory;
  const bool vertical = trueTypeName[0] == u'@';
  for (uint32_t i = 0; i < pdev->fontFaceCount; ++i) {
    const WCHAR* name = pdev->fontFaces[i]->faceName;
    // Vertical ("@") faces only stand for vertical fonts, and the reverse.
    if (!name[0] || !trueTypeName[0] || (name[0] == u'@') != vertical) continue;
    if (lstrcmpiW(name, trueTypeName) == 0) {
      scores->Add(i, 4);
      continue;
    }
    bool member = false;
    if (group >= 0 && GroupHasName(group, name, &member) != 0) return kFontSubNoMemory;
    scores->Add(i, member ? 2 : 1);
  }
  return 0;
}

bool NameInList(const WCHAR* name, const WCHAR* const* list) {
  for (; *list; ++list)
    if (lstrcmpiW(name, *list) == 0) return true;
  return false;
}

}  // namespace

const WCHAR* FindSubstitute(const WCHAR* table, const WCHAR* name) {
  if (!table || !name) return nullptr;
  const size_t units = GlobalSize(const_cast<WCHAR*>(table)) / sizeof(WCHAR);
  // The end of the name starting at `at`, or units when it is not ended.
  auto end = [&](size_t at) {
    while (at < units && table[at]) ++at;
    return at;
  };
  size_t at = 0;
  while (at < units && table[at]) {
    const size_t aliasEnd = end(at);
    if (aliasEnd >= units) return nullptr;
    const size_t device = aliasEnd + 1;
    const size_t deviceEnd = end(device);
    if (deviceEnd >= units) return nullptr;
    if (lstrcmpW(table + at, name) == 0) return table + device;
    at = deviceEnd + 1;
  }
  return nullptr;
}

int MatchFontSubstitution(PdevState* pdev, FONTOBJ* pfo, const WCHAR* name, uint32_t* faceIndex) {
  // 1. Arguments; nothing to match against.
  if (!pdev || !pfo || !name || !faceIndex) return kFontSubFailed;
  if (!pdev->fontFaces || pdev->fontFaceCount == 0 || !name[0]) return kFontSubNone;

  // 2, 3. The table, read now when the PDEV has none, and the pair.
  if (!pdev->fontSubstitution) pdev->fontSubstitution = ReadFontSubTable(pdev->printer);
  if (!pdev->fontSubstitution) return kFontSubFailed;
  const WCHAR* substitute = FindSubstitute(pdev->fontSubstitution, name);
  if (!substitute) return kFontSubNone;

  // 4. The faces named like the device font.
  if (!FacesPresent(pdev, true)) return kFontSubFailed;
  FaceScores scores(pdev->fontFaceCount);
  if (!scores.ok()) return kFontSubNoMemory;
  bool named = false;
  for (uint32_t i = 0; i < pdev->fontFaceCount; ++i)
    if (lstrcmpW(pdev->fontFaces[i]->faceName, substitute) == 0) {
      scores.Add(i, 2);
      named = true;
    }
  if (!named) return kFontSubNone;

  // 5, 6. Character sets: the symbol-free sets below 3 stand for each
  // other, any other set only for itself.
  const IFIMETRICS* ifi = FONTOBJ_pifi(pfo);
  if (!ifi) return kFontSubNoMetrics;
  const BYTE best = scores.Best();
  bool gained = false;
  for (uint32_t i = 0; i < pdev->fontFaceCount; ++i) {
    if (scores.at(i) != best) continue;
    const BYTE set = pdev->fontFaces[i]->charSet;
    if ((set < 3 && ifi->jWinCharSet < 3) || (set >= 3 && ifi->jWinCharSet == set)) {
      scores.Add(i, 16);
      gained = true;
    }
  }
  if (!gained) return kFontSubNone;

  // 7, 8. Weight and slant; the first best face.
  WeightSlantPass(pdev, pfo, ifi, &scores);
  *faceIndex = scores.FirstBest();
  return kFontSubChosen;
}

int ScoreDeviceFonts(PdevState* pdev, FONTOBJ* pfo, const WCHAR* familyName, uint32_t* faceIndex) {
  if (!pdev || !pfo || !faceIndex) return kFontSubFailed;
  // 1. The substitution table first; running out of memory there ends it.
  const int matched = MatchFontSubstitution(pdev, pfo, familyName, faceIndex);
  if (matched == kFontSubChosen || matched == kFontSubNoMemory) return matched;

  // 2, 3. The metrics; a face of the TrueType character set.
  const IFIMETRICS* ifi = FONTOBJ_pifi(pfo);
  if (!ifi) return kFontSubNoMetrics;
  if (!pdev->fontFaces || pdev->fontFaceCount == 0) return kFontSubNone;
  if (!FacesPresent(pdev, false)) return kFontSubFailed;
  FaceScores scores(pdev->fontFaceCount);
  if (!scores.ok()) return kFontSubNoMemory;
  for (uint32_t i = 0; i < pdev->fontFaceCount; ++i)
    if (pdev->fontFaces[i]->charSet == ifi->jWinCharSet) scores.Add(i, 16);

  // 4. Names: a clear win there makes the family pass moot.
  const WCHAR* trueTypeName = TrueTypeFaceName(ifi);
  bool familyPass = true;
  if (familyName && familyName[0]) {
    const BYTE before = scores.Best();
    if (const int failed = AliasPass(pdev, trueTypeName, &scores)) return failed;
    familyPass = scores.Best() - before <= 1;
  }

  // 5. Family and pitch.
  if (familyPass) {
    const BYTE best = scores.Best();
    for (uint32_t i = 0; i < pdev->fontFaceCount; ++i)
      if (scores.at(i) == best)
        scores.Add(i, FamilyScore(trueTypeName, pdev->fontFaces[i]->pitchAndFamily, ifi->jWinPitchAndFamily));
  }

  // 6. Weight and slant; the first best face.
  WeightSlantPass(pdev, pfo, ifi, &scores);
  *faceIndex = scores.FirstBest();
  return kFontSubChosen;
}

int FamilyScore(const WCHAR* name, BYTE devicePitchFamily, BYTE trueTypePitchFamily) {
  static const WCHAR* const kRomanNames[] = {
      u"Century", u"Century Gothic", u"Colonna MT", u"Footlight MT Light", u"Garamond", nullptr};
  static const WCHAR* const kModernNames[] = {u"Arial",   u"Arial Black", u"Arial Narrow", u"Arial Rounded MT Bold",
                                              u"Kino MT", nullptr};
  int score = 0;
  const bool fixedFace = devicePitchFamily & 1;
  const int pitch = trueTypePitchFamily & 3;
  if (pitch == (fixedFace ? FIXED_PITCH : VARIABLE_PITCH)) score += 16;
  const int deviceFamily = devicePitchFamily & 0xF0, trueTypeFamily = trueTypePitchFamily & 0xF0;
  if (deviceFamily == trueTypeFamily) score += 8;
  if (trueTypeFamily == FF_SWISS && name) {
    if (deviceFamily == FF_ROMAN && NameInList(name, kRomanNames)) score += 4;
    if (deviceFamily == FF_MODERN && NameInList(name, kModernNames)) score += 4;
  }
  return score;
}

int WeightSlantScore(bool faceItalic, int faceWeight, bool italicWanted, int trueTypeWeight) {
  int c = faceItalic == italicWanted ? 57 : italicWanted ? 45 : 0;
  if (trueTypeWeight >= faceWeight) c += 30;
  return c - std::abs(trueTypeWeight - faceWeight) / 100 + 10;
}
