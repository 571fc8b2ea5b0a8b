// Tables of the dependent settings and their lookups in both directions.
#include "settings/access/dependent_values.h"

#include <cstddef>
#include <iterator>

namespace {

constexpr WORD k267To325[] = {0, 3, 4, 3, 2, 1, 1, 4, 2};

// Position codes of 326 by value of 320, one row per layout class (A, B).
constexpr WORD k320To326[2][10] = {
    {0, 0x303, 0x103, 0x101, 0x104, 0x404, 0x204, 0x202, 0x203, 0x606},
    {0, 0x202, 0x203, 0x303, 0x103, 0x101, 0x104, 0x404, 0x204, 0x606},
};

// Position codes of 344 by value of 341.
constexpr WORD k341To344[2][6] = {
    {0, 0x303, 0x101, 0x404, 0x202, 0x606},
    {0, 0x202, 0x303, 0x101, 0x404, 0x606},
};

// Value of 267 by value of 325 (1-4), per class.
constexpr WORD k325To267[2][5] = {
    {0, 6, 8, 1, 2},
    {0, 5, 4, 3, 7},
};

struct PositionTable {
  const WORD* classA;
  const WORD* classB;
  size_t count;  // the first and the last value map the same in every class
};

bool GetPositionTable(SettingId id, PositionTable* table) {
  if (id == 320) {
    *table = {k320To326[0], k320To326[1], 10};
    return true;
  }
  if (id == 341) {
    *table = {k341To344[0], k341To344[1], 6};
    return true;
  }
  return false;
}

const WORD* ClassRow(const PositionTable& table, DependentLayoutClass layout) {
  switch (layout) {
    case DependentLayoutClass::kA: return table.classA;
    case DependentLayoutClass::kB: return table.classB;
    default: return nullptr;
  }
}

}  // namespace

DependentLayoutClass GetDependentLayoutClass(WORD orientation, WORD pagesPerSheet) {
  const bool oneOrFour = pagesPerSheet == 1 || pagesPerSheet == 4;
  const bool twoOrEight = pagesPerSheet == 2 || pagesPerSheet == 8;
  if ((orientation == 1 && oneOrFour) || (orientation == 2 && twoOrEight)) {
    return DependentLayoutClass::kA;
  }
  if ((orientation == 1 && twoOrEight) || (orientation == 2 && oneOrFour)) {
    return DependentLayoutClass::kB;
  }
  return DependentLayoutClass::kNone;
}

int MapSetting267To325(WORD value, WORD* result) {
  if (result == nullptr || value >= std::size(k267To325)) return 1;
  *result = k267To325[value];
  return 0;
}

int LookupDependentPosition(SettingId id, const DependentValueRecord* record, WORD* result) {
  PositionTable table;
  if (record == nullptr || result == nullptr || !GetPositionTable(id, &table)) return 1;
  const WORD value = record->value;
  if (value >= table.count) return 1;
  // The first and last values need no class.
  if (value == 0 || value == table.count - 1) {
    *result = table.classA[value];
    return 0;
  }
  const WORD* row = ClassRow(table, GetDependentLayoutClass(record->orientation, record->pagesPerSheet));
  if (row == nullptr) return 1;
  *result = row[value];
  return 0;
}

int LookupDependentValueById(SettingId id, const DependentValueRecord* record, WORD* result) {
  PositionTable table;
  if (record == nullptr || result == nullptr || !GetPositionTable(id, &table)) return 1;
  const WORD position = record->dependentValue;
  const WORD last = static_cast<WORD>(table.count - 1);
  if (position == table.classA[0] || position == table.classA[last]) {
    *result = position == table.classA[0] ? 0 : last;
    return 0;
  }
  const WORD* row = ClassRow(table, GetDependentLayoutClass(record->orientation, record->pagesPerSheet));
  if (row == nullptr) return 1;
  for (WORD v = 1; v < last; ++v) {
    if (row[v] == position) {
      *result = v;
      return 0;
    }
  }
  return 1;
}

int LookupDependentValue(const DependentValueRecord* record, WORD* result) {
  if (record == nullptr || result == nullptr) return 1;
  const WORD value = record->dependentValue;
  if (value == 0) {
    *result = 0;
    return 0;
  }
  if (value >= std::size(k325To267[0])) return 1;
  switch (GetDependentLayoutClass(record->orientation, record->pagesPerSheet)) {
    case DependentLayoutClass::kA: *result = k325To267[0][value]; return 0;
    case DependentLayoutClass::kB: *result = k325To267[1][value]; return 0;
    default: return 1;
  }
}
