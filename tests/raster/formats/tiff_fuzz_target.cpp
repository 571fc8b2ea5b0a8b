// The TIFF header fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of valid files with chains, SubIFDs
// and global parameters.
#include "tiff_fuzz_target.h"

#include <random>
#include <vector>

#include "raster/core/byte_array_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_fuzz_observer.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_tiff_header.h"
#include "tiff_builder.h"

namespace {

void use_page(RstReadTIFFHeaderBase* base) {
  RstTIFF6Header* h = base->tiff6_header();
  if (h->status <= 0) return;
  h->strip_count();
  h->tile_specs();
  h->coding_option();
  h->rst_header_ptr();
  h->x_resolution_dpi();
  for (RstReadTIFFHeaderBase* child : base->children) use_page(child);
}

int read_all(InputStorage* in, uint32_t page, uint32_t offset) {
  int pages = 0;
  {
    RstReadTIFFHeader first(in, 3);
    for (RstReadTIFFHeaderBase* p = &first; p; p = p->next_page) {
      ++pages;
      try {
        use_page(p);
      } catch (const RstStatus&) {
      }
    }
  }
  try {
    in->seek(0);
    RstReadTIFFHeader one(in, page, true, 3);
    use_page(&one);
  } catch (const RstStatus&) {
  }
  try {
    RstReadTIFFHeader at(in, 0x4D4D, offset, true, 2);
    use_page(&at);
  } catch (const RstStatus&) {
  }
  return pages;
}

}  // namespace

int tiff_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  RstFuzzObserver observer(data[0] & 1);
  uint32_t page = data[1] % 5;
  uint32_t offset = data[2] * 4u;
  // The file lies in a memory storage, as the preview holds a spooled page.
  MemoryOutputStorage out(256);
  out.write(data + 3, int32_t(size - 3));
  InputStorage* in = out.to_input_storage();
  if (!in) return 0;
  int pages = 0;
  try {
    pages = read_all(in, page, offset);
  } catch (const RstStatus&) {
  }
  delete in;
  return pages;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tiff_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

// The entries of a seed's first page: several strips, RGB or YCbCr, a zero
// resolution denominator, reference values and a description.
std::vector<TiffEntry> with_fields(bool big) {
  return {TiffEntry::longs(256, {17}),
          TiffEntry::longs(257, {9}),
          TiffEntry::shorts(258, {8, 8, 8}),
          TiffEntry::shorts(262, {uint32_t(big ? 6 : 2)}),
          TiffEntry::shorts(277, {3}),
          TiffEntry::longs(273, {8, 40, 80}),
          TiffEntry::longs(278, {4}),
          TiffEntry::longs(279, {10, 10, 10}),
          TiffEntry::rational(282, 300, 1),
          TiffEntry::rational(283, 300, 0),
          TiffEntry::typed(532, 5, {0, 1, 255, 1}),
          TiffEntry::ascii(270, "fuzz seed")};
}

std::vector<std::vector<uint8_t> > seeds() {
  std::vector<std::vector<uint8_t> > out;
  for (bool big : {false, true}) {
    TiffBuilder b(big);
    uint32_t p1 = b.add_ifd(with_fields(big));
    (void)p1;
    uint32_t next = b.last_next_field;
    uint32_t p2 = b.add_ifd({TiffEntry::longs(256, {9}), TiffEntry::longs(257, {5}), TiffEntry::longs(273, {8, 9}),
                             TiffEntry::longs(279, {3, 3}), TiffEntry::shorts(259, {4}), TiffEntry::longs(559, {2, 3}),
                             TiffEntry::typed(433, 10, {0, 1, 100, 1}), TiffEntry::longs(330, {8})});
    b.patch32(next, p2);
    uint32_t g =
        b.add_ifd({TiffEntry::longs(401, {0}), TiffEntry::typed(402, 1, {1}), TiffEntry::ascii(404, "1998", 1)});
    b.add_ifd({TiffEntry::longs(256, {4}), TiffEntry::longs(257, {4}), TiffEntry::longs(273, {8}),
               TiffEntry::longs(400, {g}), TiffEntry::shorts(262, {3}), TiffEntry::shorts(258, {2}),
               TiffEntry::shorts(320, std::vector<uint32_t>(12, 0x1234))});
    out.push_back(b.bytes);
  }
  return out;
}

}  // namespace

TEST(TiffFuzzTest, FixedBudgetOfRandomAndMutatedFiles) {
  std::mt19937 rng(20261210);
  std::vector<std::vector<uint8_t> > base = seeds();
  int pages = 0;
  for (int round = 0; round < 10000; ++round) {
    std::vector<uint8_t> input;
    if (round % 10 == 0) {
      input.resize(5 + rng() % 200);
      for (uint8_t& b : input) b = uint8_t(rng());
      input[3] = 'I';
      input[4] = 'I';
    } else {
      const std::vector<uint8_t>& seed = base[rng() % base.size()];
      input = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
      input.insert(input.end(), seed.begin(), seed.end());
      int mutations = 1 + int(rng() % 8);
      for (int m = 0; m < mutations; ++m) {
        size_t at = 3 + rng() % (input.size() - 3);
        switch (rng() % 4) {
          case 0: input[at] = uint8_t(rng()); break;
          case 1: input[at] ^= uint8_t(1u << (rng() % 8)); break;
          case 2: input[at] = uint8_t(rng() % 2 ? 0xFF : 0); break;
          default: input.resize(at + 1); break;
        }
      }
    }
    pages += tiff_fuzz_one(input.data(), input.size());
  }
  EXPECT_GT(pages, 0);
}
#endif
