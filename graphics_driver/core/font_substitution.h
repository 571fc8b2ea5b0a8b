// TrueType to device font substitution: which face of the PDEV's device
// fonts (fontFaces) best stands for the TrueType font of a FONTOBJ. The font
// substitution table (TrueType name, device font name pairs) answers first;
// otherwise every face is scored by character set, alias groups of
// equivalent names, family, pitch, weight and slant, one unsigned byte each.
// The driver's text output draws glyph bitmaps and never asks this.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"

// Answers of the matching functions.
constexpr int kFontSubChosen = 2;     // a face was chosen: its index is set
constexpr int kFontSubNone = 1;       // no substitution
constexpr int kFontSubNoMemory = 3;   // the scores or an alias copy could not be had
constexpr int kFontSubNoMetrics = 4;  // the FONTOBJ has no IFIMETRICS
constexpr int kFontSubFailed = 5;     // bad arguments or a failed step

// Scores of up to this many faces are kept on the stack; more are
// allocated.
constexpr uint32_t kStackScoreFaces = 80;

// The device font name paired with the TrueType name equal to `name`
// (exactly), pointing into the table, or null. The table is a GlobalAlloc
// multi-string of pairs ended by an empty name; the walk never passes the
// block's end, so a table without that end answers null.
const WCHAR* FindSubstitute(const WCHAR* table, const WCHAR* name);

// Through the substitution table only: the faces named like the device font
// paired with `name`, narrowed by character set, weight and slant. The
// PDEV's table is read from the printer when it has none.
int MatchFontSubstitution(PdevState* pdev, FONTOBJ* pfo, const WCHAR* name, uint32_t* faceIndex);
// The table with familyName first, then the scoring of every face.
int ScoreDeviceFonts(PdevState* pdev, FONTOBJ* pfo, const WCHAR* familyName, uint32_t* faceIndex);

// Points for pitch, family nibble and (for a Swiss TrueType font) the names
// known to print well from Roman or Modern device faces. Bit 0 of the device
// byte marks a fixed-pitch face; the TrueType byte holds FIXED_PITCH or
// VARIABLE_PITCH in its low two bits.
int FamilyScore(const WCHAR* name, BYTE devicePitchFamily, BYTE trueTypePitchFamily);
// What a face gains in the weight and slant pass: 57 for a matching slant,
// 45 for an upright face when italic is wanted, 0 for an italic face when it
// is not; 30 more when the TrueType weight is at least the face's; less one
// per 100 of weight difference; plus 10. Weights beyond the usual 0..1000
// may make it negative: a score then stops at 0 rather than wrapping.
int WeightSlantScore(bool faceItalic, int faceWeight, bool italicWanted, int trueTypeWeight);
