// Paper fit checks of the conflict engine: whether a user-defined paper lies
// within the sizes a paper source or an output option takes, and whether a
// document enlarged over several sheets still fits them. Sizes are in the
// unit of dmPaperWidth (0.1 mm).
#pragma once

#include "platform/win/win_types.h"
#include "settings/conflicts/constraint_result.h"
#include "settings/model/model_records.h"

// The settings the paper checks read; each takes the value given in the
// SettingValueRef when that names it, else the current value.
struct PaperContext {
  DWORD paper;   // setting 262, or dmPaperSize when that is 267 or 305
  DWORD source;  // setting 265, or dmDefaultSource when that is 258 (and model flag 0x10 clear)
  DWORD setting389;
  DWORD flag481;
  DWORD setting333;
  DWORD setting332;
  DWORD setting266;
  DWORD setting410;
  DWORD setting411;
};

// Fills the context and sets its bits (kPaperBit*) in *bits: 0, or 1 when a
// read fails.
WORD ReadPaperContext(const SettingsContext* context, const SettingValueRef* valueRef, PaperContext* paper, WORD* bits);

// A user paper's size from settings 1311 + slot and 1321 + slot: 1, or 0 for
// another paper code or a failed read.
int GetUserPaperSize(const SettingsContext* context, DWORD paperCode, LONG* width, LONG* length);
// A user paper's size, else the first point of pair 1 of the model's paper
// record of that code: 1, or 0 when neither exists.
int GetPaperDimensions(const SettingsContext* context, DWORD paperCode, LONG* width, LONG* length);
// The printable size: a user paper less the margins of pair 2 of its paper
// record, kept within pair 3; a model paper's first point of pair 3. 0, or 1
// on failure.
WORD GetPrintablePaperSize(const SettingsContext* context, DWORD paperCode, LONG* width, LONG* length);

constexpr WORD kRangeFound = 0;
constexpr WORD kRangeFailed = 1;
constexpr WORD kRangeWithoutPaper = 7;  // the range does not list setting 262
// The limits of a range record (type 5 or 6): point 1 the minimum, point 2 the
// maximum.
WORD GetRangeLimits(DeviceModel* model, WORD rangeType, WORD key, LONG* minimumWidth, LONG* minimumLength,
                    LONG* maximumWidth, LONG* maximumLength);

// Comparison codes 7, 8, 10, 11, 12 after their values compared equal:
// kCompareHolds with the bits that remain, kCompareFails, or 1 on failure.
WORD CheckPaperCondition(const SettingsContext* context, const SettingValueRef* valueRef,
                         const ConditionItem* condition, WORD* bits);
// The point-pair key of a comparison-9 condition: the auxiliary key of the
// feature or option record its setting and value select (the evaluated
// record's own when it is that one). 0 with the key (0 for none), else 1.
WORD GetConditionPointPairKey(const SettingsContext* context, const SettingValueRef* valueRef,
                              const ConditionItem* condition, const ModelRecord* record, WORD* key);
// Comparison code 9: the user paper outside the point pair of the key holds
// (kCompareHolds, bit 0x2); inside, or key 0, kCompareFails; 1 on failure.
WORD CheckPaperAgainstPointPair(const SettingsContext* context, const SettingValueRef* valueRef, WORD key, WORD* bits);

// Paper kinds of a constraint's rule word.
constexpr WORD kPaperKindSource = 0x400;
constexpr WORD kPaperKindOutput389 = 0x800;
constexpr WORD kPaperKindOutput266 = 0xC00;
constexpr WORD kPaperKindInRecord = 0x1000;
constexpr WORD kPaperKind410 = 0x1400;
constexpr WORD kPaperKind411 = 0x1800;
constexpr WORD kPaperKind411On266 = 0x1C00;
constexpr WORD kPaperKind410On266 = 0x2000;
constexpr WORD kPaperKind333 = 0x2400;

// The paper kind of the constraint's rule word against its range: 1 conflict
// (the kind's bits ORed into *bits), 0 none (*bits cleared), 2 failure. A
// range that does not list setting 262 counts as not tested: no conflict.
WORD CheckPaperRange(int mode, const SettingsContext* context, const SettingValueRef* valueRef,
                     const ConstraintRecord* constraint, WORD* bits);
// Paper kind 0x1000: a user paper outside pair 2 of its paper record. 1, 0 or 2.
WORD CheckPaperInRecord(int mode, const SettingsContext* context, const SettingValueRef* valueRef,
                        const ConstraintRecord* constraint);

constexpr WORD kScaledPaperFits = 0;
constexpr WORD kScaledPaperFailed = 1;
constexpr WORD kScaledPaperTooLarge = 13;  // the scaled document does not fit
constexpr WORD kScaledPaperTooSmall = 14;  // it would fit on one sheet less both ways
// Whether the document paper scaled by setting 263 fits the output sheets of
// setting 296 (across in the high byte, down in the low byte). With 13 and 14
// a new zero-terminated list of settings 8, 262, 296, 449, 263 without the
// setting being changed, which the caller frees.
WORD CheckScaledPaperFit(const SettingsContext* context, const SettingValueRef* valueRef, WORD** ids);
