// The font alias tables and the process-wide choice between them (see
// font_alias_table.h).
#include "graphics_driver/core/font_alias_table.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/win/win_memory.h"
#include "platform/win/win_text.h"

namespace {

// Groups of names that stand for the same face: Japanese faces (upright and
// vertical "@" forms), then the Latin families under their usual names.
const WCHAR* const kGroup1[] = {u"KZ ヴェルタ 本明朝-L", u"平成明朝", u"ＭＳ 明朝", nullptr};
const WCHAR* const kGroup2[] = {u"KZ ヴェルタ P本明朝-L", u"ＭＳ Ｐ明朝", nullptr};
const WCHAR* const kGroup3[] = {u"@KZ ヴェルタ 本明朝-L", u"@平成明朝", u"@ＭＳ 明朝", nullptr};
const WCHAR* const kGroup4[] = {u"@KZ ヴェルタ P本明朝-L", u"@ＭＳ Ｐ明朝", nullptr};
const WCHAR* const kGroup5[] = {u"KZ ヴェルタ ゴシック-B", u"平成角ゴシック", u"ＭＳ ゴシック", nullptr};
const WCHAR* const kGroup6[] = {u"KZ ヴェルタ Pゴシック-B", u"ＭＳ Ｐゴシック", nullptr};
const WCHAR* const kGroup7[] = {u"@KZ ヴェルタ ゴシック-B", u"@平成角ゴシック", u"@ＭＳ ゴシック", nullptr};
const WCHAR* const kGroup8[] = {u"@KZ ヴェルタ Pゴシック-B", u"@ＭＳ Ｐゴシック", nullptr};
const WCHAR* const kGroup9[] = {u"Arial", u"CS Triumvirate", u"Helv", u"Helvetica", u"Swiss", nullptr};
const WCHAR* const kGroup10[] = {u"Courier New", u"CS Courier", u"Courier", nullptr};
const WCHAR* const kGroup11[] = {u"Times New Roman", u"CS Times Roman",  u"Tms Rmn", u"Times Roman",
                                 u"TimesRoman",      u"Times",           u"TmsRmn",  u"Varitimes",
                                 u"Dutch",           u"TimesNewRomanPS", nullptr};
const WCHAR* const kGroup12[] = {u"Bookman Old Style", u"ITC Bookman", u"Bookman", nullptr};
const WCHAR* const kGroup13[] = {u"Century", u"Classic", nullptr};
const WCHAR* const kGroup14[] = {u"Century Schoolbook",     u"NewCenturySchlbk",  u"NewCenturySchoolBook",
                                 u"New Century SchoolBook", u"CenturySchoolBook", nullptr};
const WCHAR* const kGroup15[] = {
    u"Book Antiqua", u"Modern", u"Bookman Antiqua", u"Zapf Calligraphic", u"ZapfCalligraphic", u"Paratino", nullptr};

const WCHAR* const kEndGroup[] = {nullptr};

const WCHAR* const* const kTable15[] = {kGroup1, kGroup2,  kGroup3,  kGroup4,  kGroup5,  kGroup6,  kGroup7,  kGroup8,
                                        kGroup9, kGroup10, kGroup11, kGroup12, kGroup13, kGroup14, kGroup15, kEndGroup};
// The short table: one upright and one vertical group of each Japanese
// design, and the three core Latin families.
const WCHAR* const* const kTable7[] = {kGroup1, kGroup3, kGroup5, kGroup7, kGroup9, kGroup10, kGroup11, kEndGroup};

struct AliasTable {
  const WCHAR* const* const* groups;
  int groupCount;
  int kind;
};
constexpr AliasTable kAliasTables[] = {{kTable7, 7, 0}, {kTable15, 15, 1}};
static_assert(sizeof kTable15 / sizeof kTable15[0] == 16 && sizeof kTable7 / sizeof kTable7[0] == 8);

// One pointer, so that a reader always sees a table with its own count.
std::atomic<const AliasTable*> g_aliasTable{&kAliasTables[1]};

}  // namespace

int SelectJapaneseFontAliasTable(int kind) {
  if (kind != 0 && kind != 1) return 0;
  g_aliasTable.store(&kAliasTables[kind]);
  return 1;
}

int GetFontAliasTableKind() { return g_aliasTable.load()->kind; }

int GetAliasGroupCount() { return g_aliasTable.load()->groupCount; }

int GetAliasEntry(int group, int index, WCHAR** entry) {
  if (!entry) return kAliasEntryOutside;
  *entry = nullptr;
  const AliasTable* table = g_aliasTable.load();
  if (group < 0 || group >= table->groupCount || index < 0) return kAliasEntryOutside;
  const WCHAR* const* names = table->groups[group];
  // Walk up to the index so that nothing past the group's end is read.
  for (int i = 0; i < index; ++i)
    if (!names[i]) return kAliasEntryOutside;
  const WCHAR* name = names[index];
  if (!name) return kAliasEntryOk;
  const size_t bytes = (size_t(lstrlenW(name)) + 1) * sizeof(WCHAR);
  auto* copy = static_cast<WCHAR*>(GlobalAlloc(GMEM_FIXED, bytes));
  if (!copy) return kAliasEntryNoMemory;
  std::memcpy(copy, name, bytes);
  *entry = copy;
  return kAliasEntryOk;
}

int CompareNamePrefix(const WCHAR* a, const WCHAR* b) {
  if (!a || !b) return -1;
  const size_t n = size_t(std::min(lstrlenW(a), lstrlenW(b)));
  return _wcsnicmp(a, b, n);
}
