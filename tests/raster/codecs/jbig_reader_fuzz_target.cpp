// The JBIG reader fuzz entry, and the fixed-budget run of it in the test
// program: mutations of T.85 and T.43 code our writers made.
#include "jbig_reader_fuzz_target.h"

#include <random>
#include <vector>

#include "jbig_stage_support.h"
#include "raster/core/rst_status_context.h"

namespace {

constexpr uint64_t kPixelBudget = 1u << 22;

// Keeps the reports of a run from throwing.
class Quiet : public RstObserver, public RstMessager {
 public:
  Quiet() {
    RstStatusContext* c = RstStatusContext::instance();
    old_observer_ = c->set_observer(this);
    old_messager_ = c->set_messager(this);
  }
  ~Quiet() override {
    RstStatusContext* c = RstStatusContext::instance();
    c->set_observer(old_observer_);
    c->set_messager(old_messager_);
  }
  void notify(void*, const int32_t*, const char*) override {}
  void message(void*, const int32_t*, const char*) override {}

 private:
  RstObserver* old_observer_;
  RstMessager* old_messager_;
};

template <class Reader>
int pull(InputStorage* in, bool reset) {
  Reader* node = Reader::create(in, nullptr);
  if (!node) return 0;
  RstHeader h(node);
  int size = node->line_size();
  int64_t bits = int64_t{h.width} * h.bits_per_sample * h.samples_per_pixel;
  if (size <= 0 || size != (bits + 7) / 8) __builtin_trap();
  std::vector<uint8_t> line(size_t(size) + 1);
  int lines = 0;
  uint64_t pixels = 0;
  for (int pass = 0; pass < (reset ? 2 : 1); ++pass) {
    if (pass) node->reset();
    while (pixels < kPixelBudget) {
      line.back() = 0x5A;
      int n = node->read(line.data());
      if (n != 0 && n != size) __builtin_trap();
      if (line.back() != 0x5A) __builtin_trap();
      if (n == 0) break;
      ++lines;
      pixels += uint64_t(h.width) + 1;
      if (reset && pass == 0 && lines == 3) break;
    }
  }
  node->end();
  return lines;
}

}  // namespace

int jbig_reader_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  Quiet quiet;
  ByteArrayInputStorage in(data + 1, int32_t(size - 1));
  bool reset = data[0] & 2;
  return data[0] & 1 ? pull<RstReadJBIGT43>(&in, reset) : pull<RstReadJBIGT85>(&in, reset);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jbig_reader_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

TEST(JbigReaderFuzz, FixedBudgetRunsClean) {
  std::vector<JbigBytes> seeds;
  auto add = [&](uint8_t kind, const JbigBytes& code) {
    JbigBytes seed = {kind};
    seed.insert(seed.end(), code.begin(), code.end());
    seeds.push_back(seed);
  };
  RstHeader bilevel = jbig_header(45, 30, 1, 1, RstColorType::default_gray_reverse());
  RstEncodeJBIGT85Option o85(8, 0, 0x28);
  add(0, jbig_write_t85(bilevel, jbig_random_lines(bilevel, 1), &o85));
  RstCountedPtr<RstColormap> map(new RstColormap(8, 3, 256));
  RstHeader palette = jbig_header(20, 12, 8, 1, RstColorType::itu_lab());
  palette.colormap = map;
  const RstHeader colour[] = {jbig_header(20, 12, 1, 3, RstColorType::default_rgb()),
                              jbig_header(20, 12, 8, 3, RstColorType::itu_lab()), palette,
                              jbig_header(20, 12, 8, 1, RstColorType::default_gray())};
  for (const RstHeader& h : colour)
    for (uint32_t options : {0u, 1u}) {
      RstEncodeJBIGT43Option o(5, 0, 200, options | 0x08);
      add(1, jbig_write_t43(h, jbig_random_lines(h, 2), &o));
    }
  for (const auto& s : seeds) EXPECT_GT(jbig_reader_fuzz_one(s.data(), s.size()), 0);
  std::mt19937 rng(67);
  for (int iter = 0; iter < 3000; ++iter) {
    JbigBytes input = seeds[size_t(iter) % seeds.size()];
    input[0] = uint8_t((input[0] & 1) | (rng() & 2));
    int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      size_t at = 1 + rng() % (input.size() - 1);
      switch (rng() % 5) {
        case 0: input[at] ^= uint8_t(1u << (rng() % 8)); break;
        case 1: input[at] = uint8_t(rng()); break;
        case 2: input[at] = 0xFF; break;
        case 3: input[at] = uint8_t(rng() % 4 == 0 ? 0xE3 : 0); break;
        default: input.resize(at + 1); break;
      }
    }
    jbig_reader_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
