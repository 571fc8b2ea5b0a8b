// Helpers of the conflict engine tests: small models made by the model writer
// with the settings buffers they are checked against, conditions and values
// in the writer's terms, and readers of the result's lists.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "models/model_fixture.h"
#include "platform/win/win_seams.h"
#include "settings/access/setting_access.h"
#include "settings/conflicts/conflict_engine.h"
#include "settings/conflicts/conflict_resolution.h"
#include "settings/conflicts/constraint_result.h"
#include "settings/conflicts/paper_fit.h"
#include "settings/settings_buffers.h"

namespace pk::test {

// The engine only asks whether an owner is there; checks that read the stamp
// store get a real printer instead.
inline HANDLE const kOwner = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x5150));

inline ddd::Condition Cond(uint16_t setting, uint8_t comparison, const ddd::Value& value) {
  return ddd::Condition{0, comparison, setting, value};
}
inline ddd::Chained Chain(uint16_t setting, uint8_t comparison, const ddd::Value& value, uint8_t join) {
  return ddd::Chained{Cond(setting, comparison, value), join};
}
// A condition without values: evaluating it is a failure, so a chain that
// succeeds proves it was never evaluated.
inline ddd::Chained Poison(uint16_t setting, uint8_t join) { return Chain(setting, 1, ddd::Value{2, {}}, join); }

inline std::vector<WORD> Ids(const WORD* list, WORD count) { return std::vector<WORD>(list, list + count); }
inline std::vector<WORD> TypeSeven(const ConstraintResult* r) { return Ids(r->typeSevenKeys, r->typeSevenCount); }
inline std::vector<WORD> TypeEight(const ConstraintResult* r) { return Ids(r->typeEightKeys, r->typeEightCount); }
inline std::vector<WORD> Related(const ConstraintResult* r) { return Ids(r->relatedIds, r->relatedCount); }
// A zero-terminated block, freed.
inline std::vector<WORD> TakeList(WORD* list) {
  std::vector<WORD> ids;
  if (list == nullptr) return ids;
  for (const WORD* p = list; *p != 0; ++p) ids.push_back(*p);
  GlobalFree(list);
  return ids;
}

// A result that goes back at the end of the test.
struct Result {
  ConstraintResult* r = AllocConstraintResult();
  ~Result() { FreeConstraintResult(r); }
  ConstraintResult* operator->() const { return r; }
};

// Runs the step with the n-th allocation failing, for n = 1 to `runs`: no
// global block may be left behind by any run. The count of runs that
// failed is returned.
template <typename Step>
int FailEachAllocation(unsigned runs, Step step) {
  int failed = 0;
  for (unsigned n = 1; n <= runs; ++n) {
    const SIZE_T before = pk::seams::GlobalLiveBlocks();
    pk::seams::FailNthAllocation(n);
    const bool ok = step();
    pk::seams::FailNthAllocation(0);
    if (!ok) ++failed;
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before) << "allocation " << n;
  }
  return failed;
}

// A small model loaded into a fresh root with settings buffers of their
// exact sizes.
class ConflictTest : public ModelTest {
 protected:
  SettingsContext Context() { return SettingsContext{model_, buffers_.devMode.data(), buffers_.settings.data()}; }

  template <typename T>
  void Set(SettingId id, SettingValueType type, T value) {
    ASSERT_EQ(SetSettingValue(id, buffers_.devMode.data(), buffers_.settings.data(), type, sizeof(T), &value), 0) << id;
  }
  void SetText(SettingId id, const std::u16string& text) {
    const WCHAR* address = text.c_str();
    ASSERT_EQ(SetSettingValue(id, buffers_.devMode.data(), buffers_.settings.data(), kSettingTypeText,
                              static_cast<UINT>(text.size() * 2 + 2), &address),
              0)
        << id;
  }
  int64_t Get(SettingId id) {
    uint64_t v = 0;
    SettingValueType type = 0;
    UINT size = 0;
    EXPECT_EQ(GetSettingValue(id, buffers_.devMode.data(), buffers_.settings.data(), &type, &size, &v), 0) << id;
    switch (type) {
      case kSettingTypeInt16: return static_cast<int16_t>(v);
      case kSettingTypeUInt16: return static_cast<uint16_t>(v);
      case kSettingTypeUInt8: return static_cast<uint8_t>(v);
      case kSettingTypeSInt32:
      case kSettingTypeFontField: return static_cast<int32_t>(v);
      default: return static_cast<uint32_t>(v);
    }
  }

  // CheckSettingConflicts over the fixture's model and buffers.
  WORD Check(int mode, SettingId id, SettingValueType type, const void* value, ConstraintResult* result,
             WORD** list = nullptr, const WORD* filter = nullptr, HANDLE owner = kOwner) {
    return CheckSettingConflicts(mode, owner, model_, buffers_.devMode.data(), buffers_.settings.data(), filter, id,
                                 type, value, result, list);
  }

  SettingsBuffers buffers_;
};

}  // namespace pk::test
