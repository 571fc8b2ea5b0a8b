// The CALS and EDMICS fuzz entry, and in the test program its fixed-budget
// run and the hostile headers: fixtures cut at every byte of their headers and
// headers with random fields.
#include "cals_edmics_fuzz_target.h"

#include <memory>
#include <random>
#include <vector>

#include "raster/core/memory_storage.h"
#include "raster/core/rst_fuzz_observer.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_cals_raster.h"
#include "raster/formats/rst_read_edmics_mmr.h"
#include "raster/formats/rst_read_edmics_rlc.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/geometry/rst_geometry_creators.h"

namespace {

// Up to `limit` lines of a node whose lines are of a sensible size.
int drain(RstRead* node, int limit = 4096) {
  if (!node) return 0;
  int lines = 0;
  int size = node->line_size();
  if (size <= 0 || size > (1 << 22)) return 0;
  std::vector<uint8_t> line(static_cast<size_t>(size));
  for (int i = 0; i < limit && node->read(line.data()) > 0; ++i) ++lines;
  return lines;
}

template <class Make>
int read_twice(Make make) {
  int lines = 0;
  try {
    RstOwner<RstRead> node(make());
    if (node) {
      lines += drain(node.get());
      node->reset();
      lines += drain(node.get());
    }
  } catch (const RstStatus&) {
  }
  return lines;
}

template <class Header>
struct HeaderRelease {
  void operator()(Header* h) const { rst_release(h); }
};

}  // namespace

int cals_edmics_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  rst_register_geometry_creators();
  RstFuzzObserver observer(data[0] & 1);
  static const int32_t modes[4] = {3, 0, 1, 3};
  int32_t mode = modes[(data[0] >> 1) & 3];
  MemoryOutputStorage out(256);
  out.write(data + 1, int32_t(size - 1));
  std::unique_ptr<InputStorage> in(out.to_input_storage());
  if (!in) return 0;
  int lines = 0;
  lines += read_twice([&]() -> RstRead* {
    in->rewind();
    return RstReadCALSRaster::create(in.get(), nullptr, mode);
  });
  lines += read_twice([&]() -> RstRead* {
    in->rewind();
    std::unique_ptr<RstReadEdmicsMMRHeader, HeaderRelease<RstReadEdmicsMMRHeader>> header(
        RstReadEdmicsMMR::private_header(in.get()));
    return header ? RstReadEdmicsMMR::create(in.get(), header.get()) : nullptr;
  });
  lines += read_twice([&]() -> RstRead* {
    in->rewind();
    return RstReadEdmicsRLC::create(in.get(), nullptr);
  });
  try {
    in->rewind();
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(in.get(), 1));
  } catch (const RstStatus&) {
  }
  lines += read_twice([&]() -> RstRead* {
    in->rewind();
    return RstReadRaster::create(in.get(), 1);
  });
  return lines;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  cals_edmics_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include "cals_edmics_support.h"

namespace {

constexpr uint32_t kW = 64, kH = 40;

struct Fixtures {
  Rows rows = bilevel_rows(kW, kH, 6);
  Bytes code = g4_code(kW, rows);
  Bytes cals = cals_file(CalsRecords(kW, kH), code);
  Bytes mmr = mmr_file(kW, rows);
  Bytes sane = [&] {
    Bytes f = rlc_sane_header(kH, kW, 200);
    append(f, rlc_lines(kW, rows));
    return f;
  }();
  Bytes rlc = [&] {
    Bytes f = rlc_form_header(kH, kW, 200, 4, 4);
    append(f, rlc_lines(kW, rows));
    return f;
  }();
};

}  // namespace

TEST(CalsEdmicsFuzzTest, FixedBudgetOfRandomAndMutatedFiles) {
  Fixtures f;
  CalsRecords up_records(kW, kH);
  up_records.text[10] = "notes: This file is written by up bit ordering in a byte.";
  std::vector<Bytes> base = {f.cals, cals_file(up_records, bit_reversed(f.code)), f.mmr, f.sane, f.rlc};
  std::mt19937 rng(20261254);
  int lines = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> input;
    if (round % 10 == 0) {
      input.resize(1 + rng() % 200);
      for (uint8_t& b : input) b = uint8_t(rng());
    } else {
      const Bytes& seed = base[rng() % base.size()];
      input = {uint8_t(rng())};
      input.insert(input.end(), seed.begin(), seed.end());
      int mutations = 1 + int(rng() % 6);
      for (int m = 0; m < mutations; ++m) {
        size_t at = 1 + rng() % (input.size() - 1);
        // Half of the changes fall into the header and its first code bytes.
        if (rng() % 2) at = 1 + rng() % std::min<size_t>(input.size() - 1, 2100);
        switch (rng() % 5) {
          case 0: input[at] = uint8_t(rng()); break;
          case 1: input[at] ^= uint8_t(1u << (rng() % 8)); break;
          case 2: input[at] = uint8_t(rng() % 2 ? 0xFF : 0); break;
          case 3: input[at] = uint8_t("0123456789-+, :"[rng() % 15]); break;
          default: input.resize(at + 1); break;
        }
      }
    }
    lines += cals_edmics_fuzz_one(input.data(), input.size());
  }
  EXPECT_GT(lines, 0);
}

namespace {

class CalsEdmicsHostile : public PageTest {
 protected:
  // Detection and every line of a file: null with an error reported, or a
  // reader whose lines (up to `limit`) all come without an error.
  void read_clearly(const Bytes& file, int limit = 200) {
    status.clear();
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> reader(RstReadRaster::create(&in, 1));
    if (!reader) {
      EXPECT_FALSE(status.errors().empty());
      return;
    }
    RstHeader h(reader.get());
    EXPECT_EQ(drain(reader.get(), limit), std::min(h.height, limit));
    EXPECT_TRUE(status.errors().empty());
  }
};

}  // namespace

TEST_F(CalsEdmicsHostile, HeadersCutAtEveryByte) {
  Fixtures f;
  struct Case {
    const char* name;
    const Bytes* file;
    size_t cuts, header;
    std::vector<RstReport> within;  // reports of a cut inside the header
  } cases[] = {
      {"CALS", &f.cals, 2100, 2048, {{-13, "RstReadCALSRaster"}, {-12, "RstReadRaster::create()"}}},
      {"EDMICS MMR", &f.mmr, 800, 740, {{-11, "RstReadEdmicsMMR"}, {-12, "RstReadRaster::create()"}}},
      {"EDMICS RLC", &f.sane, 600, 524, {{-11, "RstReadEdmicsRLC"}, {-12, "RstReadRaster::create()"}}},
  };
  for (const Case& c : cases) {
    ASSERT_GT(c.file->size(), c.cuts);
    for (size_t size = 1; size <= c.cuts; ++size) {
      SCOPED_TRACE(std::string(c.name) + " cut at " + std::to_string(size));
      Bytes cut(c.file->begin(), c.file->begin() + long(size));
      read_clearly(cut);
      // Too short to be recognised, broken header, or a page cut in its code.
      size_t recognised = std::string(c.name) == "CALS" ? 256 : 4;
      if (size < recognised) {
        EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-12, "RstReadRaster::create()"}}));
      } else if (size < c.header) {
        if (std::string(c.name) == "EDMICS MMR" && size < 132) {
          EXPECT_EQ(status.errors().size(), 3u);
        } else {
          EXPECT_EQ(status.errors(), c.within);
        }
      } else {
        EXPECT_FALSE(status.messages().empty());
      }
    }
  }
}

TEST_F(CalsEdmicsHostile, RandomHeaderFields) {
  Fixtures f;
  std::mt19937 rng(54);
  // Sizes from the ordinary to the hostile; none asks for gigabytes.
  const int64_t sizes[] = {0, 1, 7, 39, 40, 41, 63, 64, 65, 999, -1, -5, INT32_MIN, INT32_MAX, 536870909, 4294967295};
  auto size = [&]() { return sizes[rng() % std::size(sizes)]; };
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    // CALS: numbers of records 7 to 10.
    CalsRecords r;
    r.text[6] = "rtype: " + std::to_string(size() % 6);
    r.text[7] = "rorient: " + std::to_string(90 * (rng() % 5)) + "," + std::to_string(90 * (rng() % 5));
    r.text[8] = "rpelcnt: " + std::to_string(size()) + "," + std::to_string(size());
    r.text[9] = "rdensty: " + std::to_string(size());
    read_clearly(cals_file(r, f.code));
    // EDMICS MMR: block heads, sizes and resolutions.
    MmrBlocks blocks;
    blocks.lines = int32_t(size());
    blocks.pels = int32_t(size());
    blocks.dpi = int16_t(rng());
    blocks.per_cm = int16_t(rng());
    for (int b = 0; b < 3; ++b) {
      blocks.types[b] = int16_t(rng() % 4 ? -1 - b : int16_t(rng()));
      blocks.versions[b] = int16_t(rng() % 4 ? 1 : int16_t(rng()));
    }
    Bytes mmr = blocks.bytes();
    append(mmr, bit_reversed(f.code));
    read_clearly(mmr);
    // EDMICS RLC: sizes and the entry count.
    uint32_t entries = rng() % 3 ? rng() % 8 : uint32_t(rng());
    Bytes rlc = rlc_form_header(uint16_t(size()), uint16_t(size()), rng(), 4, entries);
    append(rlc, rlc_lines(kW, f.rows));
    read_clearly(rlc);
  }
}
#endif
