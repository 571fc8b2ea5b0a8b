// Building the bilevel code tables and their decode tables once per process.
#include "raster/codecs/rst_ccitt_bw_tables.h"

#include <atomic>
#include <mutex>

#include "raster/codecs/rst_ccitt_codes.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {

std::atomic<int32_t> g_builds{0};

void add_run_codes(RstHuffmanTable& t, const RstCCITTCodeWord* terminating, const RstCCITTCodeWord* makeup) {
  for (int32_t i = 0; i < 64; ++i) t.add(i, terminating[i].code, terminating[i].length);
  for (int32_t i = 0; i < 27; ++i) t.add(rst_ccitt_makeup_lengths[i], makeup[i].code, makeup[i].length);
  for (int32_t i = 0; i < 13; ++i)
    t.add(rst_ccitt_extended_makeup_lengths[i], rst_ccitt_extended_makeup[i].code, rst_ccitt_extended_makeup[i].length);
  t.add(RST_CCITT_EOL_VALUE, rst_ccitt_eol.code, rst_ccitt_eol.length);
}

// A new table wrapped in a counted pointer, or an empty pointer when any of
// its allocations failed (each already reported).
template <class T, class Base, class... Args>
RstCountedPtr<Base> build_counted(Args&&... args) {
  T* made = rst_new<T>(std::forward<Args>(args)...);
  if (made && !made->ok()) {
    delete made;
    made = nullptr;
  }
  if (!made) return RstCountedPtr<Base>();
  RstCountedPtr<Base> counted(made);
  if (!counted.has_count()) return RstCountedPtr<Base>();
  ++g_builds;
  return counted;
}

template <class T>
RstCountedPtr<RstHuffmanTable>& code_table(RstCountedPtr<RstHuffmanTable>& table, const char* where) {
  std::lock_guard<RstMutex> lock(RstCCITTBWTables::mutex());
  if (!table) {
    RstCountedPtr<RstHuffmanTable> made = build_counted<T, RstHuffmanTable>();
    table.swap(made);
    if (!table) rst_report(-1, where);
  }
  return table;
}

// The decode tables are built under the same (re-entrant) mutex as the code
// tables, so that callers on several threads cannot build one twice.
RstCountedPtr<RstDecodeHuffmanTable>& decode_table(RstCountedPtr<RstDecodeHuffmanTable>& table,
                                                   RstCountedPtr<RstHuffmanTable>& (*source)(), int32_t bits,
                                                   int32_t sentinel, const char* where) {
  std::lock_guard<RstMutex> lock(RstCCITTBWTables::mutex());
  if (!table) {
    RstCountedPtr<RstDecodeHuffmanTable> made;
    RstCountedPtr<RstHuffmanTable>& code = source();
    if (code) made = build_counted<RstDecodeHuffmanTable, RstDecodeHuffmanTable>(*code, bits, sentinel);
    table.swap(made);
    if (!table) rst_report(-1, where);
  }
  return table;
}

}  // namespace

RstMHWhiteTable::RstMHWhiteTable() { add_run_codes(*this, rst_ccitt_white_terminating, rst_ccitt_white_makeup); }

RstMHBlackTable::RstMHBlackTable() { add_run_codes(*this, rst_ccitt_black_terminating, rst_ccitt_black_makeup); }

RstMRModeTable::RstMRModeTable() {
  for (int32_t i = 0; i < 9; ++i)
    add(rst_ccitt_mode_values[i], rst_ccitt_mode_codes[i].code, rst_ccitt_mode_codes[i].length);
}

RstMutex& RstCCITTBWTables::mutex() {
  // Made on first use and never destroyed, so that tables released by exit
  // handlers in any order still find it.
  static RstMutex* m = new RstMutex();
  return *m;
}

int32_t RstCCITTBWTables::builds() { return g_builds.load(); }

RstCountedPtr<RstHuffmanTable>& RstCCITTBWTables::mh_white_table() {
  static RstCountedPtr<RstHuffmanTable> table;
  return code_table<RstMHWhiteTable>(table, "RstCCITTBWTables::mh_white_table()");
}

RstCountedPtr<RstHuffmanTable>& RstCCITTBWTables::mh_black_table() {
  static RstCountedPtr<RstHuffmanTable> table;
  return code_table<RstMHBlackTable>(table, "RstCCITTBWTables::mh_black_table()");
}

RstCountedPtr<RstHuffmanTable>& RstCCITTBWTables::mr_mode_table() {
  static RstCountedPtr<RstHuffmanTable> table;
  return code_table<RstMRModeTable>(table, "RstCCITTBWTables::mr_mode_table()");
}

RstDecodeHuffmanLUT::RstDecodeHuffmanLUT(int32_t n, const RstHuffmanTable& table, int32_t sentinel)
    : bits(n), slots(nullptr) {
  size_t count = size_t{1} << n;
  slots = static_cast<Slot*>(rst_malloc(count * sizeof(Slot)));
  if (!slots) {
    rst_report(-1, "RstDecodeHuffmanLUT::RstDecodeHuffmanLUT()");
    return;
  }
  for (size_t i = 0; i < count; ++i) slots[i] = {0, sentinel};
  // Each code marks the first slot of its window range.
  for (const RstHuffmanCode& e : table.entries()) {
    int32_t d = static_cast<int32_t>(e.length);
    if (d <= 0) continue;
    uint32_t slot = d > n ? e.code >> (d - n) : e.code << (n - d);
    if (slot < count) slots[slot] = {d, e.value};
  }
  // Then every empty slot whose window begins with a shorter code takes it.
  int32_t rem_len = 0, rem_value = sentinel;
  uint32_t rem_index = 0;
  for (uint32_t i = 0; i < count; ++i) {
    Slot& s = slots[i];
    if (s.value != sentinel) {
      if (s.length < n) {
        rem_len = s.length;
        rem_value = s.value;
        rem_index = i;
      }
      continue;
    }
    uint32_t low = static_cast<uint32_t>(n - rem_len);
    uint32_t masked = low >= 32 ? 0 : (i >> low) << low;
    if (masked == rem_index) s = {rem_len, rem_value};
  }
}

RstDecodeHuffmanLUT::~RstDecodeHuffmanLUT() { rst_free(slots); }

RstHuffmanMinMaxCodeTable::RstHuffmanMinMaxCodeTable(const RstHuffmanTable& table) {
  const std::vector<uint8_t>& counts = table.bits();
  if (counts.empty()) return;
  try {
    if (RstAllocFault::next_fails()) throw std::bad_alloc();
    ranges.resize(counts.size());
  } catch (const std::bad_alloc&) {
    ok = false;
    rst_report(-1, "RstHuffmanMinMaxCodeTable::RstHuffmanMinMaxCodeTable()");
    return;
  }
  // Canonical codes: the first code of each length follows the last code
  // of the length before, doubled.
  int32_t code = 0;
  for (size_t l = 0; l < counts.size(); ++l) {
    if (counts[l] == 0) {
      ranges[l] = {0, -1};
    } else {
      ranges[l] = {code, code + counts[l] - 1};
    }
    code = (code + counts[l]) << 1;
  }
}

RstDecodeHuffmanTable::RstDecodeHuffmanTable(const RstHuffmanTable& table, int32_t bits, int32_t sentinel)
    : RstHuffmanTable(table), min_max(table) {
  create_lut(bits, sentinel);
}

RstDecodeHuffmanTable::~RstDecodeHuffmanTable() {
  if (!lut_borrowed_) delete lut_;
}

bool RstDecodeHuffmanTable::create_lut(int32_t bits, int32_t sentinel) {
  if (bits <= 0 || bits > 16) {
    rst_report(-2, "RstDecodeHuffmanTable::create_lut()");
    return false;
  }
  if (!lut_borrowed_) delete lut_;
  lut_ = nullptr;
  lut_borrowed_ = false;
  RstDecodeHuffmanLUT* made = rst_new<RstDecodeHuffmanLUT>(bits, *this, sentinel);
  if (!made || !made->ok()) {
    delete made;
    rst_report(-1, "RstDecodeHuffmanTable::create_lut()");
    return false;
  }
  lut_ = made;
  return true;
}

RstCountedPtr<RstDecodeHuffmanTable>& RstDecodeCCITTBWTables::mode_huffman_table(int32_t sentinel) {
  static RstCountedPtr<RstDecodeHuffmanTable> table;
  return decode_table(table, &RstCCITTBWTables::mr_mode_table, 7, sentinel,
                      "RstDecodeCCITTBWTables::mode_huffman_table()");
}

RstCountedPtr<RstDecodeHuffmanTable>& RstDecodeCCITTBWTables::black_huffman_table(int32_t sentinel) {
  static RstCountedPtr<RstDecodeHuffmanTable> table;
  return decode_table(table, &RstCCITTBWTables::mh_black_table, 13, sentinel,
                      "RstDecodeCCITTBWTables::black_huffman_table()");
}

RstCountedPtr<RstDecodeHuffmanTable>& RstDecodeCCITTBWTables::white_huffman_table(int32_t sentinel) {
  static RstCountedPtr<RstDecodeHuffmanTable> table;
  return decode_table(table, &RstCCITTBWTables::mh_white_table, 12, sentinel,
                      "RstDecodeCCITTBWTables::white_huffman_table()");
}
