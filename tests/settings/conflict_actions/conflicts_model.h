// A writer-made model with the constraints the conflict action tests act on,
// and a property-page pass that records its calls and answers from a script.
#pragma once

#include <deque>
#include <vector>

#include "actions_fixture.h"
#include "settings/access/setting_values.h"
#include "settings/conflict_actions/conflict_actions.h"
#include "settings/conflicts/conflict_resolution.h"

namespace pk::test {

// Keys of the constraints of ConflictsWriter (type 7, in the order added).
constexpr WORD kLongEdgeAsks = 1;      // status 3: two-sided long edge needs black and white
constexpr WORD kLandscapeInforms = 2;  // status 9: landscape sets one copy
constexpr WORD kLayoutAsks = 3;        // status 5: pages per sheet against the booklet layout
constexpr WORD kCopiesRefused = 4;     // status 2: several copies refused with long edge
constexpr WORD kGroups = 5;            // status 2: (colour and portrait) or (short edge or tray 1)
constexpr WORD kTextResolution = 6;    // status 3: long edge writes a free text

// `copiesRule` is the rule word of the constraint on several copies.
inline ddd::ModelWriter ConflictsWriter(uint32_t modelFlags = 0, uint16_t copiesRule = 2) {
  using ddd::Chained;
  using ddd::Condition;
  using ddd::Text;
  using ddd::Value;
  ddd::ModelWriter w;
  w.modelName = "Conflicts";
  w.SetField(26, {modelFlags});
  auto is = [](uint16_t setting, Value v) { return Condition{0, 1, setting, v}; };
  w.AddConstraint(7, is(16, Value::I16(2)), 3, Text::Plain("Long edge"), {Chained{is(15, Value::I16(2)), 3}},
                  {is(15, Value::I16(1))});
  w.AddConstraint(7, is(7, Value::I16(2)), 9, Text::Plain("Landscape"), {}, {is(12, Value::I16(1))});
  w.AddConstraint(7, is(295, Value::U16(2)), 5, Text::Plain("Layout"), {Chained{is(267, Value::U16(1)), 3}}, {});
  w.AddConstraint(7, Condition{0, 6, 12, Value::I16(2)}, copiesRule, Text::Plain("Copies"),
                  {Chained{is(16, Value::I16(2)), 3}}, {});
  w.AddConstraint(7, is(16, Value::I16(3)), 2, Text::Plain("Groups"),
                  {Chained{is(15, Value::I16(2)), 1}, Chained{is(7, Value::I16(1)), 3},
                   Chained{is(16, Value::I16(3)), 2}, Chained{is(13, Value::I16(1)), 3}},
                  {});
  w.AddConstraint(7, is(16, Value::I16(2)), 3, Text::Plain("Memo"), {Chained{is(15, Value::I16(2)), 3}},
                  {is(1033, Value::Str(Text::Plain("Two-sided memo\nsecond line")))});
  auto feature = [&](uint16_t id, const char* name, std::vector<std::pair<const char*, Value>> options,
                     std::vector<uint16_t> constraints = {}) {
    std::vector<uint16_t> keys;
    for (auto& [text, value] : options) keys.push_back(w.AddOption(14, Text::Plain(text), 0, 0, value));
    w.AddFeature(4, id, Text::Plain(name), 1, 1, keys, 0, constraints);
  };
  feature(7, "Orientation", {{"Portrait", Value::I16(1)}, {"Landscape", Value::I16(2)}});
  feature(12, "Copies", {{"1", Value::I16(1)}, {"999", Value::I16(999)}}, {kCopiesRefused});
  feature(13, "Paper source", {{"Tray 1", Value::I16(1)}, {"Bypass", Value::I16(4)}});
  feature(15, "Colour", {{"Black and white", Value::I16(1)}, {"Colour", Value::I16(2)}});
  feature(16, "Two-sided printing",
          {{"Off", Value::I16(1)}, {"Long edge", Value::I16(2)}, {"Short edge", Value::I16(3)}});
  feature(267, "Booklet", {{"None", Value::U16(0)}, {"Left binding", Value::U16(1)}});
  feature(295, "Pages per sheet", {{"1", Value::U16(1)}, {"2", Value::U16(2)}});
  feature(296, "Poster sheets", {{"1 x 1", Value::U16(0x0101)}, {"2 x 2", Value::U16(0x0202)}});
  feature(321, "Fit to sheets", {{"Off", Value::U16(0)}, {"On", Value::U16(1)}});
  feature(1033, "Free text", {{"Memo", Value::Str(Text::Plain("Memo"))}});
  return w;
}

// The property-page pass of the tests: records each call and answers from a
// script (1 when it runs out); an answer 4 writes the value and lists its id
// as the interface library's pass does.
struct PassCall {
  DWORD flags;
  HWND owner;
  SettingId id;
  SettingValueType type;
  int64_t value;  // -1 for none
  bool withLists;
  bool withResult;
};
inline std::vector<PassCall> g_passCalls;
inline std::deque<WORD> g_passAnswers;

inline WORD ScriptedPass(DWORD flags, HWND owner, const SettingsContext* context, const SettingValueRef* valueRef,
                         WORD** ids, WORD* count, ConstraintResult* result) {
  int64_t value = -1;
  if (valueRef->value) value = ReadValueAsInt32(valueRef->valueType, valueRef->value);
  g_passCalls.push_back({flags, owner, valueRef->id, valueRef->valueType, value, ids && count, result != nullptr});
  WORD answer = 1;
  if (!g_passAnswers.empty()) {
    answer = g_passAnswers.front();
    g_passAnswers.pop_front();
  }
  if (answer == 4) {
    if (StoreSettingValue(context, valueRef) != 0) return 1;
    if (AddSettingIdToList(valueRef->id, kIdListRoom, ids, count) != kIdListOk) return 1;
  }
  return answer;
}

}  // namespace pk::test
