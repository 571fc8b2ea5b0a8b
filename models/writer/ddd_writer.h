// The writer of device description files: lays out a primary file (and a
// secondary file when records are placed there) from a structured
// description. It shares no code with the reader on purpose, so a test that
// writes with one and reads with the other checks both against the format.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ddd {

using Bytes = std::vector<uint8_t>;

// A text of the model: narrow code-page bytes stored inverted, or a
// reference to string `id` of resource module `module` (1 = header field
// 36 item 0).
struct Text {
  std::string narrow;
  uint16_t module = 0;
  uint16_t id = 0;
  static Text Plain(std::string s) { return Text{std::move(s), 0, 0}; }
  static Text Ref(uint16_t module, uint16_t id) { return Text{{}, module, id}; }
  bool empty() const { return narrow.empty() && id == 0; }
};

// The stored body of a text (without its u16 byte count).
Bytes EncodeText(const Text& text);

// A typed value: type 1 stores one byte, type 10 four, type 6 a text body,
// type 128 a 1-based value-table position, others their raw bytes.
struct Value {
  uint8_t type = 0;
  Bytes data;  // the stored data; empty: absent (length 0)
  static Value Flag(bool v) { return Value{1, {static_cast<uint8_t>(v ? 1 : 0)}}; }
  static Value U16(uint16_t v) { return Value{3, {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}}; }
  static Value I16(int16_t v) {
    Value x = U16(static_cast<uint16_t>(v));
    x.type = 2;
    return x;
  }
  static Value U8(uint8_t v) { return Value{8, {v}}; }
  static Value I32(int32_t v, uint8_t type = 10);
  static Value U32(uint32_t v) { return I32(static_cast<int32_t>(v), 5); }
  static Value Str(const Text& t) { return Value{6, EncodeText(t)}; }
  static Value TableRef(uint16_t position) {
    return Value{128, {static_cast<uint8_t>(position), static_cast<uint8_t>(position >> 8)}};
  }
};

// The metrics block of a device font (the data of its font record). The
// offsets the block stores count from its byte 6; the extended tables are
// written only when one of them has entries.
struct FontMetrics {
  std::string face, family;  // code-page bytes
  std::string id = "0";      // hexadecimal text
  uint16_t aspectX = 300, aspectY = 300;
  int16_t ascender = 0, descenderLine = 0, lineHeight = 0;
  uint8_t italic = 0, underline = 0, strikeOut = 0;
  uint16_t weight = 400;
  uint8_t charSet = 0, pitchAndFamily = 0;
  int16_t averageWidth = 0, maxWidth = 0;
  uint8_t first = 32, last = 255, breakIndex = 0, defaultIndex = 0;
  // Metrics group M by its offset (8 lowest size, 14 cap height, 16 x-height,
  // 18 strike-out reference, 22 italic angle, 24/26 super/subscript offset,
  // 28/30 super/subscript size, 34 underline size, 46 strike-out size).
  std::map<uint8_t, int16_t> group;
  std::vector<uint16_t> widths;  // first..last; empty: no width table
  struct Kern {
    uint8_t first, second;
    int16_t amount;
  };
  std::vector<Kern> kerning;
  struct Range {
    uint16_t first, last, width;
  };
  std::vector<Range> ranges;                                       // range table
  std::vector<std::pair<uint16_t, uint16_t>> pairs;                // pair table (code, width), sorted
  std::vector<std::pair<uint16_t, std::vector<uint16_t>>> arrays;  // array table (first, widths)
};
Bytes BuildFontMetricsBlock(const FontMetrics& metrics);

struct Condition {
  uint16_t subject = 0;
  uint8_t comparison = 0;
  uint16_t setting = 0;
  Value value;
};

struct Chained {
  Condition condition;
  uint8_t join = 0;
};

struct Point {
  int16_t x = 0, y = 0;
};

struct Pair {
  Point a, b;
};

// A header field item: a number of the field's item size, or a text.
struct FieldItem {
  uint32_t number = 0;
  Text text;
};

enum class Place { kPrimary, kSecondary };

class ModelWriter {
 public:
  // Head. The level is written big-endian.
  std::string title = "Device description";
  std::string version = "DDD version:1.2.0";
  uint32_t level = 0x300;
  std::string modelName;
  std::string secondaryName;  // file name of the secondary file; empty: none

  // Header fields 1-36 (field 0, the length, is computed). Missing fields
  // are written as zeros (fixed counts) or empty (stored counts).
  void SetField(int id, std::vector<uint32_t> numbers);
  void SetTextField(int id, std::vector<Text> texts);

  // Records. Keys of options (13, 14), constraints (7, 8) and point pairs
  // (17) are their 1-based positions in the type's index and are returned.
  uint16_t AddPointPair(const Pair& pair, Place place = Place::kPrimary);
  uint16_t AddOption(uint16_t type, const Text& name, uint16_t targetType, uint16_t targetKey, const Value& value,
                     uint16_t auxiliary = 0, std::vector<uint16_t> constraintsA = {},
                     std::vector<uint16_t> constraintsB = {}, uint16_t blob = 0, Place place = Place::kPrimary);
  void AddFeature(uint16_t type, uint16_t key, const Text& name, uint8_t displayKind, uint16_t defaultOption,
                  std::vector<uint16_t> options, uint16_t auxiliary = 0, std::vector<uint16_t> constraintsA = {},
                  std::vector<uint16_t> constraintsB = {}, uint16_t blob = 0, Place place = Place::kPrimary);
  uint16_t AddConstraint(uint16_t type, const Condition& condition, uint16_t rule, const Text& message,
                         std::vector<Chained> chained = {}, std::vector<Condition> conditions = {},
                         Place place = Place::kPrimary);
  // Pairs are given in their meaning order (1: size, 2: margins, 3:
  // printable, 4: size range) and stored as keys A = 1, B = 3, C = 2, D = 4.
  void AddPaper(uint16_t key, const Text& name, uint8_t paperByte, const Pair& pair1, const Pair& pair2,
                const Pair& pair3, uint16_t paperCode, uint16_t secondCode, uint8_t sizeKind,
                std::optional<Pair> pair4 = std::nullopt, Place place = Place::kPrimary);
  void AddRange(uint16_t type, uint16_t key, const Text& name, const Pair& points, uint16_t word,
                std::vector<uint16_t> settings, std::vector<uint16_t> second, uint8_t byte);
  void AddDeviceFont(uint16_t key, const Text& face, const Text& second, std::vector<Text> aliases,
                     std::vector<Text> secondTexts, const Bytes& fontData, uint16_t word);
  // `bitmapFile` is a whole bitmap file (its 14-byte file header included).
  void AddBitmap(uint16_t key, uint8_t format, uint16_t width, uint16_t height, const Bytes& bitmapFile);
  void AddPicture(uint16_t key, std::vector<Chained> chained, uint16_t x, uint16_t y, uint16_t bitmap);
  void AddConditionalTexts(uint16_t key, uint16_t word, std::vector<Chained> chained, const Text& a, const Text& b);
  void AddConditionalData(uint16_t key, std::vector<Chained> chained, uint8_t a, uint8_t b, const Bytes& data);
  void AddBlob(uint16_t key, const Bytes& data);
  void AddNamedByte(uint16_t key, const Text& name, uint8_t byte, Place place = Place::kPrimary);
  // Items are given as numbers and stored with the item size.
  void AddValueTable(uint16_t key, uint16_t word, uint8_t valueType, uint16_t itemSize,
                     const std::vector<int64_t>& items);
  void AddValueList(uint16_t key, const Text& name, std::vector<std::pair<uint16_t, Value>> entries);
  // Any record body (after the u32 and key), for tests.
  void AddRawRecord(uint16_t type, uint16_t key, const Bytes& body, Place place = Place::kPrimary);

  // Lays out both files; the secondary is empty when no record is placed there.
  void Build(Bytes* primary, Bytes* secondary) const;

  // Count of records of a type so far (the next position is count + 1).
  uint16_t Count(uint16_t type) const;

  // Constraints (types 7 and 8) are found by their positions in their
  // index, so their keys must be those positions: empty when they are, else
  // what the first one out of place is.
  std::string ConstraintKeyFault() const;

 private:
  struct Record {
    uint16_t type;
    uint16_t key;
    Place place;
    Bytes body;
  };
  uint16_t Add(uint16_t type, uint16_t key, Bytes body, Place place);
  Bytes Head(bool primary) const;
  Bytes HeaderArea() const;
  Bytes Lay(bool primary) const;

  std::map<int, std::vector<FieldItem>> fields_;
  std::vector<Record> records_;
};

// A small bottom-up 24-bit bitmap file filled with one colour and a frame.
Bytes MakeBitmapFile(uint16_t width, uint16_t height, uint32_t rgb);

}  // namespace ddd
