// Settings stored in terms of the page while the user chooses them in terms
// of the sheet (or conversely): 325 follows 267, 326 follows 320 and 344
// follows 341. The last two depend on the page orientation and on the pages
// per sheet (setting 295), which may swap the page's axes.
#pragma once

#include "platform/win/win_types.h"
#include "settings/access/setting_ids.h"

// The input of a lookup: dmOrientation, setting 295, the chooser's value
// (267, 320 or 341) and the dependent value (325, 326 or 344) for the
// inverse lookups.
struct DependentValueRecord {
  WORD orientation;
  WORD pagesPerSheet;
  WORD value;
  WORD dependentValue;
};

enum class DependentLayoutClass { kNone, kA, kB };

// Class A: portrait with 1 or 4 pages per sheet, landscape with 2 or 8;
// class B: the other way round; anything else has no class.
DependentLayoutClass GetDependentLayoutClass(WORD orientation, WORD pagesPerSheet);

// Each lookup answers 0 with the result, or 1 when there is no binding (the
// result is then left alone).
int MapSetting267To325(WORD value, WORD* result);
// id 320 or 341: the value of 326 or 344 for record->value.
int LookupDependentPosition(SettingId id, const DependentValueRecord* record, WORD* result);
// id 320 or 341: the value of that setting that gives record->dependentValue.
int LookupDependentValueById(SettingId id, const DependentValueRecord* record, WORD* result);
// The value of 267 that gives record->dependentValue as 325 in the record's class.
int LookupDependentValue(const DependentValueRecord* record, WORD* result);
