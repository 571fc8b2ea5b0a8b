// The label texts of the job (see label_info.h).
#include "graphics_driver/core/label_info.h"

#include <algorithm>
#include <cstring>

#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/job_output_objects.h"
#include "platform/win/win_memory.h"
#include "settings/services/escape_records.h"

namespace {

// The texts in the order of LabelInfoParts::texts.
enum Part { kUser, kComputer, kText, kDate, kTime, kPartCount };

// Bytes of each part: the size of its field in the block.
constexpr size_t kPartBytes[kPartCount] = {sizeof LabelInfoBlock::user, sizeof LabelInfoBlock::computer,
                                           sizeof LabelInfoBlock::text, sizeof LabelInfoBlock::date,
                                           sizeof LabelInfoBlock::time};
constexpr size_t kPartOffset[kPartCount] = {offsetof(LabelInfoBlock, user), offsetof(LabelInfoBlock, computer),
                                            offsetof(LabelInfoBlock, text), offsetof(LabelInfoBlock, date),
                                            offsetof(LabelInfoBlock, time)};
// The label item each part answers for.
constexpr int kPartItem[kPartCount] = {kLabelUser, kLabelComputer, kLabelText, kLabelDate, kLabelTime};

// The printer setting that says whether the computer part is an owner name.
constexpr SettingId kOwnerNameSource = 1031;

// Stores `bytes` of text into the part, allocating it the first time. The
// last unit of the part stays 0, so that every kept text ends within its
// field whatever the sender put there.
bool StorePart(LabelInfoParts* parts, Part part, const void* text, size_t bytes) {
  WCHAR*& kept = parts->texts[part];
  if (!kept) kept = static_cast<WCHAR*>(GlobalAlloc(GPTR, kPartBytes[part]));
  if (!kept) return false;
  std::memset(kept, 0, kPartBytes[part]);
  std::memcpy(kept, text, std::min(bytes, kPartBytes[part] - sizeof(WCHAR)));
  return true;
}

// The computer part from the owner name settings when setting 1031 says so:
// true with the name in `name`.
bool OwnerComputerName(const PdevState* pdev, WCHAR (&name)[34]) {
  std::memset(name, 0, sizeof name);
  switch (GetPdevSettingLong(pdev, kOwnerNameSource)) {
    case 1: CopyOwnerName1(pdev, name); return true;
    case 5: CopyOwnerName2(pdev, name); return true;
    default: return false;
  }
}

}  // namespace

int GetLabelInfo(PdevState* pdev, ULONG, const void*, ULONG cjOut, void* pvOut) {
  if (!pdev || !pvOut || cjOut != sizeof(LabelInfoBlock)) return -1;
  LabelInfoBlock block{};
  if (!pdev->labelInfo) {
    block.pageNumber = static_cast<int16_t>(pdev->pipeline.pageCount);
    std::memcpy(pvOut, &block, sizeof block);
    return -1;
  }
  const JobSetup& job = pdev->jobSetup;
  block.labelOn = static_cast<int32_t>(job.labelOn);
  std::memcpy(block.itemPositions, job.labelItemPositions, sizeof block.itemPositions);
  auto* bytes = reinterpret_cast<BYTE*>(&block);
  for (int part = 0; part < kPartCount; ++part) {
    if (block.itemPositions[kPartItem[part]] == -1) continue;
    if (part == kText) {
      // The text item is the document's name.
      std::memcpy(block.text, pdev->jobArea.documentName, sizeof pdev->jobArea.documentName);
    } else if (const WCHAR* kept = pdev->labelInfo->texts[part]) {
      std::memcpy(bytes + kPartOffset[part], kept, kPartBytes[part]);
    }
  }
  block.pageNumber = static_cast<int16_t>(pdev->pipeline.pageCount + 1);
  std::memcpy(pvOut, &block, sizeof block);
  return 1;
}

int SetLabelInfo(PdevState* pdev, ULONG cjIn, const void* pvIn) {
  if (!pdev || !pvIn || cjIn != sizeof(LabelInfoBlock)) return -1;
  if (!pdev->labelInfo) pdev->labelInfo = static_cast<LabelInfoParts*>(GlobalAlloc(GPTR, sizeof(LabelInfoParts)));
  if (!pdev->labelInfo) return -1;
  const auto* in = static_cast<const BYTE*>(pvIn);
  WCHAR owner[34];
  const bool ownerComputer = OwnerComputerName(pdev, owner);
  bool stored = true;
  for (int part = 0; part < kPartCount; ++part) {
    const BYTE* text = in + kPartOffset[part];
    size_t bytes = kPartBytes[part];
    if (part == kComputer && ownerComputer) {
      text = reinterpret_cast<const BYTE*>(owner);
      bytes = sizeof owner;
    } else if (text[0] == 0 && text[1] == 0) {
      continue;
    }
    if (!StorePart(pdev->labelInfo, static_cast<Part>(part), text, bytes)) stored = false;
  }
  return stored ? 1 : -1;
}

void FreeLabelInfo(PdevState* pdev) {
  if (!pdev || !pdev->labelInfo) return;
  for (WCHAR* text : pdev->labelInfo->texts)
    if (text) GlobalFree(text);
  GlobalFree(pdev->labelInfo);
  pdev->labelInfo = nullptr;
}
