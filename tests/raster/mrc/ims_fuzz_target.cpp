// The object image fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of images holding every record kind.
#include "ims_fuzz_target.h"

#include <memory>
#include <random>
#include <vector>

#include "ims_builder.h"
#include "raster/color/rst_color_creators.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/byte_array_storage.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "raster/core/rst_fuzz_observer.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_scale_command.h"
#include "raster/mrc/rst_compose_mrc_canvas.h"
#include "raster/mrc/rst_read_imt_to_mrc_canvas.h"

namespace {

int compose_and_pull(RstMRCCanvas* canvas, uint8_t choice, bool* made) {
  static const double magnifications[] = {1.0, 0.5, 1.7, 0.01};
  double m = magnifications[choice % 4];
  RstScale::NearestNeighbor nearest;
  RstScale::Linear linear;
  RstScale::ScaleCommand& command = choice & 4 ? static_cast<RstScale::ScaleCommand&>(linear) : nearest;
  RstOwner<RstComposeMRCCanvas> page(RstComposeMRCCanvas::create(canvas, m, command));
  if (!page) return 0;
  *made = true;
  int lines = 0;
  std::vector<uint8_t> line(size_t(page->line_size() > 0 ? page->line_size() : 1));
  while (page->read(line.data()) > 0) ++lines;
  return lines;
}

}  // namespace

int ims_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static const bool registered = (rst_register_color_creators(), rst_register_geometry_creators(), true);
  (void)registered;
  RstFuzzObserver observer(data[0] & 1);
  // Each input starts clean: a visit that paints nothing hands on the last
  // status, which an earlier input may have left as an error.
  RstStatusContext::instance()->exchange_status(RstCode::good);
  ByteArrayInputStorage header_storage(data + 2, int32_t(size - 2));
  ByteArrayInputStorage data_storage(data + 2, int32_t(size - 2));
  std::unique_ptr<RstMRCCanvas> canvas;
  try {
    canvas.reset(RstReadIMTToMRCCanvas::create(&header_storage, &data_storage, nullptr));
  } catch (const RstStatus&) {
  }
  if (!canvas) return 0;
  // Composition of a small page only: a page of billions of pixels is
  // refused by the allocations, slowly.
  if (uint64_t{canvas->width()} * canvas->height() > 300000) return 0;
  int lines = 0;
  try {
    RstMRCCanvas* given = canvas.get();
    std::unique_ptr<RstMRCCanvas> copy((data[1] & 8) ? given->clone() : nullptr);
    RstMRCCanvas* composed = copy ? copy.get() : given;
    bool made = false;
    try {
      lines = compose_and_pull(composed, data[1], &made);
    } catch (const RstStatus&) {
    }
    // A page node that was made owns the canvas it composed.
    if (made) (composed == given ? canvas : copy).release();
  } catch (const RstStatus&) {
  }
  return lines;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ims_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

// An image of every record kind over raw data in the same bytes: records
// refer to offsets counted from the image's start, so the data follow it.
std::vector<uint8_t> seed(bool imt, uint32_t mask_compression) {
  ImsImage image;
  image.imt = imt;
  image.page_width = 40;
  image.page_height = 30;
  image.records = {ims_record(7, 1, 1, 16, 8, 0, 0, 16, 8),
                   ims_record(1, 16, 1, 10, 6, 5, 5, 20, 12),
                   ims_record(2, 2, mask_compression, 8, 8, 20, 2, 12, 12),
                   ims_record(1, 32, 1, 8, 8, 20, 2, 12, 12),
                   ims_record(3, 16, 1, 16, 4, -3, 20, 16, 4),
                   ims_record(4, 32, 1, 5, 5, 30, 25, 20, 20),
                   ims_record(6, 16, 1, 1, 1, 0, 0, 1, 1)};
  image.records[4].color[0] = 90;
  image.records[4].reserved[0] = 1;
  image.records[5].color[0] = 200;
  image.records[5].color[1] = 10;
  image.records[5].color[2] = 30;
  size_t header = image.bytes().size();
  ImsData data;
  data.bytes.clear();
  std::mt19937 rng(7);
  for (RstIMSRecord& r : image.records) {
    std::vector<uint8_t> bytes(size_t(r.pixel_width) * r.pixel_height * 3);
    for (uint8_t& b : bytes) b = uint8_t(rng());
    data.add(r, bytes);
    r.data_offset += uint32_t(header);
  }
  std::vector<uint8_t> out = image.bytes();
  out.insert(out.end(), data.bytes.begin(), data.bytes.end());
  return out;
}

}  // namespace

TEST(ImsFuzzTest, FixedBudgetOfRandomAndMutatedImages) {
  std::mt19937 rng(20261211);
  std::vector<std::vector<uint8_t> > base = {seed(true, 1), seed(false, 17), seed(true, 16)};
  int lines = 0;
  for (const std::vector<uint8_t>& s : base) {
    // Every seed composes as it stands.
    std::vector<uint8_t> input = {0, 0};
    input.insert(input.end(), s.begin(), s.end());
    EXPECT_EQ(ims_fuzz_one(input.data(), input.size()), 30);
  }
  for (int round = 0; round < 1500; ++round) {
    std::vector<uint8_t> input = {uint8_t(rng()), uint8_t(rng())};
    if (round % 10 == 0) {
      input.resize(2 + rng() % 300);
      for (size_t i = 2; i < input.size(); ++i) input[i] = uint8_t(rng());
    } else {
      const std::vector<uint8_t>& s = base[rng() % base.size()];
      input.insert(input.end(), s.begin(), s.end());
      int mutations = 1 + int(rng() % 6);
      for (int m = 0; m < mutations; ++m) {
        // Most mutations land in the header and records.
        size_t span = rng() % 3 ? 28 + 96 * 7 : input.size() - 2;
        size_t at = 2 + rng() % span;
        switch (rng() % 4) {
          case 0: input[at] = uint8_t(rng()); break;
          case 1: input[at] ^= uint8_t(1u << (rng() % 8)); break;
          case 2: input[at] = uint8_t(rng() % 2 ? 0xFF : 0); break;
          default: input.resize(at + 1); break;
        }
      }
    }
    lines += ims_fuzz_one(input.data(), input.size());
  }
  EXPECT_GT(lines, 0);
}
#endif
