// The JPEG segment records' table building and the segment readers.
#include "raster/codecs/rst_read_jpeg_marker.h"

#include <new>
#include <stdexcept>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {

// Runs an allocating step; out of memory (also from the test hook) is
// reported with where and gives false.
template <class F>
bool allocating(const char* where, F&& step) {
  try {
    if (RstAllocFault::next_fails()) throw std::bad_alloc();
    step();
    return true;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  rst_report(RstCode::no_memory, where);
  return false;
}

// Holds a new object under a count; when the object or its count cannot be
// made, -1 with where, the object deleted (by the holder) and false.
template <class T>
bool hold(RstCountedPtr<T>& holder, T* object, const char* where) {
  holder.reset(object);
  if (object && holder.has_count()) return true;
  rst_report(RstCode::no_memory, where);
  return false;
}

bool read8(RstJPEGDataInput& in, uint8_t& value) {
  int32_t b = in.get();
  if (b < 0) return false;
  value = uint8_t(b);
  return true;
}

bool read16(RstJPEGDataInput& in, uint16_t& value) {
  uint16_t v = 0;
  if (!in.read_value(&v, 2)) return false;
  value = v;
  return true;
}

// The length field of a segment with a payload: at least the two length bytes.
bool read_length(RstJPEGDataInput& in, uint16_t& length) { return read16(in, length) && length >= 2; }

}  // namespace

RstJPEGQTable* RstJPEGMarkerQuantizationTable::QTableData::quantization_table() const {
  const char* where = "RstJPEGMarkerQuantizationTable::QTableData::quantization_table()";
  RstJPEGQTable* table = nullptr;
  if (values8.size() == 64) table = rst_new<RstJPEGQTable>(values8.data(), true);
  else if (values16.size() == 64) table = rst_new<RstJPEGQTable>(values16.data(), true);
  else return nullptr;
  if (table && table->ok()) return table;
  delete table;
  rst_report(RstCode::no_memory, where);
  return nullptr;
}

RstJPEGMarkerHuffmanTable::HuffmanTableData& RstJPEGMarkerHuffmanTable::HuffmanTableData::operator=(
    const HuffmanTableData& other) {
  if (this == &other) return *this;
  class_and_id = other.class_and_id;
  bool copied = allocating("RstJPEGMarkerHuffmanTable::HuffmanTableData()::operator=()", [&] {
    bits = other.bits;
    for (int i = 0; i < 16; ++i) huffval[i] = other.huffval[i];
  });
  if (!copied) {
    bits.clear();
    for (std::vector<uint8_t>& v : huffval) v.clear();
  }
  return *this;
}

RstHuffmanTable* RstJPEGMarkerHuffmanTable::HuffmanTableData::huffman_table() const {
  if (bits.size() != 16) return nullptr;
  RstHuffmanTable* table = rst_new<RstHuffmanTable>(bits.data(), huffval);
  if (table && table->ok()) return table;
  delete table;
  rst_report(RstCode::no_memory, "RstJPEGMarkerHuffmanTable::HuffmanTableData::huffman_table()");
  return nullptr;
}

bool RstReadJPEGMarkerCode::read(RstJPEGDataInput& in) {
  int32_t first = in.get();
  int32_t second = first == 0xFF ? in.get() : 0;
  if (first < 0 || second < 0) {
    status = RstCode::io_failure;
    return false;
  }
  code = uint32_t(first) << 8 | uint32_t(second);
  if (first != 0xFF || code < 0xFFC0 || code > 0xFFFE) {
    status = -13;
    return false;
  }
  status = 1;
  return true;
}

bool RstReadJPEGMarkerFrameHeader::ReadFrameComponent::read(RstJPEGDataInput& in) {
  return read8(in, id) && read8(in, sampling_factors) && read8(in, quantization_table_id);
}

bool RstReadJPEGMarkerFrameHeader::read(RstJPEGDataInput& in, uint32_t code) {
  marker_code = code;
  components.clear();
  if (!read16(in, length) || !read8(in, precision) || !read16(in, lines) || !read16(in, samples_per_line) ||
      !read8(in, component_count))
    return false;
  if ((precision != 8 && precision != 12) || component_count < 1 || component_count > 4) return false;
  // The components are all the segment holds.
  if (length != 8 + 3 * component_count) return false;
  if (!allocating("RstReadJPEGMarkerFrameHeader::read()", [&] { components.reserve(component_count); })) return false;
  for (int i = 0; i < component_count; ++i) {
    ReadFrameComponent c;
    if (!c.read(in)) return false;
    components.push_back(c);
  }
  was_read = true;
  return true;
}

bool RstReadJPEGMarkerScanHeader::ReadScanComponent::read(RstJPEGDataInput& in) {
  return read8(in, selector) && read8(in, table_selectors) && (table_selectors >> 4) < 4 && (table_selectors & 15) < 4;
}

bool RstReadJPEGMarkerScanHeader::read(RstJPEGDataInput& in) {
  components.clear();
  if (!read16(in, length) || !read8(in, component_count)) return false;
  if (component_count < 1 || component_count > 4 || length != 6 + 2 * component_count) return false;
  if (!allocating("RstReadJPEGMarkerScanHeader::read()", [&] { components.reserve(component_count); })) return false;
  for (int i = 0; i < component_count; ++i) {
    ReadScanComponent c;
    if (!c.read(in)) return false;
    components.push_back(c);
  }
  if (!read8(in, spectral_start) || !read8(in, spectral_end) || !read8(in, approximation)) return false;
  return spectral_start <= 63 && spectral_start <= spectral_end && spectral_end <= 63 && (approximation >> 4) <= 13;
}

int32_t RstReadJPEGMarkerQuantizationTable::ReadQTableData::read(RstJPEGDataInput& in, int32_t remaining) {
  const char* where = "RstReadJPEGMarkerQuantizationTable::ReadQTableData::read()";
  int32_t start = in.tell();
  auto fail = [&] {
    in.seek(start);
    return 0;
  };
  values8.clear();
  values16.clear();
  if (!read8(in, precision_and_id)) return fail();
  int32_t precision = precision_and_id >> 4;
  if (precision > 1) return fail();
  int32_t size = 1 + 64 * (precision + 1);
  if (size > remaining) return fail();
  if (precision == 0) {
    if (!allocating(where, [&] { values8.resize(64); }) || in.read(values8.data(), 64) != 64) return fail();
  } else {
    if (!allocating(where, [&] { values16.resize(64); })) return fail();
    for (uint16_t& v : values16)
      if (!read16(in, v)) return fail();
  }
  return size;
}

bool RstReadJPEGMarkerQuantizationTable::read(RstJPEGDataInput& in) {
  tables.clear();
  if (!read_length(in, length)) return false;
  for (int32_t remaining = length - 2; remaining > 0;) {
    ReadQTableData table;
    int32_t consumed = table.read(in, remaining);
    if (consumed == 0) return false;
    if (!allocating("RstReadJPEGMarkerQuantizationTable::read()", [&] { tables.push_back(table); })) return false;
    remaining -= consumed;
  }
  return true;
}

int32_t RstReadJPEGMarkerHuffmanTable::read(RstJPEGDataInput& in, int32_t remaining) {
  const char* where = "RstReadJPEGMarkerHuffmanTable::read()";
  int32_t start = in.tell();
  auto fail = [&] {
    in.seek(start);
    return 0;
  };
  HuffmanTableData data;
  if (remaining < 17 || !read8(in, data.class_and_id)) return fail();
  if (!allocating(where, [&] { data.bits.resize(16); }) || in.read(data.bits.data(), 16) != 16) return fail();
  int32_t count = 0;
  for (uint8_t n : data.bits) count += n;
  if (count > 256 || 17 + count > remaining) return fail();
  // Canonical codes must fit their lengths, the all-ones code excluded
  // (ITU-T T.81 Annex C); over-subscribed counts would make longer codes.
  uint32_t code = 0;
  for (int length = 1; length <= 16; ++length) {
    code = (code << 1) + data.bits[size_t(length - 1)];
    if (code >= (1u << length)) return fail();
  }
  bool dc = !data.is_ac();
  for (int i = 0; i < 16; ++i) {
    std::vector<uint8_t>& symbols = data.huffval[i];
    if (!allocating(where, [&] { symbols.resize(data.bits[size_t(i)]); })) return fail();
    if (symbols.empty()) continue;
    if (in.read(symbols.data(), int32_t(symbols.size())) != int32_t(symbols.size())) return fail();
    // A DC symbol is a difference's bit count, 0 to 15.
    if (dc)
      for (uint8_t s : symbols)
        if (s >= 16) return fail();
  }
  bool kept = allocating(where, [&] {
    tables.emplace_back();
    tables.back() = data;
  });
  if (!kept || tables.back().bits.size() != 16) {
    if (kept) tables.pop_back();
    return fail();
  }
  return 17 + count;
}

bool RstReadJPEGMarkerQuantizationTableArray::read(RstJPEGDataInput& in) {
  const char* where = "RstReadJPEGMarkerQuantizationTableArray::read()";
  std::unique_ptr<RstReadJPEGMarkerQuantizationTable> segment(rst_new<RstReadJPEGMarkerQuantizationTable>());
  if (!segment) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  if (!segment->read(in)) return false;
  return allocating(where, [&] { segments_.push_back(std::move(segment)); });
}

RstCountedPtr<RstJPEGQTableArray> RstReadJPEGMarkerQuantizationTableArray::tables() {
  const char* where = "RstReadJPEGMarkerQuantizationTableArray::tables()";
  if (made_ || segments_.empty()) return tables_;
  // Built aside and cached only when complete: a report may throw half-way.
  RstCountedPtr<RstJPEGQTableArray> array;
  if (!hold(array, rst_new<RstJPEGQTableArray>(4), where)) return {};
  if (!array->ok()) return {};
  for (const auto& segment : segments_) {
    for (const RstJPEGMarkerQuantizationTable::QTableData& data : segment->tables) {
      if (data.id() >= 4) {
        rst_report(RstCode::invalid_code, where);
        continue;
      }
      RstCountedPtr<RstJPEGQTable> table;
      RstJPEGQTable* made = data.quantization_table();
      if (!made) return {};
      if (!hold(table, made, where)) return {};
      (*array)[data.id()] = table;
    }
  }
  tables_ = array;
  made_ = true;
  return tables_;
}

bool RstReadJPEGMarkerHuffmanTableArray::read(RstJPEGDataInput& in) {
  const char* where = "RstReadJPEGMarkerHuffmanTableArray::read()";
  std::unique_ptr<RstReadJPEGMarkerHuffmanTable> segment(rst_new<RstReadJPEGMarkerHuffmanTable>());
  if (!segment) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  if (!read_length(in, segment->length)) return false;
  for (int32_t remaining = segment->length - 2; remaining > 0;) {
    int32_t consumed = segment->read(in, remaining);
    if (consumed == 0) return false;
    remaining -= consumed;
  }
  return allocating(where, [&] { segments_.push_back(std::move(segment)); });
}

bool RstReadJPEGMarkerHuffmanTableArray::make_huffman_tables() {
  const char* where = "RstReadJPEGMarkerHuffmanTableArray::make_huffman_tables()";
  if (made_ || segments_.empty()) return true;
  RstCountedPtr<RstHuffmanTableArray> dc, ac;
  if (!hold(dc, rst_new<RstHuffmanTableArray>(4), where) || !hold(ac, rst_new<RstHuffmanTableArray>(4), where))
    return false;
  if (!dc->ok() || !ac->ok()) return false;
  for (const auto& segment : segments_) {
    for (const RstJPEGMarkerHuffmanTable::HuffmanTableData& data : segment->tables) {
      if (data.id() >= 4) continue;
      RstHuffmanTable* made = data.huffman_table();
      if (!made) return false;
      RstCountedPtr<RstHuffmanTable> table;
      if (!hold(table, made, where)) return false;
      (*(data.is_ac() ? ac : dc))[data.id()] = table;
    }
  }
  dc_ = dc;
  ac_ = ac;
  made_ = true;
  return true;
}

RstCountedPtr<RstHuffmanTableArray> RstReadJPEGMarkerHuffmanTableArray::dc_tables() {
  make_huffman_tables();
  return dc_;
}

RstCountedPtr<RstHuffmanTableArray> RstReadJPEGMarkerHuffmanTableArray::ac_tables() {
  make_huffman_tables();
  return ac_;
}

namespace {

// Length and payload of an APPn or COM segment.
bool read_payload(RstJPEGDataInput& in, RstJPEGMarkerApplication& record, const char* where) {
  if (!read_length(in, record.length)) return false;
  int32_t size = record.length - 2;
  if (!allocating(where, [&] { record.payload.resize(size_t(size)); })) return false;
  return size == 0 || in.read(record.payload.data(), size) == size;
}

}  // namespace

bool RstReadJPEGMarkerApplicationArray::read(RstJPEGDataInput& in, uint32_t code) {
  const char* where = "RstReadJPEGMarkerApplicationArray::read()";
  std::unique_ptr<RstJPEGMarkerApplication> record(rst_new<RstJPEGMarkerApplication>(code));
  if (!record) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  if (!read_payload(in, *record, where)) return false;
  return allocating(where, [&] { records.push_back(std::move(record)); });
}

bool RstReadJPEGMarkerComment::read(RstJPEGDataInput& in) {
  return read_payload(in, *this, "RstReadJPEGMarkerComment::read()");
}

bool RstReadJPEGMarkerRestartInterval::read(RstJPEGDataInput& in) {
  return read16(in, length) && length == 4 && read16(in, interval);
}
