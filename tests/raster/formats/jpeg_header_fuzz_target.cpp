// The JPEG header fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of small valid streams of each flavour.
#include "jpeg_header_fuzz_target.h"

#include <memory>
#include <random>
#include <vector>

#include "raster/codecs/jpeg_stream_builder.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_fuzz_observer.h"
#include "exif_support.h"
#include "raster/formats/rst_read_exif.h"
#include "raster/formats/rst_read_jpeg.h"

namespace {

struct Release {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
};

// Every slot of an array is empty or a table of sound size.
template <class Array, class Check>
void check_array(const Array* array, Check check) {
  if (!array) return;
  if (array->slot_count() != 4) __builtin_trap();
  for (int i = 0; i < 4; ++i)
    if ((*array)[i]) check(*(*array)[i]);
}

void check_huffman(const RstHuffmanTable& t) {
  if (!t.ok() || t.bits().size() != 16) __builtin_trap();
  size_t count = 0;
  for (int l = 0; l < 16; ++l) {
    if (t.huffval(l).size() != t.bits()[size_t(l)]) __builtin_trap();
    count += t.huffval(l).size();
  }
  if (count > 256 || size_t(t.entry_count()) != count) __builtin_trap();
  for (const RstHuffmanCode& c : t.entries())
    if (c.length < 1 || c.length > 16 || c.code >= (1u << c.length)) __builtin_trap();
}

void check_quantization(const RstJPEGQTable& t) {
  if (!t.ok()) __builtin_trap();
}

// The Exif probe over the same bytes: both containers, the position put back,
// a kept header usable.
int probe_exif(ByteArrayInputStorage& storage, int32_t start) {
  storage.seek(start);
  std::unique_ptr<RstReadExifHeader, Release> exif(RstReadExif::private_header(&storage));
  if (storage.tell() != start) __builtin_trap();
  if (!exif) return 0;
  int32_t status = *exif->status();
  if (status != 1 && status < 2) __builtin_trap();
  RstReadExifTIFFHeader* tiff = exif->exif_tiff_header();
  if (!tiff || tiff->exif_ifd == 0) __builtin_trap();
  if (exif->is_tiff_container() != (exif->exif_jpeg_header() == nullptr)) __builtin_trap();
  exif->rst_header();
  exif->x_resolution();
  exif->y_resolution();
  for (RstReadTIFFHeaderBase* page = tiff->next_page; page; page = page->next_page)
    if (!dynamic_cast<RstReadExifThumbHeader*>(page)) __builtin_trap();
  return 1;
}

int probe(const uint8_t* data, size_t size) {
  uint8_t head = data[0];
  std::vector<uint8_t> bytes(data + 1, data + size);
  ByteArrayInputStorage storage(bytes.data(), int32_t(bytes.size()));
  int32_t start = bytes.empty() ? 0 : (head >> 1) % int32_t(bytes.size() < 4 ? 1 : 4);
  probe_exif(storage, start);
  storage.seek(start);
  std::unique_ptr<RstReadJPEGHeader, Release> header(RstReadJPEG::private_header(&storage));
  if (!header) return 0;
  if (storage.tell() != start) __builtin_trap();
  int32_t status = *header->status();
  if (status != 1 && status < 2) __builtin_trap();
  RstHeader* h = header->rst_header();
  if (h->samples_per_pixel < 0 || h->samples_per_pixel > 4) __builtin_trap();
  if (h->samples_per_pixel > 0 && h->bits_per_sample != 8 && h->bits_per_sample != 12) __builtin_trap();
  check_array(header->dc_tables().get(), check_huffman);
  check_array(header->ac_tables().get(), check_huffman);
  check_array(header->quantization_tables().get(), check_quantization);
  std::unique_ptr<RstJPEGOption> option(header->create_option(nullptr));
  if (option) {
    if (!option->tables) __builtin_trap();
    check_array(&option->tables->dc, check_huffman);
    check_array(&option->tables->ac, check_huffman);
    check_array(&option->tables->quantization, check_quantization);
  }
  return 1;
}

}  // namespace

int jpeg_header_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  RstFuzzObserver observer((data[0] & 1) != 0);
  try {
    return probe(data, size);
  } catch (const RstStatus&) {
    // A report thrown by the default observer: the header and its records are gone.
    return 0;
  }
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jpeg_header_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

TEST(JpegHeaderFuzz, FixedBudgetRunsClean) {
  std::mt19937 rng(28);
  Bytes palette{0x11, 1, 1};
  palette.resize(3 + 768 + 1, 9);
  std::vector<Bytes> seeds = {
      JpegBytes().soi().jfif(2, 40, 39, 1, {1, 1, 1, 2, 3}).tables().dht_dc(1).frame_and_scan(16, 16, 3).b,
      JpegBytes().soi().g3fax(1994, 200).tables().segment(0xDD, {0, 4}).frame_and_scan(8, 8, 1).b,
      JpegBytes().soi().jfxx(palette).dqt(0).dqt(1, 7).dht_ac(3).comment("x").frame_and_scan(8, 8, 1).b,
      JpegBytes().soi().dqt(0).dht_dc(0).eoi().b,
  };
  // Exif in both containers, with and without a thumbnail, in both byte orders.
  ExifLayout with_thumbnail;
  with_thumbnail.thumbnail = true;
  ExifLayout motorola;
  motorola.big_endian = true;
  motorola.thumbnail = true;
  for (const ExifLayout& l : {ExifLayout{}, with_thumbnail, motorola}) seeds.push_back(exif_jpeg(exif_tiff(l), false));
  seeds.push_back(exif_jpeg(exif_tiff(ExifLayout{}), true));
  Bytes exif_tiff_seed = exif_tiff(with_thumbnail);
  int found = 0;
  for (Bytes& s : seeds) {
    s.insert(s.begin(), 0);  // recording observer, stream at 0
    found += jpeg_header_fuzz_one(s.data(), s.size());
  }
  EXPECT_EQ(found, int(seeds.size()));
  // The TIFF container is no JPEG stream; only the Exif probe takes it.
  exif_tiff_seed.insert(exif_tiff_seed.begin(), 0);
  EXPECT_EQ(jpeg_header_fuzz_one(exif_tiff_seed.data(), exif_tiff_seed.size()), 0);
  seeds.push_back(exif_tiff_seed);
  for (int iter = 0; iter < 12000; ++iter) {
    Bytes input;
    if (iter % 5 == 0) {
      input.resize(1 + rng() % 300);
      for (auto& b : input) b = uint8_t(rng());
      if (input.size() > 3 && rng() % 2) {
        input[1] = 0xFF;
        input[2] = 0xD8;
      }
    } else {
      input = seeds[size_t(iter) % seeds.size()];
      input[0] = uint8_t(rng());
      int edits = 1 + int(rng() % 6);
      for (int e = 0; e < edits; ++e) {
        size_t at = 1 + rng() % (input.size() - 1);
        switch (rng() % 4) {
          case 0: input[at] ^= uint8_t(1u << (rng() % 8)); break;
          case 1: input[at] = uint8_t(rng()); break;
          case 2: input[at] = rng() % 2 ? 0xFF : 0x00; break;
          default: input.resize(at + 1); break;
        }
      }
    }
    jpeg_header_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
