// Sizes, identity values and the shape of the driver's byte blocks: the
// DriverDevMode (public DEVMODEW + private part), the DevModeExtension that
// follows it in the WorkingDevMode, the PrinterSettingsBlock and the font
// record. Fields are reached through the id table only; the structures here
// fix the sizes and where the public and font fields lie.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win/win_devmode.h"
#include "platform/win/win_logfont.h"
#include "platform/win/win_types.h"

constexpr UINT kPublicDevModeSize = 220;
constexpr UINT kDevModePrivateSize = 2408;  // dmDriverExtra of the driver's DEVMODE
constexpr UINT kDriverDevModeSize = 2628;
constexpr UINT kDevModeExtensionSize = 2072;
constexpr UINT kWorkingDevModeSize = 4700;
constexpr UINT kPrinterSettingsBlockSize = 2840;
constexpr UINT kFontRecordSize = 92;

// Identity values of a block built by this driver.
constexpr WORD kDevModeSpecVersion = 0x401;
constexpr WORD kDriverVersion = 0x3204;
constexpr WORD kSettingsFormatVersion = 0x6930;
// A stored block whose format version is below this is of the older generation.
constexpr WORD kOldGenerationFormatLimit = 0x4005;

// Where the two font records (LOGFONTW layout) lie in the DriverDevMode.
constexpr UINT kFirstFontRecordOffset = 1108;
constexpr UINT kSecondFontRecordOffset = 1652;

#pragma pack(push, 1)
struct DriverDevMode {
  DEVMODEW publicPart;
  BYTE privatePart[kDevModePrivateSize];
};

struct DevModeExtension {
  BYTE bytes[kDevModeExtensionSize];
};

struct WorkingDevMode {
  DriverDevMode devMode;
  DevModeExtension extension;
};

struct PrinterSettingsBlock {
  BYTE bytes[kPrinterSettingsBlockSize];
};
#pragma pack(pop)

static_assert(sizeof(DEVMODEW) == kPublicDevModeSize);
static_assert(sizeof(DriverDevMode) == kDriverDevModeSize);
static_assert(sizeof(DevModeExtension) == kDevModeExtensionSize);
static_assert(sizeof(WorkingDevMode) == kWorkingDevModeSize);
static_assert(offsetof(WorkingDevMode, extension) == kDriverDevModeSize);
static_assert(sizeof(PrinterSettingsBlock) == kPrinterSettingsBlockSize);
static_assert(sizeof(LOGFONTW) == kFontRecordSize);
static_assert(kPublicDevModeSize + kDevModePrivateSize == kDriverDevModeSize);

// The default of the second font record (setting 357): a 9-unit high face
// of character set 128 whose name is the code page 932 bytes of a Japanese
// face name, each byte kept as its code page 1252 character.
const LOGFONTW& GetDefaultSecondFontRecord();
