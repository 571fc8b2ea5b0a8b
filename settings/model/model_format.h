// The layout of the device description files: the head, the header-field
// layout, the record directory order, index entries and the field encodings,
// with the small decoders that work on bytes alone (version text, level).
// The files are read only; everything here describes stored bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Head of every file.
constexpr uint32_t kModelHeadSize = 224;
constexpr uint32_t kModelTitleOffset = 0;
constexpr uint32_t kModelTitleSize = 64;
constexpr uint32_t kModelVersionOffset = 64;
constexpr uint32_t kModelVersionSize = 24;
constexpr uint32_t kModelLevelOffset = 92;
constexpr uint32_t kModelNameOffset = 96;
constexpr uint32_t kModelNameSize = 64;
constexpr uint32_t kModelSecondaryOffset = 160;
constexpr uint32_t kModelSecondarySize = 64;

// The header area: the u32 length L at 224, fields 1-36 after it, the
// record directory at 228 + L.
constexpr uint32_t kModelHeaderAreaOffset = 224;
constexpr uint32_t kModelHeaderFieldsOffset = 228;
constexpr uint16_t kModelHeaderFieldCount = 37;  // fields 0-36; 37 ends the table

// Record directory: a u32 and a u16, then one 7-byte entry per type (3 bytes,
// then the u32 offset of that type's index).
constexpr uint32_t kModelDirectoryLeadSize = 6;
constexpr uint32_t kModelDirectoryEntrySize = 7;
constexpr size_t kModelDirectoryTypeCount = 19;
constexpr uint16_t kModelDirectoryOrder[kModelDirectoryTypeCount] = {3,  4,  5,  6,  17, 7,  8,  9,  10, 11,
                                                                     12, 13, 14, 15, 16, 18, 19, 20, 21};

// Type index: a u32, the u16 entry count, then 7-byte entries
// {u8 file, u16 key, u32 offset}.
constexpr uint32_t kModelIndexCountOffset = 4;
constexpr uint32_t kModelIndexEntrySize = 7;

// Which file holds a record, and the role of a reader.
constexpr uint16_t kModelFilePrimary = 2;
constexpr uint16_t kModelFileSecondary = 1;

// Record types.
enum ModelRecordType : uint16_t {
  kRecordFileInfo = 1,
  kRecordFlagFeature = 3,
  kRecordSettingFeature = 4,
  kRecordRangeA = 5,
  kRecordRangeB = 6,
  kRecordConstraintA = 7,
  kRecordConstraintB = 8,
  kRecordConditionalPicture = 9,
  kRecordPaper = 10,
  kRecordDeviceFont = 11,
  kRecordBitmap = 12,
  kRecordFlagOption = 13,
  kRecordSettingOption = 14,
  kRecordConditionalTexts = 15,
  kRecordConditionalData = 16,
  kRecordPointPair = 17,
  kRecordValueBlob = 18,
  kRecordNamedByte = 19,
  kRecordValueTable = 20,
  kRecordValueList = 21,
};

// Item kinds of the memory forms.
enum ModelItemKind : uint16_t {
  kItemKey = 515,
  kItemCondition = 517,
  kItemPlacement = 518,
  kItemPoint = 519,
  kItemChainedCondition = 521,
  kItemValueBlob = 522,
  kItemModelValue = 523,
};

// Typed values: the setting value types 1-10 and the value-table reference.
constexpr uint8_t kModelValueFlag = 1;
constexpr uint8_t kModelValueText = 6;
constexpr uint8_t kModelValueInt32 = 10;
constexpr uint8_t kModelValueTableRef = 128;

// Every record of types 3-21 starts with a u32 and the u16 key.
constexpr uint32_t kModelRecordKeyOffset = 4;
constexpr uint32_t kModelRecordBodyOffset = 6;

// A text field that is a resource reference ends in 0 and is longer than
// 5 bytes: module number at n-5, string id at n-3.
constexpr uint16_t kModelReferenceMinBytes = 6;
constexpr int kModelStringChars = 1024;

// One row of the header-field layout: the item count is either fixed or
// stored as a leading u16; the item size is fixed or, for texts, each item
// starts with its own u16 byte length.
struct ModelHeaderField {
  uint16_t id;
  bool storedCount;
  uint16_t count;     // when the count is not stored
  uint16_t itemSize;  // 0: text items
};

constexpr uint16_t kModelTextItem = 0;
extern const ModelHeaderField kModelHeaderFields[kModelHeaderFieldCount];

// Position of a record type in the directory; -1 for types without an entry.
int ModelDirectoryOrdinal(uint16_t type);

// The version text: "<any text>:<major><sep><minor><sep><build>". Reads at
// most `size` bytes of `text`; false for a text that does not parse or whose
// major or minor exceeds 255 or build exceeds 65535.
bool ParseVersionText(const char* text, size_t size, uint16_t* major, uint16_t* minor, uint32_t* build);
inline bool ParseVersionText(const char (&text)[kModelVersionSize], uint16_t* major, uint16_t* minor, uint32_t* build) {
  return ParseVersionText(text, kModelVersionSize, major, minor, build);
}
uint32_t MakeVersionNumber(uint32_t major, uint32_t minor, uint32_t build);
// The accepted versions, 1.2.0 to 1.2.255.
constexpr uint32_t kModelVersionLowest = (1u << 24) | (2u << 16);
constexpr uint32_t kModelVersionHighest = (1u << 24) | (2u << 16) | 255u;
// The big-endian level of head bytes 92-95, each byte sign-extended.
uint32_t ReadBigEndianLevel(const unsigned char bytes[4]);
