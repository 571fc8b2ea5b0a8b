// The document's image buffers: the spool-file state and its pixel packing,
// the page image list (filled through its test seam), the page-end flush,
// and the quarter turn of the rotation buffer with its size limits.
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/page_image_list.h"
#include "graphics_driver/core/page_image_output.h"
#include "graphics_driver/core/rotation_buffer.h"
#include "graphics_driver/core/spool_file_state.h"
#include "pdev_fixture.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_path.h"

namespace {

using pk::test::PdevTest;

bool FileExists(const std::u16string& name) {
  std::string host;
  return PkResolveWindowsPath(name.c_str(), nullptr, &host) == 0 && std::filesystem::exists(host);
}

TEST_F(PdevTest, SpoolFileStatePacksPixelsBySetting330) {
  const HMODULE module = reinterpret_cast<HMODULE>(0x5000);
  const struct {
    int64_t setting;
    uint32_t packing;
  } cases[] = {{1, 8}, {2, 4}, {3, 1}, {0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setting);
    Set(330, c.setting);
    SpoolFileState* state = nullptr;
    PageImageList* list = nullptr;
    ASSERT_EQ(CreateSpoolFileState(&state, &list, &pdev()->devmode, module), 0);
    ASSERT_NE(state, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(state->pixelPacking, c.packing);
    EXPECT_EQ(state->tempFile.module, module);
    EXPECT_EQ(state->tempFile.file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(list->count, 0u);
    EXPECT_EQ(FreeSpoolFileState(&state, &list), 0);
    EXPECT_EQ(state, nullptr);
    EXPECT_EQ(list, nullptr);
  }
}

TEST_F(PdevTest, SpoolFileStateArgumentsAndOpenTempFile) {
  SpoolFileState* state = nullptr;
  PageImageList* list = nullptr;
  EXPECT_EQ(CreateSpoolFileState(nullptr, &list, &pdev()->devmode, nullptr), -1);
  EXPECT_EQ(CreateSpoolFileState(&state, nullptr, &pdev()->devmode, nullptr), -1);
  EXPECT_EQ(CreateSpoolFileState(&state, &list, nullptr, nullptr), -1);
  EXPECT_EQ(FreeSpoolFileState(nullptr, &list), -1);
  EXPECT_EQ(FreeSpoolFileState(&state, nullptr), -1);

  // Freeing deletes an open temp file and the images still listed.
  const SIZE_T live = pk::seams::GlobalLiveBlocks();
  ASSERT_EQ(CreateSpoolFileState(&state, &list, &pdev()->devmode, nullptr), 0);
  ASSERT_EQ(CreateTempFile(&state->tempFile), 0);
  const std::u16string name(state->tempFile.name);
  EXPECT_TRUE(FileExists(name));
  ASSERT_EQ(AppendPageImage(list, nullptr, GlobalAlloc(GHND, 16), GlobalAlloc(GPTR, 8)), 0);
  EXPECT_EQ(FreeSpoolFileState(&state, &list), 0);
  EXPECT_FALSE(FileExists(name));
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
}

class PageImageListTest : public PdevTest {
 protected:
  void SetUp() override {
    PdevTest::SetUp();
    live_ = pk::seams::GlobalLiveBlocks();
    list_ = static_cast<PageImageList*>(GlobalAlloc(GPTR, sizeof(PageImageList)));
    ASSERT_NE(list_, nullptr);
    pdev()->pageImages = list_;
  }
  void TearDown() override {
    FreePageImageList(list_);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live_);
    PdevTest::TearDown();
  }
  // Three entries, each owning pixels and an extra buffer.
  void AppendThree() {
    for (uint16_t i = 0; i < 3; ++i) {
      PageImageDescriptor d{};
      d.width = uint16_t(10 + i);
      d.rows = 2;
      ASSERT_EQ(AppendPageImage(list_, &d, GlobalAlloc(GHND, 64), GlobalAlloc(GPTR, 8)), 0);
    }
  }
  PageImageList* list_ = nullptr;
  SIZE_T live_ = 0;
};

TEST_F(PageImageListTest, WalkRemoveAndLock) {
  PageImageEntry* entry = nullptr;
  EXPECT_EQ(FirstPageImage(list_, &entry), 1);
  EXPECT_EQ(LastPageImage(list_, &entry), 1);
  AppendThree();
  EXPECT_EQ(list_->count, 3u);

  PageImageEntry *first = nullptr, *middle = nullptr, *last = nullptr, *after = nullptr;
  ASSERT_EQ(FirstPageImage(list_, &first), 0);
  ASSERT_EQ(NextPageImage(first, &middle), 0);
  ASSERT_EQ(LastPageImage(list_, &last), 0);
  EXPECT_EQ(NextPageImage(last, &after), 1);
  EXPECT_EQ(first->descriptor.width, 10);
  EXPECT_EQ(middle->descriptor.width, 11);
  EXPECT_EQ(last->descriptor.width, 12);

  // Only the ends may be removed.
  EXPECT_EQ(RemovePageImage(list_, middle, 1, 1), -1);
  EXPECT_EQ(list_->count, 3u);

  BYTE *a = nullptr, *b = nullptr;
  HGLOBAL ha = nullptr, hb = nullptr;
  ASSERT_EQ(LockPageImage(middle, &a, &ha), 0);
  ASSERT_EQ(LockPageImage(middle, &b, &hb), 0);
  EXPECT_EQ(a, b);
  EXPECT_EQ(ha, hb);
  EXPECT_EQ(UnlockPageImage(middle, a + 1, ha), -1);
  EXPECT_EQ(UnlockPageImage(middle, a, ha), 0);
  EXPECT_EQ(middle->locked, nullptr);
  EXPECT_EQ(UnlockPageImage(middle, a, ha), -1);

  // Removing the last entry without freeing leaves its blocks to the caller.
  HGLOBAL pixels = last->pixels;
  void* extra = last->header.extraBuffer;
  EXPECT_EQ(RemovePageImage(list_, last, 0, 0), 0);
  EXPECT_EQ(list_->count, 2u);
  ASSERT_EQ(LastPageImage(list_, &entry), 0);
  EXPECT_EQ(entry, middle);
  EXPECT_EQ(NextPageImage(middle, &after), 1);
  GlobalFree(pixels);
  GlobalFree(extra);

  EXPECT_EQ(RemovePageImage(list_, first, 1, 1), 0);
  ASSERT_EQ(FirstPageImage(list_, &entry), 0);
  EXPECT_EQ(entry, middle);
  EXPECT_EQ(entry->previous, nullptr);
}

TEST_F(PageImageListTest, DrainFreesEveryBlock) {
  AppendThree();
  PageImageEntry* first = nullptr;
  BYTE* address = nullptr;
  HGLOBAL handle = nullptr;
  ASSERT_EQ(FirstPageImage(list_, &first), 0);
  ASSERT_EQ(LockPageImage(first, &address, &handle), 0);
  EXPECT_EQ(DrainPageImages(list_), 0);
  EXPECT_EQ(list_->count, 0u);
  EXPECT_EQ(list_->first, nullptr);
  EXPECT_EQ(list_->last, nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live_ + 1);  // the head
}

int g_libraryCalls = 0;
void CountLibraryCall() { ++g_libraryCalls; }

TEST_F(PageImageListTest, FlushOfAnEmptyListCallsNoColourLibrary) {
  ColorConverter* converter = nullptr;
  ASSERT_EQ(CreateColorConverter(&converter, &pdev()->devmode, nullptr, nullptr), 0);
  pdev()->colorConverter = converter;
  converter->libraryHandle = 7;
  converter->runFlags = kRunColorLibrary | kRunImageMatrix;
  for (FARPROC& entry : converter->libraryEntries) entry = CountLibraryCall;
  g_libraryCalls = 0;
  EXPECT_EQ(FlushPageImage(pdev(), 0), 0);
  EXPECT_EQ(FlushPageImage(pdev(), 1), 0);
  EXPECT_EQ(g_libraryCalls, 0);
  EXPECT_EQ(converter->runFlags, kRunColorLibrary | kRunImageMatrix);
  EXPECT_EQ(OutputPageImages(pdev()), 1);
  FreeColorConverter(&converter);
  pdev()->colorConverter = nullptr;
}

TEST_F(PageImageListTest, FailedFlushDrainsTheList) {
  ColorConverter* converter = nullptr;
  ASSERT_EQ(CreateColorConverter(&converter, &pdev()->devmode, nullptr, nullptr), 0);
  pdev()->colorConverter = converter;
  // An entry whose image has no kind cannot go out: the page fails and no
  // image outlives it.
  AppendThree();
  EXPECT_EQ(FlushPageImage(pdev(), 0), -1);
  EXPECT_EQ(list_->count, 0u);
  EXPECT_EQ(list_->first, nullptr);
  FreeColorConverter(&converter);
  pdev()->colorConverter = nullptr;
}

// ---- Rotation ---------------------------------------------------------------

class RotationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    buffer_ = CreateRotationBuffer();
    ASSERT_NE(buffer_, nullptr);
  }
  void TearDown() override { EXPECT_EQ(FreeRotationBuffer(buffer_), 0); }
  std::vector<BYTE> Turn(const std::vector<BYTE>& pixels, uint32_t width, uint32_t rows, uint32_t rowBytes,
                         uint32_t bits, uint32_t align) {
    BYTE* out = nullptr;
    EXPECT_EQ(RotateImage(buffer_, width, rows, rowBytes, bits, pixels.data(), align, &out), 0);
    const uint32_t bytes = bits / 8;
    const size_t outRow = (size_t(rows) * bytes + align - 1) / align * align;
    return out ? std::vector<BYTE>(out, out + outRow * width) : std::vector<BYTE>();
  }
  RotationBuffer* buffer_ = nullptr;
};

TEST_F(RotationTest, QuarterTurnClockwise) {
  const std::vector<BYTE> image = {'a', 'b', 'c', 'd', 'e', 'f'};  // 3 x 2
  EXPECT_EQ(Turn(image, 3, 2, 3, 8, 1), (std::vector<BYTE>{'d', 'a', 'e', 'b', 'f', 'c'}));
  EXPECT_EQ(Turn(image, 3, 2, 3, 8, 4), (std::vector<BYTE>{'d', 'a', 0, 0, 'e', 'b', 0, 0, 'f', 'c', 0, 0}));
  // Source rows with padding of their own.
  const std::vector<BYTE> padded = {'a', 'b', 'c', 'x', 'd', 'e', 'f', 'x'};
  EXPECT_EQ(Turn(padded, 3, 2, 4, 8, 1), (std::vector<BYTE>{'d', 'a', 'e', 'b', 'f', 'c'}));
  // 24 bits, 2 x 1: each 3-byte pixel stays whole.
  const std::vector<BYTE> rgb = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(Turn(rgb, 2, 1, 6, 24, 1), rgb);
  EXPECT_EQ(Turn(rgb, 2, 1, 6, 24, 4), (std::vector<BYTE>{1, 2, 3, 0, 4, 5, 6, 0}));
}

// Four quarter turns give the image back, at every depth.
TEST_F(RotationTest, FourTurnsAreTheIdentity) {
  std::mt19937 random(37);
  for (uint32_t bits : {8u, 16u, 24u, 32u}) {
    SCOPED_TRACE(bits);
    const uint32_t bytes = bits / 8;
    uint32_t width = 7, rows = 5;
    std::vector<BYTE> image(size_t(width) * rows * bytes);
    for (BYTE& b : image) b = BYTE(random());
    std::vector<BYTE> turned = image;
    for (int turn = 0; turn < 4; ++turn) {
      turned = Turn(turned, width, rows, width * bytes, bits, 1);
      std::swap(width, rows);
    }
    EXPECT_EQ(turned, image);
  }
}

TEST_F(RotationTest, RefusedImagesWriteNothing) {
  std::vector<BYTE> small = {1, 2, 3, 4};
  BYTE* out = reinterpret_cast<BYTE*>(0x1);
  EXPECT_EQ(RotateImage(buffer_, 2, 2, 2, 12, small.data(), 1, &out), 1);
  EXPECT_EQ(RotateImage(buffer_, 2, 2, 1, 8, small.data(), 1, &out), 1);  // rows shorter than their pixels
  EXPECT_EQ(out, reinterpret_cast<BYTE*>(0x1));
  EXPECT_EQ(buffer_->capacity, 0u);
  EXPECT_EQ(buffer_->block, nullptr);

  // 65,535 x 65,535 at 32 bits needs 16 GB: refused before anything is
  // allocated or read, the earlier block kept.
  ASSERT_EQ(Turn(small, 2, 2, 2, 8, 1).size(), 4u);
  BYTE* block = buffer_->block;
  const uint32_t capacity = buffer_->capacity;
  const SIZE_T live = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(RotateImage(buffer_, 65535, 65535, 65535 * 4, 32, small.data(), 1, &out), 1);
  EXPECT_EQ(out, reinterpret_cast<BYTE*>(0x1));
  EXPECT_EQ(buffer_->block, block);
  EXPECT_EQ(buffer_->capacity, capacity);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
  EXPECT_EQ(block[0], 3);

  // A block that cannot be had is refused the same way.
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(RotateImage(buffer_, 100, 100, 100, 8, std::vector<BYTE>(10000).data(), 1, &out), 1);
  pk::seams::FailNthAllocation(0);
  EXPECT_EQ(buffer_->block, block);
  EXPECT_EQ(out, reinterpret_cast<BYTE*>(0x1));
}

TEST(RotationBuffer, CapacityWithoutBlockIsReported) {
  RotationBuffer* buffer = CreateRotationBuffer();
  ASSERT_NE(buffer, nullptr);
  buffer->capacity = 100;
  EXPECT_EQ(FreeRotationBuffer(buffer), 1);
  EXPECT_EQ(FreeRotationBuffer(nullptr), 0);
}

}  // namespace
