// Building the choice list of one setting: its title, display kind and items
// from the setting's feature handler or from the device model's feature and
// options, with user papers given their size; the item accessors; and the
// icon of an option's picture.
#pragma once

#include "platform/gdi/gdi_palette_icon.h"
#include "platform/win/win_types.h"
#include "settings/access/choice_list.h"
#include "settings/defaults/feature_groups.h"
#include "settings/model/device_model.h"

// The stamp-name setting, whose items are the stored stamps.
constexpr SettingId kStampNameSetting = 298;
// The size text of a user paper: "(%s x %s mm)" with width and length in mm.
constexpr UINT kUserPaperSizeString = 703;
// A decorated user paper's size text holds at most this many characters.
constexpr int kUserPaperSizeChars = 63;
// At most this many user papers of one list are decorated.
constexpr int kDecoratedUserPapers = 10;

// A new list for the setting, or null (no printer, no feature row, or a
// header or item that cannot be made). `count` and `textTable` feed the
// handler-described lists; `devMode` and `settings` the user paper sizes.
SettingChoiceList* BuildSettingChoiceList(HANDLE printer, DeviceModel* model, SettingId id, HMODULE module, WORD count,
                                          const WCHAR* const* textTable, void* devMode, void* settings);
// Sets id, title, kind and count from the handler (operation 4) or the
// model's feature: 1, else 0.
int FillChoiceListHeader(DeviceModel* model, SettingId id, HMODULE module, SettingChoiceList* list,
                         const FeatureRow* row, WORD count, WORD* secondCount);
// Allocates and fills the items (handler operation 8 or the model's options);
// paper lists then get their user papers decorated. 1, else 0.
int FillChoiceItems(DeviceModel* model, SettingId id, SettingChoiceList* list, HMODULE module, const FeatureRow* row,
                    const WCHAR* const* textTable, const FeatureTextList* textList, void* devMode, void* settings);
// Appends the size to the texts of the first ten user papers: "name (W x L mm)".
int DecorateUserPaperItems(HMODULE module, SettingValueType valueType, SettingChoiceList* list, const void* devMode,
                           const void* settings);

// An icon (and its palette) of an icon image: a packed DIB of `dibSize` bytes
// whose height counts the colour rows and the 32-bit mask rows below them.
// The header, colour table, colour rows and mask rows must lie within the
// bytes, the width and the icon height must be 1 to 32, and the pixels 1, 4,
// 8 or 24 bits uncompressed; otherwise 0 and nothing is made. The DIB is not
// changed. Nonzero with the icon, and the palette when the bitmap has colours.
int CreateIconFromDib(HMODULE module, const BYTE* dib, DWORD dibSize, HICON* icon, HPALETTE* palette);

// Item n, or none for a missing list, no items, count -1 or n out of range.
ChoiceItem* GetChoiceItem(const SettingChoiceList* list, INT n);
const WCHAR* GetChoiceItemText(const SettingChoiceList* list, INT n);
HICON GetChoiceItemIcon(const SettingChoiceList* list, INT n);
HPALETTE GetChoiceItemPalette(const SettingChoiceList* list, INT n);
