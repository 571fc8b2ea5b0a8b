// Paper margins the pages edit and the texts that name them: whether two
// opposite margins still fit the paper, the stored margins of variable-size
// papers that no longer fit and their reset, and the message lines telling
// the user about it. Margins are four i32 lengths m0..m3 in tenths of a
// millimetre in the caller's orientation: in portrait (setting 7 = 1) m0 + m2
// lie across the paper's width and m1 + m3 across its length; in landscape
// the pairs swap axes.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"
#include "settings/conflicts/constraint_result.h"

struct DeviceModel;

constexpr int kMarginSlots = 10;
constexpr UINT kStringPaperLine = 706;
constexpr UINT kStringUserPaper = 729;
constexpr UINT kStringSizeBetween = 734;
constexpr int kMarginLineChars = 512;
constexpr int kPaperTextChars = 256;

struct PaperMargins {
  int32_t m[4];
};
struct PaperDimensions {
  uint16_t width;
  uint16_t length;
};

// Which 0-3 sets (or reads) that one margin from (into) its own argument, 4
// all four: 1, or 0 for another selection or no margins.
int SetMargins(PaperMargins* margins, int which, int32_t m0, int32_t m1, int32_t m2, int32_t m3);
int GetMargins(const PaperMargins* margins, int which, int32_t* m0, int32_t* m1, int32_t* m2, int32_t* m3);
// 1 when the pair of margins fits (its sum is below the paper dimension
// across which it lies), -1 when not, 0 on failure. With useStored the
// printer's stored margins of the paper are checked against the given
// dimensions, the index naming the dimension (0 width, 1 length); otherwise
// the given margins against the paper's own size, the index naming a margin.
int CheckMarginsFit(HANDLE printer, const SettingsContext* context, WORD paperCode, int index,
                    const PaperMargins* margins, const PaperDimensions* dimensions, BOOL useStored);
// Collects into codes (10 slots, zeroed first) the variable-size papers of
// the model whose stored margins do not fit them: 1 when none, -1 when some
// were found, 0 on failure.
int FindPapersWithBadMargins(HANDLE printer, void* devMode, void* settings, DeviceModel* model,
                             WORD codes[kMarginSlots]);
// Stores 46 on every side for each non-zero code: false at the first failure.
BOOL ResetPaperMargins(HANDLE printer, const SettingsContext* context, const WORD codes[kMarginSlots]);
// "name (width x length mm) (user-defined)" of a user paper into `out` of
// kPaperTextChars characters: 1, or 0 for other papers or an unreadable
// setting.
int UserPaperText(HMODULE module, const SettingsContext* context, WORD paperCode, WCHAR* out);
// The default margin as "4.6 mm" into `out` of kPaperTextChars characters.
int DefaultMarginText(HMODULE module, WCHAR* out);
// One line (string 706: the paper's text and the default margin) per set
// code, joined. With append they are added to the message (a global block,
// grown to hold them); with message id -3 the message becomes a new block of
// the lines; otherwise the resource message of that id formatted with the
// lines. The message given for appending must be a global block or null. 1
// (also when no code is set), or 0 when a line fails.
int MarginResetMessage(HMODULE module, const SettingsContext* context, int messageId, const WORD codes[kMarginSlots],
                       WCHAR** message, BOOL append);
