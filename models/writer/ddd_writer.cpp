// Laying out device description files: head, header fields, the record
// directory, one index per record type and the records behind it.
#include "models/writer/ddd_writer.h"

#include <array>
#include <stdexcept>

namespace ddd {
namespace {

// The directory order of the record types.
constexpr std::array<uint16_t, 19> kOrder = {3, 4, 5, 6, 17, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 19, 20, 21};

// Header fields 1-36: count stored or not, item size (0: text items).
struct FieldShape {
  bool stored;
  int size;
};
constexpr FieldShape kFields[37] = {
    {false, 4}, {false, 2}, {false, 4}, {true, 2},  {false, 2}, {false, 1}, {false, 4}, {false, 1},
    {false, 4}, {false, 4}, {false, 2}, {false, 4}, {false, 4}, {false, 0}, {true, 1},  {false, 4},
    {false, 2}, {false, 0}, {false, 0}, {false, 0}, {false, 0}, {false, 0}, {false, 0}, {false, 1},
    {false, 2}, {false, 2}, {false, 4}, {true, 2},  {true, 0},  {false, 0}, {false, 0}, {false, 0},
    {false, 0}, {false, 0}, {false, 0}, {true, 2},  {true, 0},
};

void Put8(Bytes* b, uint32_t v) { b->push_back(static_cast<uint8_t>(v)); }
void Put16(Bytes* b, uint32_t v) {
  if (v > 0xFFFF) throw std::runtime_error("a 16-bit number is out of range");
  Put8(b, v);
  Put8(b, v >> 8);
}
void Put32(Bytes* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void PutN(Bytes* b, uint64_t v, int size) {
  for (int k = 0; k < size; ++k) Put8(b, static_cast<uint32_t>(v >> (8 * k)) & 0xFF);
}
void PutBytes(Bytes* b, const Bytes& data) { b->insert(b->end(), data.begin(), data.end()); }
void PutTextField(Bytes* b, const Text& t) {
  Bytes body = EncodeText(t);
  Put16(b, static_cast<uint32_t>(body.size()));
  PutBytes(b, body);
}
void PutValue(Bytes* b, const Value& v) {
  Put8(b, v.type);
  Put16(b, static_cast<uint32_t>(v.data.size()));
  PutBytes(b, v.data);
}
void PutCondition(Bytes* b, const Condition& c) {
  Put16(b, c.subject);
  Put8(b, c.comparison);
  Put16(b, c.setting);
  PutValue(b, c.value);
}
// A list: u32 byte length of the rest, u16 count, the items.
void PutList(Bytes* b, uint16_t count, const Bytes& items) {
  Put32(b, static_cast<uint32_t>(2 + items.size()));
  Put16(b, count);
  PutBytes(b, items);
}
void PutKeys(Bytes* b, const std::vector<uint16_t>& keys) {
  Bytes items;
  for (uint16_t k : keys) Put16(&items, k);
  PutList(b, static_cast<uint16_t>(keys.size()), items);
}
void PutChained(Bytes* b, const std::vector<Chained>& list) {
  Bytes items;
  for (const Chained& c : list) {
    PutCondition(&items, c.condition);
    Put8(&items, c.join);
  }
  PutList(b, static_cast<uint16_t>(list.size()), items);
}
void PutConditions(Bytes* b, const std::vector<Condition>& list) {
  Bytes items;
  for (const Condition& c : list) PutCondition(&items, c);
  PutList(b, static_cast<uint16_t>(list.size()), items);
}
void PutFixedText(Bytes* b, const std::string& s, size_t size) {
  if (s.size() >= size) throw std::runtime_error("a head text is too long: " + s);
  Bytes field(size, 0);
  std::copy(s.begin(), s.end(), field.begin());
  PutBytes(b, field);
}

}  // namespace

Bytes EncodeText(const Text& text) {
  Bytes out;
  if (text.id != 0) {
    if (text.module == 0) throw std::runtime_error("a text reference needs a module number");
    out = {0,
           static_cast<uint8_t>(text.module),
           static_cast<uint8_t>(text.module >> 8),
           static_cast<uint8_t>(text.id),
           static_cast<uint8_t>(text.id >> 8),
           0};
    return out;
  }
  if (text.narrow.empty()) return out;
  for (char c : text.narrow) out.push_back(static_cast<uint8_t>(~static_cast<uint8_t>(c)));
  out.push_back(0xFF);  // the inverted terminator
  return out;
}

Value Value::I32(int32_t v, uint8_t type) {
  uint32_t u = static_cast<uint32_t>(v);
  return Value{type,
               {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                static_cast<uint8_t>(u >> 24)}};
}

void ModelWriter::SetField(int id, std::vector<uint32_t> numbers) {
  if (id < 1 || id > 36 || kFields[id].size == 0) throw std::runtime_error("not a numeric header field");
  std::vector<FieldItem> items;
  for (uint32_t n : numbers) items.push_back(FieldItem{n, {}});
  fields_[id] = std::move(items);
}

void ModelWriter::SetTextField(int id, std::vector<Text> texts) {
  if (id < 1 || id > 36 || kFields[id].size != 0) throw std::runtime_error("not a text header field");
  std::vector<FieldItem> items;
  for (Text& t : texts) items.push_back(FieldItem{0, std::move(t)});
  fields_[id] = std::move(items);
}

uint16_t ModelWriter::Count(uint16_t type) const {
  uint16_t n = 0;
  for (const Record& r : records_)
    if (r.type == type) ++n;
  return n;
}

std::string ModelWriter::ConstraintKeyFault() const {
  for (uint16_t type : {7, 8}) {
    uint16_t position = 0;
    for (const Record& r : records_) {
      if (r.type != type) continue;
      ++position;
      if (r.key != position)
        return "constraint of type " + std::to_string(type) + " at position " + std::to_string(position) +
               " has the key " + std::to_string(r.key);
    }
  }
  return {};
}

uint16_t ModelWriter::Add(uint16_t type, uint16_t key, Bytes body, Place place) {
  records_.push_back(Record{type, key, place, std::move(body)});
  return key;
}

void ModelWriter::AddRawRecord(uint16_t type, uint16_t key, const Bytes& body, Place place) {
  Add(type, key, body, place);
}

uint16_t ModelWriter::AddPointPair(const Pair& p, Place place) {
  Bytes b;
  for (int16_t v : {p.a.x, p.a.y, p.b.x, p.b.y}) Put16(&b, static_cast<uint16_t>(v));
  return Add(17, static_cast<uint16_t>(Count(17) + 1), b, place);
}

uint16_t ModelWriter::AddOption(uint16_t type, const Text& name, uint16_t targetType, uint16_t targetKey,
                                const Value& value, uint16_t auxiliary, std::vector<uint16_t> constraintsA,
                                std::vector<uint16_t> constraintsB, uint16_t blob, Place place) {
  Bytes b;
  PutTextField(&b, name);
  Put16(&b, targetType);
  Put16(&b, targetKey);
  Put16(&b, auxiliary);
  PutKeys(&b, constraintsA);
  PutKeys(&b, constraintsB);
  PutValue(&b, value);
  Put16(&b, blob);
  return Add(type, static_cast<uint16_t>(Count(type) + 1), b, place);
}

void ModelWriter::AddFeature(uint16_t type, uint16_t key, const Text& name, uint8_t displayKind, uint16_t defaultOption,
                             std::vector<uint16_t> options, uint16_t auxiliary, std::vector<uint16_t> constraintsA,
                             std::vector<uint16_t> constraintsB, uint16_t blob, Place place) {
  Bytes b;
  PutTextField(&b, name);
  Put8(&b, displayKind);
  Put16(&b, defaultOption);
  Put16(&b, auxiliary);
  PutKeys(&b, options);
  PutKeys(&b, constraintsA);
  PutKeys(&b, constraintsB);
  Put16(&b, blob);
  Add(type, key, b, place);
}

uint16_t ModelWriter::AddConstraint(uint16_t type, const Condition& condition, uint16_t rule, const Text& message,
                                    std::vector<Chained> chained, std::vector<Condition> conditions, Place place) {
  Bytes b;
  PutCondition(&b, condition);
  Put16(&b, rule);
  PutTextField(&b, message);
  PutChained(&b, chained);
  PutConditions(&b, conditions);
  return Add(type, static_cast<uint16_t>(Count(type) + 1), b, place);
}

void ModelWriter::AddPaper(uint16_t key, const Text& name, uint8_t paperByte, const Pair& pair1, const Pair& pair2,
                           const Pair& pair3, uint16_t paperCode, uint16_t secondCode, uint8_t sizeKind,
                           std::optional<Pair> pair4, Place place) {
  uint16_t a = AddPointPair(pair1, place);
  uint16_t bKey = AddPointPair(pair3, place);
  uint16_t c = AddPointPair(pair2, place);
  uint16_t d = pair4 ? AddPointPair(*pair4, place) : 0;
  Bytes b;
  PutTextField(&b, name);
  Put8(&b, paperByte);
  Put16(&b, a);
  Put16(&b, bKey);
  Put16(&b, c);
  Put16(&b, paperCode);
  Put16(&b, secondCode);
  Put8(&b, sizeKind);
  Put16(&b, d);
  Add(10, key, b, place);
}

void ModelWriter::AddRange(uint16_t type, uint16_t key, const Text& name, const Pair& points, uint16_t word,
                           std::vector<uint16_t> settings, std::vector<uint16_t> second, uint8_t byte) {
  uint16_t pair = AddPointPair(points);
  Bytes b;
  PutTextField(&b, name);
  Put16(&b, pair);
  Put16(&b, word);
  PutKeys(&b, settings);
  PutKeys(&b, second);
  Put8(&b, byte);
  Add(type, key, b, Place::kPrimary);
}

void ModelWriter::AddDeviceFont(uint16_t key, const Text& face, const Text& second, std::vector<Text> aliases,
                                std::vector<Text> secondTexts, const Bytes& fontData, uint16_t word) {
  Bytes b;
  PutTextField(&b, face);
  PutTextField(&b, second);
  for (const auto* list : {&aliases, &secondTexts}) {
    Put16(&b, static_cast<uint32_t>(list->size()));
    std::vector<Bytes> bodies;
    for (const Text& t : *list) bodies.push_back(EncodeText(t));
    for (const Bytes& body : bodies) Put16(&b, static_cast<uint32_t>(body.size()));
    for (const Bytes& body : bodies) PutBytes(&b, body);
  }
  Put16(&b, 0);  // no skipped block
  Put32(&b, static_cast<uint32_t>(fontData.size()));
  PutBytes(&b, fontData);
  Put16(&b, word);
  Add(11, key, b, Place::kPrimary);
}

void ModelWriter::AddBitmap(uint16_t key, uint8_t format, uint16_t width, uint16_t height, const Bytes& bitmapFile) {
  Bytes b;
  Put8(&b, format);
  Put16(&b, width);
  Put16(&b, height);
  Put16(&b, 0);
  Put32(&b, static_cast<uint32_t>(bitmapFile.size()));
  PutBytes(&b, bitmapFile);
  Add(12, key, b, Place::kPrimary);
}

void ModelWriter::AddPicture(uint16_t key, std::vector<Chained> chained, uint16_t x, uint16_t y, uint16_t bitmap) {
  Bytes b;
  PutChained(&b, chained);
  Put16(&b, x);
  Put16(&b, y);
  Put16(&b, bitmap);
  Add(9, key, b, Place::kPrimary);
}

void ModelWriter::AddConditionalTexts(uint16_t key, uint16_t word, std::vector<Chained> chained, const Text& a,
                                      const Text& t2) {
  Bytes b;
  Put16(&b, word);
  PutChained(&b, chained);
  PutTextField(&b, a);
  PutTextField(&b, t2);
  Add(15, key, b, Place::kPrimary);
}

void ModelWriter::AddConditionalData(uint16_t key, std::vector<Chained> chained, uint8_t a, uint8_t b2,
                                     const Bytes& data) {
  Bytes b;
  PutChained(&b, chained);
  Put8(&b, a);
  Put8(&b, b2);
  Put16(&b, static_cast<uint32_t>(data.size()));
  PutBytes(&b, data);
  Add(16, key, b, Place::kPrimary);
}

void ModelWriter::AddBlob(uint16_t key, const Bytes& data) {
  Bytes b;
  Put16(&b, static_cast<uint32_t>(data.size()));
  PutBytes(&b, data);
  Add(18, key, b, Place::kPrimary);
}

void ModelWriter::AddNamedByte(uint16_t key, const Text& name, uint8_t byte, Place place) {
  Bytes b;
  PutTextField(&b, name);
  Put8(&b, byte);
  Add(19, key, b, place);
}

void ModelWriter::AddValueTable(uint16_t key, uint16_t word, uint8_t valueType, uint16_t itemSize,
                                const std::vector<int64_t>& items) {
  Bytes b;
  Put16(&b, word);
  Put8(&b, valueType);
  Put16(&b, itemSize);
  Put32(&b, static_cast<uint32_t>(2 + items.size() * itemSize));
  Put16(&b, static_cast<uint32_t>(items.size()));
  for (int64_t v : items) PutN(&b, static_cast<uint64_t>(v), itemSize);
  Add(20, key, b, Place::kPrimary);
}

void ModelWriter::AddValueList(uint16_t key, const Text& name, std::vector<std::pair<uint16_t, Value>> entries) {
  Bytes b;
  PutTextField(&b, name);
  Put32(&b, 0);
  Put16(&b, static_cast<uint32_t>(entries.size()));
  for (const auto& [id, value] : entries) {
    Put16(&b, id);
    PutValue(&b, value);
  }
  Add(21, key, b, Place::kPrimary);
}

Bytes ModelWriter::Head(bool primary) const {
  Bytes b;
  PutFixedText(&b, title, 64);
  PutFixedText(&b, version, 24);
  Put32(&b, 0);
  for (int k = 3; k >= 0; --k) Put8(&b, (level >> (8 * k)) & 0xFF);
  PutFixedText(&b, modelName, 64);
  PutFixedText(&b, primary ? secondaryName : std::string(), 64);
  return b;
}

Bytes ModelWriter::HeaderArea() const {
  Bytes fields;
  for (int id = 1; id <= 36; ++id) {
    const FieldShape& shape = kFields[id];
    auto it = fields_.find(id);
    std::vector<FieldItem> items = it != fields_.end() ? it->second : std::vector<FieldItem>{};
    if (!shape.stored) {
      if (items.size() > 1) throw std::runtime_error("header field " + std::to_string(id) + " holds one item");
      if (items.empty()) items.push_back(FieldItem{});
    } else {
      Put16(&fields, static_cast<uint32_t>(items.size()));
    }
    for (const FieldItem& item : items) {
      if (shape.size == 0) PutTextField(&fields, item.text);
      else PutN(&fields, item.number, shape.size);
    }
  }
  Bytes b;
  Put32(&b, static_cast<uint32_t>(fields.size()));
  PutBytes(&b, fields);
  return b;
}

namespace {

struct Laid {
  Bytes bytes;
  std::vector<uint32_t> offsets;  // per record, in the file it is placed in
};

}  // namespace

void ModelWriter::Build(Bytes* primary, Bytes* secondary) const {
  bool hasSecondary = false;
  for (const Record& r : records_)
    if (r.place == Place::kSecondary) hasSecondary = true;
  if (hasSecondary && secondaryName.empty())
    throw std::runtime_error("records are placed in an unnamed secondary file");

  // Each file: head, header area, directory, then per type its index and
  // the records it holds. The primary's index also lists the records of
  // the secondary (file byte 1) at their offsets there.
  std::vector<uint32_t> offsets(records_.size(), 0);
  auto lay = [&](bool isPrimary) {
    Bytes b = Head(isPrimary);
    PutBytes(&b, HeaderArea());
    size_t directory = b.size();
    Put32(&b, 0);
    Put16(&b, 0);
    for (size_t i = 0; i < kOrder.size(); ++i) {
      Put8(&b, 0);
      Put16(&b, 0);
      Put32(&b, 0);
    }
    for (size_t i = 0; i < kOrder.size(); ++i) {
      uint16_t type = kOrder[i];
      std::vector<size_t> listed;
      for (size_t r = 0; r < records_.size(); ++r)
        if (records_[r].type == type && (isPrimary || records_[r].place == Place::kSecondary)) listed.push_back(r);
      uint32_t indexOffset = static_cast<uint32_t>(b.size());
      size_t at = directory + 6 + 7 * i + 3;
      for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(indexOffset >> (8 * k));
      Put32(&b, static_cast<uint32_t>(2 + 7 * listed.size()));
      Put16(&b, static_cast<uint32_t>(listed.size()));
      size_t entries = b.size();
      b.resize(b.size() + 7 * listed.size());
      for (size_t n = 0; n < listed.size(); ++n) {
        const Record& r = records_[listed[n]];
        bool here = isPrimary == (r.place == Place::kPrimary);
        if (here) {
          offsets[listed[n]] = static_cast<uint32_t>(b.size());
          Put32(&b, static_cast<uint32_t>(6 + r.body.size()));
          Put16(&b, r.key);
          PutBytes(&b, r.body);
        }
        uint8_t* e = &b[entries + 7 * n];
        e[0] = r.place == Place::kPrimary ? 2 : 1;
        e[1] = static_cast<uint8_t>(r.key);
        e[2] = static_cast<uint8_t>(r.key >> 8);
        uint32_t off = offsets[listed[n]];
        for (int k = 0; k < 4; ++k) e[3 + k] = static_cast<uint8_t>(off >> (8 * k));
      }
    }
    return b;
  };
  Bytes second = hasSecondary ? lay(false) : Bytes{};
  Bytes first = lay(true);
  *primary = std::move(first);
  if (secondary) *secondary = std::move(second);
}

Bytes MakeBitmapFile(uint16_t width, uint16_t height, uint32_t rgb) {
  uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  uint32_t pixels = stride * height;
  Bytes b;
  Put8(&b, 'B');
  Put8(&b, 'M');
  Put32(&b, 54 + pixels);
  Put32(&b, 0);
  Put32(&b, 54);
  Put32(&b, 40);
  Put32(&b, width);
  Put32(&b, height);
  Put16(&b, 1);
  Put16(&b, 24);
  Put32(&b, 0);
  Put32(&b, pixels);
  Put32(&b, 2835);
  Put32(&b, 2835);
  Put32(&b, 0);
  Put32(&b, 0);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      bool frame = x == 0 || y == 0 || x + 1 == width || y + 1 == height;
      uint32_t c = frame ? 0x202020 : rgb;
      Put8(&b, c & 0xFF);
      Put8(&b, (c >> 8) & 0xFF);
      Put8(&b, (c >> 16) & 0xFF);
    }
    for (uint32_t k = width * 3; k < stride; ++k) Put8(&b, 0);
  }
  return b;
}

Bytes BuildFontMetricsBlock(const FontMetrics& m) {
  // The fixed fields end with the extended tables' offset at 83.
  Bytes b(85, 0);
  auto at16 = [&](size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  auto at32 = [&](size_t at, uint32_t v) {
    at16(at, v & 0xFFFF);
    at16(at + 2, v >> 16);
  };
  // Offsets stored in the block count from its byte 6.
  auto here = [&] { return static_cast<uint32_t>(b.size() - 6); };
  at16(10, m.aspectY);
  at16(12, m.aspectX);
  at16(14, static_cast<uint16_t>(m.ascender));
  at16(16, static_cast<uint16_t>(m.descenderLine));
  at16(18, static_cast<uint16_t>(m.lineHeight));
  b[20] = m.italic;
  b[21] = m.underline;
  b[22] = m.strikeOut;
  at16(23, m.weight);
  b[25] = m.charSet;
  b[30] = m.pitchAndFamily;
  at16(31, static_cast<uint16_t>(m.averageWidth));
  at16(33, static_cast<uint16_t>(m.maxWidth));
  b[35] = m.first;
  b[36] = m.last;
  b[37] = m.breakIndex;
  b[38] = m.defaultIndex;
  at32(45, here());
  b.insert(b.end(), m.face.begin(), m.face.end());
  b.push_back(0);
  b.insert(b.end(), m.family.begin(), m.family.end());
  b.push_back(0);
  at32(59, here());
  Bytes group(52, 0);
  for (const auto& [offset, value] : m.group)
    if (offset + 2 <= 52) {
      group[offset] = static_cast<uint8_t>(value);
      group[offset + 1] = static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8);
    }
  PutBytes(&b, group);
  if (!m.widths.empty()) {
    at32(63, here());
    for (uint16_t w : m.widths) Put16(&b, w);
  }
  if (!m.kerning.empty()) {
    at32(71, here());
    Put16(&b, static_cast<uint32_t>(m.kerning.size()));
    for (const auto& k : m.kerning) {
      Put8(&b, k.first);
      Put8(&b, k.second);
      Put16(&b, static_cast<uint16_t>(k.amount));
    }
  }
  at32(79, here());
  b.insert(b.end(), m.id.begin(), m.id.end());
  b.push_back(0);
  if (!m.ranges.empty() || !m.pairs.empty() || !m.arrays.empty()) {
    const uint32_t e = here();
    at16(83, e);
    Bytes head(18, 0);
    PutBytes(&b, head);
    auto setOffset = [&](uint32_t field) {
      const uint32_t v = here();
      for (int k = 0; k < 4; ++k) b[6 + e + field + k] = static_cast<uint8_t>(v >> (8 * k));
    };
    if (!m.ranges.empty()) {
      setOffset(6);
      Put16(&b, static_cast<uint32_t>(m.ranges.size()));
      for (const auto& r : m.ranges) {
        Put16(&b, r.first);
        Put16(&b, r.last);
        Put16(&b, r.width);
      }
    }
    if (!m.arrays.empty()) {
      setOffset(10);
      Put16(&b, 0);
      Put16(&b, 0);
      Put16(&b, static_cast<uint32_t>(m.arrays.size()));
      const size_t entries = b.size();
      b.resize(b.size() + 8 * m.arrays.size(), 0);
      for (size_t i = 0; i < m.arrays.size(); ++i) {
        const auto& [first, widths] = m.arrays[i];
        const uint32_t array = here();
        for (uint16_t w : widths) Put16(&b, w);
        const size_t entry = entries + 8 * i;
        const uint32_t last = first + static_cast<uint32_t>(widths.empty() ? 0 : widths.size() - 1);
        at16(entry, first);
        at16(entry + 2, last);
        at32(entry + 4, array);
      }
    }
    if (!m.pairs.empty()) {
      setOffset(14);
      Put16(&b, static_cast<uint32_t>(m.pairs.size()));
      for (const auto& [code, width] : m.pairs) {
        Put16(&b, code);
        Put16(&b, width);
      }
    }
  }
  return b;
}

}  // namespace ddd
