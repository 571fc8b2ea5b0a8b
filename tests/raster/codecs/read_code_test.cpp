// The code byte reader: chunks, windows, bit reversal, rewinding, the
// unsupported skip, and the spec record that builds one.
#include "raster/codecs/rst_read_code.h"

#include "node_support.h"
#include "raster/core/byte_array_storage.h"

namespace {

std::vector<uint8_t> pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 3);
  return v;
}

uint8_t reversed(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1 << i)) r |= static_cast<uint8_t>(0x80 >> i);
  return r;
}

std::vector<int> chunk_sizes(RstReadCode* node, std::vector<uint8_t>* all = nullptr) {
  std::vector<int> sizes;
  std::vector<uint8_t> buf(static_cast<size_t>(node->line_size()));
  while (int n = node->read(buf.data())) {
    sizes.push_back(n);
    if (all) all->insert(all->end(), buf.begin(), buf.begin() + n);
  }
  return sizes;
}

TEST(ReadCode, DefaultChunksThenEnd) {
  std::vector<uint8_t> data = pattern(20000);
  ByteArrayInputStorage storage(data.data(), static_cast<int32_t>(data.size()));
  RstReadCode* node = RstReadCode::create(&storage, make_header(100, 10, RstDataForm::mmr), false);
  ASSERT_NE(node, nullptr);
  EXPECT_NE(dynamic_cast<RstCodeSource*>(static_cast<RstRead*>(node)), nullptr);
  EXPECT_EQ(node->line_size(), 8192);
  RstHeader h(node);
  EXPECT_EQ(h.data_form, RstDataForm::mmr);
  std::vector<uint8_t> all;
  EXPECT_EQ(chunk_sizes(node, &all), (std::vector<int>{8192, 8192, 3616}));
  EXPECT_EQ(all, data);
  EXPECT_EQ(node->read(all.data()), 0);
  node->reset();
  EXPECT_EQ(chunk_sizes(node).size(), 3u);
  node->end();
}

TEST(ReadCode, WindowChunkAndBitReverseForms) {
  std::vector<uint8_t> data = pattern(1000);
  struct Case {
    const char* what;
    int form;  // 0 window, 1 chunk, 2 spec bounded, 3 spec chunk, 4 spec default
    int32_t count;
    bool reverse;
    std::vector<int> sizes;
    size_t offset;
  };
  const Case cases[] = {
      {"window of 100", 0, 100, false, {100}, 10},
      {"window of 0", 0, 0, false, {}, 10},
      {"chunks of 300", 1, 300, false, {300, 300, 300, 90}, 10},
      {"reversed window", 0, 5, true, {5}, 0},
      {"spec bounded", 2, 100, false, {100}, 10},
      {"spec chunk", 3, 400, true, {400, 400, 190}, 10},
      {"spec default", 4, 0, false, {990}, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ByteArrayInputStorage storage(data.data(), static_cast<int32_t>(data.size()));
    storage.seek(static_cast<int32_t>(c.offset));
    RstHeader h = make_header(8, 1, RstDataForm::mh);
    RstReadCode* node = nullptr;
    RstReadCodeSpec spec(h, c.count, c.reverse);
    if (c.form >= 3) spec.bounded = 0;
    switch (c.form) {
      case 0: node = RstReadCode::create(&storage, h, c.count, c.reverse); break;
      case 1: node = RstReadCode::create(&storage, c.count, h, c.reverse); break;
      default: node = spec.create_reader(&storage); break;
    }
    ASSERT_NE(node, nullptr);
    std::vector<uint8_t> got;
    EXPECT_EQ(chunk_sizes(node, &got), c.sizes);
    for (size_t i = 0; i < got.size(); ++i) {
      uint8_t b = data[c.offset + i];
      ASSERT_EQ(got[i], c.reverse ? reversed(b) : b) << i;
    }
    node->reset();
    std::vector<uint8_t> again;
    chunk_sizes(node, &again);
    EXPECT_EQ(again, got) << "reset goes back to the first code byte";
    node->end();
  }
}

TEST(ReadCode, SkipIsNotSupportedAndNullStorageIsRefused) {
  ReportLog log;
  std::vector<uint8_t> data = pattern(10);
  ByteArrayInputStorage storage(data.data(), 10);
  RstReadCode* node = RstReadCode::create(&storage, make_header(8, 1, RstDataForm::mh), false);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->skip(3), 0);
  EXPECT_TRUE(log.has(-5, "RstReadCode::skip()"));
  node->end();
  log.reports.clear();
  EXPECT_EQ(RstReadCode::create(nullptr, make_header(8, 1, RstDataForm::mh), false), nullptr);
  EXPECT_EQ(RstReadCode::create(nullptr, 100, make_header(8, 1, RstDataForm::mh), false), nullptr);
  EXPECT_EQ(RstReadCode::create(nullptr, make_header(8, 1, RstDataForm::mh), 5, false), nullptr);
  EXPECT_EQ(log.count(-2), 3u);
  EXPECT_TRUE(log.has(-2, "RstReadCode::create()"));
}

}  // namespace
