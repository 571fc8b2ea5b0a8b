// The page image output: every entry of the page image list goes, front to
// back, with the source-copy raster operation, its clip and (on pages that
// turn images) a quarter turn, to the compression; an answer that stops the
// flush fails the page and drains the list.
#include <cstring>
#include <memory>
#include <vector>

#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/page_image_list.h"
#include "graphics_driver/core/page_image_output.h"
#include "graphics_driver/core/rotation_buffer.h"
#include "graphics_driver/core/spool_file_state.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "pdev_fixture.h"
#include "platform/win/win_memory.h"

namespace {

using pk::test::PdevTest;

// What the compression saw of each image.
struct Seen {
  uint16_t width, height;
  BYTE bits, kind, method;
  uint32_t length;
  uint32_t ropPolarity, ropOperation;
  int32_t clipState;
  RECTL clip;
  BYTE firstPixel;
  BYTE coder;
  int answer;
};
std::vector<Seen> g_seen;
int g_answer = 0;
bool g_realCompression = false;

int Record(PdevState* pdev, CompressionRequest* r, BYTE* pixels) {
  TiffJobRecord& job = pdev->jobOutput->tiffJob;
  Seen s{r->width,
         r->height,
         r->bitsPerPixel,
         *r->colourKind,
         r->method,
         *r->length,
         job.ropPolarity,
         job.ropOperation,
         pdev->clipCache.state,
         pdev->clipCache.rect,
         pixels[0],
         0,
         0};
  // Each image must set the raster operation again.
  job.ropPolarity = job.ropOperation = 0;
  s.answer = g_realCompression ? CompressOutputImage(r, pixels) : g_answer;
  s.coder = *r->coderUsed;
  g_seen.push_back(s);
  return s.answer;
}

class PageImageOutputTest : public PdevTest {
 protected:
  void SetUp() override {
    PdevTest::SetUp();
    live_ = pk::seams::GlobalLiveBlocks();
    stream_ = std::make_unique<JobOutputStream>();
    pdev()->jobOutput = stream_.get();
    pdev()->imageStore = CreateImageStore(pdev(), 0);
    ASSERT_NE(pdev()->imageStore, nullptr);
    ASSERT_EQ(CreateSpoolFileState(&pdev()->spoolFile, &list_, &pdev()->devmode, nullptr), 0);
    pdev()->pageImages = list_;
    pdev()->rotationBuffer = CreateRotationBuffer();
    g_seen.clear();
    g_answer = 0;
    g_realCompression = false;
    SetPageImageCompressor(Record);
  }
  void TearDown() override {
    SetPageImageCompressor(nullptr);
    FreeRotationBuffer(pdev()->rotationBuffer);
    pdev()->rotationBuffer = nullptr;
    FreeSpoolFileState(&pdev()->spoolFile, &list_);
    pdev()->pageImages = nullptr;
    FreeImageStore(pdev()->imageStore);
    pdev()->imageStore = nullptr;
    pdev()->jobOutput = nullptr;
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live_);
    PdevTest::TearDown();
  }

  // An entry of width x rows pixels, every pixel byte `value`, with a clip
  // rectangle when given.
  void Append(uint16_t width, uint16_t rows, uint16_t kind, uint16_t bits, BYTE value, BYTE method,
              const RECTL* clip = nullptr) {
    PageImageDescriptor d{};
    d.width = width;
    d.rows = rows;
    d.kind = kind;
    d.bitsPerPixel = bits;
    d.byteSize = uint32_t((uint64_t(width) * bits + 7) / 8 * rows);
    const PageImageCompression fields{1, method, 2, 204};
    std::memcpy(d.compression, &fields, sizeof fields);
    HGLOBAL pixels = GlobalAlloc(GHND, d.byteSize);
    BYTE* p = static_cast<BYTE*>(GlobalLock(pixels));
    std::memset(p, value, d.byteSize);
    // The first column differs from the rest, so that a turn shows.
    for (uint32_t y = 0; y < rows && bits >= 8; ++y) p[size_t(y) * width * (bits / 8)] = BYTE(value + 1);
    p[0] = value;
    GlobalUnlock(pixels);
    ASSERT_EQ(AppendPageImage(list_, &d, pixels, nullptr), 0);
    if (clip) {
      PageImageClip kept{*clip, nullptr, 0, 0};
      std::memcpy(list_->last->header.bytes, &kept, sizeof kept);
    }
  }

  std::unique_ptr<JobOutputStream> stream_;
  PageImageList* list_ = nullptr;
  SIZE_T live_ = 0;
};

TEST_F(PageImageOutputTest, EntriesGoOutFrontToBackWithSourceCopyAndTheirClip) {
  const RECTL clip{10, 20, 300, 400};
  Append(100, 80, 4, 24, 0x10, 8, &clip);
  Append(50, 40, 3, 8, 0x20, 8);
  Append(256, 40, 10, 1, 0x30, 7);
  ASSERT_EQ(OutputPageImages(pdev()), 1);
  ASSERT_EQ(g_seen.size(), 3u);
  EXPECT_EQ(list_->count, 0u);
  EXPECT_EQ(list_->first, nullptr);
  const BYTE firsts[3] = {0x10, 0x20, 0x30};
  const BYTE bits[3] = {24, 8, 1};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(g_seen[i].firstPixel, firsts[i]) << i;
    EXPECT_EQ(g_seen[i].bits, bits[i]) << i;
    // SelectRasterOp (2, 0xCC): source copy.
    EXPECT_EQ(g_seen[i].ropPolarity, 1u) << i;
    EXPECT_EQ(g_seen[i].ropOperation, 4u) << i;
  }
  EXPECT_EQ(g_seen[0].width, 100);
  EXPECT_EQ(g_seen[0].height, 80);
  EXPECT_EQ(g_seen[0].length, 100u * 80 * 3);
  EXPECT_EQ(g_seen[0].clipState, 1);
  EXPECT_EQ(g_seen[0].clip.right, 300);
  EXPECT_EQ(g_seen[1].clipState, 0);  // no clip kept
  EXPECT_EQ(g_seen[2].length, 32u * 40);
}

TEST_F(PageImageOutputTest, TurnedPagesTurnLargeImages) {
  pdev()->pipeline.feedRotation = 1;
  Append(100, 80, 4, 24, 0x10, 8);
  Append(64, 100, 3, 8, 0x20, 8);  // not larger than 64 on both sides: as it is
  ASSERT_EQ(OutputPageImages(pdev()), 1);
  ASSERT_EQ(g_seen.size(), 2u);
  EXPECT_EQ(g_seen[0].width, 80);
  EXPECT_EQ(g_seen[0].height, 100);
  // The turned image's first row is the source's first column read upwards.
  EXPECT_EQ(g_seen[0].firstPixel, 0x11);
  EXPECT_EQ(g_seen[1].width, 64);
  EXPECT_EQ(g_seen[1].height, 100);

  // A bilevel image cannot be turned: the page fails, the entry is gone.
  g_seen.clear();
  Append(200, 100, 10, 1, 0x30, 7);
  EXPECT_EQ(OutputPageImages(pdev()), 0);
  EXPECT_TRUE(g_seen.empty());
  EXPECT_EQ(list_->count, 0u);
}

TEST_F(PageImageOutputTest, StopAnswerFailsThePageAndDrainsTheList) {
  Append(100, 80, 4, 24, 0x10, 8);
  Append(50, 40, 3, 8, 0x20, 8);
  Append(50, 40, 3, 8, 0x30, 8);
  g_answer = kCompressStopFlush;
  EXPECT_EQ(OutputPageImages(pdev()), 0);
  EXPECT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(list_->count, 0u);
  EXPECT_EQ(list_->first, nullptr);
}

TEST_F(PageImageOutputTest, EmptyListAnswersOneWithoutCompression) {
  EXPECT_EQ(OutputPageImages(pdev()), 1);
  EXPECT_TRUE(g_seen.empty());
}

TEST_F(PageImageOutputTest, ImagesAreCompressedWithTheSpoolTempFile) {
  g_realCompression = true;
  Append(100, 80, 4, 24, 0x10, 8);  // line coder
  Append(64, 64, 3, 8, 0x20, 4);    // JPEG (source copy)
  Append(64, 16, 3, 8, 0x20, 5);    // no method
  ASSERT_EQ(OutputPageImages(pdev()), 1);
  ASSERT_EQ(g_seen.size(), 3u);
  EXPECT_EQ(g_seen[0].coder, kCoderLine);
  EXPECT_EQ(g_seen[1].coder, kCoderJpeg);
  EXPECT_EQ(HasTempFileData(&pdev()->spoolFile->tempFile), 1);
  EXPECT_EQ(g_seen[2].answer, kCompressKept);
}

}  // namespace
