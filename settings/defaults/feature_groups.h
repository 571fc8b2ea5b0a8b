// Feature groups: every setting with a default of its own is a row of one of
// ten groups, each group lying in one block. A row may carry operations: a
// static default, a feature handler that computes the default, checks a
// value or supplies the choices, and flags telling which of these apply.
// Rows without operations take their default and options from the device
// model.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"
#include "settings/access/choice_list.h"
#include "settings/model/device_model.h"
#include "settings/access/setting_ids.h"

// FeatureOps flags.
constexpr DWORD kFeatureOwnDefault = 1;     // static default, else handler operation 1
constexpr DWORD kFeatureChecksStored = 2;   // handler operation 2, else the model's options
constexpr DWORD kFeatureDescribesList = 4;  // handler operation 4
constexpr DWORD kFeatureGivesChoices = 8;   // handler operation 8
constexpr DWORD kFeatureChecksProposed = 16;

// Handler operations.
constexpr int kFeatureOpDefault = 1;
constexpr int kFeatureOpCheckStored = 2;
constexpr int kFeatureOpDescribeList = 4;
constexpr int kFeatureOpGiveChoice = 8;
constexpr int kFeatureOpCheckProposed = 16;

// A fixed default value (all are scalars).
struct StaticDefault {
  WORD flags;  // 1: holds a default
  SettingValueType valueType;
  INT length;  // -1: the size of the value type
  uint64_t value;
};

// 1 success or valid; 0 failure, not valid, or an operation it does not handle.
using FeatureHandler = int (*)(DeviceModel* model, int operation, SettingId id, void* arguments);

struct FeatureOps {
  const StaticDefault* staticDefault;
  FeatureHandler handler;
  DWORD flags;
};

struct FeatureRow {
  SettingId id;
  const FeatureOps* ops;  // null: everything comes from the device model
};

struct FeatureGroup {
  DWORD group;  // 10 ends the table
  const FeatureRow* rows;
  WORD count;
  SettingBlock block;
};

struct FeatureGroupRange {
  DWORD group;  // 10 ends the table
  SettingId firstId;
  SettingId lastId;
};

constexpr DWORD kFeatureGroupCount = 10;
constexpr DWORD kFeatureGroupEnd = 10;

// Operation 1: the default of the setting.
struct FeatureDefaultArgs {
  const void* settings;        // printer settings block, may be null
  const WCHAR* printerName;    // may be null
  SettingValueType valueType;  // out
  uint64_t value;              // out: the value, or the address of a new text or record
  INT size;                    // out: bytes
};

// Operations 2 and 16: check a value.
struct FeatureCheckArgs {
  const void* value;  // 8-byte value; for a text it holds the text's address
  void* devMode;
  void* settings;
};

// Operation 4: describe the choice list.
struct FeatureListArgs {
  HMODULE module;
  SettingChoiceList* list;  // kind and count are set
  WORD count;               // item count given by the caller
  WORD* secondCount;        // a second item count given by the caller
};

// The record whose second field lists texts, each ended by 0, the list ended
// by an empty text (the stamp names of operation 8).
struct FeatureTextList {
  ULONG_PTR reserved;
  const WCHAR* texts;
};

// Operation 8 takes a ChoiceAnswer (choice_list.h).

// The group table in its order, with its end row.
extern const FeatureGroup kFeatureGroups[kFeatureGroupCount + 1];
extern const FeatureGroupRange kFeatureGroupRanges[kFeatureGroupCount + 1];

// 1 when the group is in the table, else 0 with the outputs describing the
// end row. Every output may be null.
int GetFeatureGroup(DWORD group, const FeatureRow** rows, WORD* count, SettingBlock* block);
// The row of a setting, or null.
const FeatureRow* FindFeatureRow(SettingId id);

// The handler of every row with operations (feature_handlers.cpp).
int HandleFeature(DeviceModel* model, int operation, SettingId id, void* arguments);
