// The job's output objects and job head (see job_output_objects.h).
#include "graphics_driver/job_output/job_output_objects.h"

#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/driver_helpers.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/label_info.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/core/rotation_buffer.h"
#include "graphics_driver/core/spool_file_state.h"
#include "graphics_driver/job_output/compression_binding.h"
#include "graphics_driver/job_output/fax_jobs.h"
#include "graphics_driver/job_output/feature_level.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/page_color_set.h"
#include "graphics_driver/job_output/pipeline_trace.h"
#include "graphics_driver/job_output/pjl_job_stream.h"
#include "platform/win/win_memory.h"
#include "settings/services/module_state.h"
#include "settings/store/settings_blob.h"

namespace {

constexpr uint32_t kCompressionSlotA = 0x01010801;
constexpr uint32_t kCompressionSlotB = 0x01010901;
constexpr int kCompressionModelFile = 5;

// The job-name hook: no job name is ever given, so it answers 0.
int AskJobName(PdevState*, const WCHAR*) { return 0; }

// Reads the job's user name and asks the job-name hook; its answer 0 makes
// the step fail, which the header does not depend on.
int RunJobUserNameStep(PdevState* pdev) {
  WCHAR user[65] = {};
  if (GetJobUserName(user) != 0) return -1;
  if (GetPdevSettingLong(pdev, 1281) == 0 && GetPdevSettingLong(pdev, 489) == 0) return -1;
  return AskJobName(pdev, user) == 0 ? -1 : 0;
}

void CopyName(WCHAR* to, const WCHAR* from) {
  size_t n = 0;
  for (; from && from[n] && n < 259; ++n) to[n] = from[n];
  to[n] = 0;
}

void LoadCompression(PdevState* pdev) {
  pdev->compressionDll = pdev->compressionState = nullptr;
  if (!HasFeatureLevel(pdev, kCompressionSlotA)) return;
  WCHAR* path = GetModelFilePath(pdev->printer, kCompressionModelFile);
  CompressionDllBinding* binding = path ? LoadCompressionDll(path) : nullptr;
  if (path) GlobalFree(path);
  pdev->compressionDll = binding;
  if (HasFeatureLevel(pdev, kCompressionSlotB)) pdev->compressionState = binding;
}

}  // namespace

int OpenJobOutput(PdevState* pdev, const WCHAR* documentName, const WCHAR* outputName) {
  if (!pdev || (pdev->pipeline.pipelineFlags & kPipelineJobInError)) return -1;
  const DWORD deviceMemory =
      GetPdevSettingLong(pdev, 336) == 1 ? 0 : ReadModelHeaderValue(pdev->primaryModelFile, 6, 4, 0);
  pdev->imageStore = CreateImageStore(pdev, deviceMemory);
  bool failed = !pdev->imageStore;
  if (!failed)
    failed = CreateColorConverter(&pdev->colorConverter, &pdev->devmode, GetResourceModule(), pdev->printer) != 0;
  if (!failed) failed = CreateColorCounter(reinterpret_cast<ColorCounter**>(&pdev->colorCounter)) != 0;
  if (!failed) {
    auto** list = reinterpret_cast<PageImageList**>(&pdev->pageImages);
    failed = CreateSpoolFileState(&pdev->spoolFile, list, &pdev->devmode, GetResourceModule()) != 0;
  }
  if (failed) return -1;

  pdev->imageFlag = GlobalAlloc(GPTR, sizeof(uint32_t));
  if (!pdev->rotationBuffer) pdev->rotationBuffer = CreateRotationBuffer();
  LogPipelineEvent(pdev, nullptr, kTraceStart);
  LoadCompression(pdev);

  pdev->pipeline.pipelineFlags = kPipelineDocumentOpen;
  pdev->pipeline.spoolState = 0;
  CopyName(pdev->jobArea.documentName, documentName);
  CopyName(pdev->jobArea.outputName, outputName);

  // A fax job reads its fax fields, and takes the fax block of the blob.
  const bool fax = pdev->faxState.faxJob != 0;
  if (fax) {
    GetFaxJobSettings(pdev);
    pdev->faxState.faxDataLink = nullptr;
  }

  // The blob of the fax temp file the job names, when it names one; a blob
  // that cannot be read leaves the settings as they are.
  const auto* file = static_cast<const WCHAR*>(GetPdevSettingPointer(pdev, 375));
  if (!file || !file[0]) file = static_cast<const WCHAR*>(GetPdevSettingPointer(pdev, 374));
  HANDLE streamPrinter = pdev->jobOutput ? pdev->jobOutput->printer : nullptr;
  ReadSettingsBlob(streamPrinter, file && file[0] ? file : nullptr, 3, fax ? &pdev->faxState.faxDataLink : nullptr,
                   &pdev->devmode.extension);

  InitPageColorSet(&pdev->pipeline.pageColorSet, 0, 0, 0);
  return OpenPassThroughSinkForPdev(pdev, pdev->pipeline.sinkPrinter);
}

int ReleaseJobUser(PdevState* pdev) {
  if (!pdev || !pdev->jobUser.nameHandle) return 0;
  const int released = ReleaseJobUserHandle(pdev->jobUser.nameHandle);
  pdev->jobUser.nameHandle = nullptr;
  return released == 1 ? 0 : -1;
}

int FreePageOutputObjects(PdevState* pdev) {
  if (!pdev) return -1;
  bool failed = false;
  if (pdev->imageStore) {
    failed = FreeImageStore(pdev->imageStore) != 0;
    pdev->imageStore = nullptr;
  }
  if (pdev->colorConverter) FreeColorConverter(&pdev->colorConverter);
  if (pdev->colorCounter) FreeColorCounter(reinterpret_cast<ColorCounter**>(&pdev->colorCounter));
  if (pdev->spoolFile || pdev->pageImages)
    FreeSpoolFileState(&pdev->spoolFile, reinterpret_cast<PageImageList**>(&pdev->pageImages));
  if (pdev->rotationBuffer) {
    FreeRotationBuffer(pdev->rotationBuffer);
    pdev->rotationBuffer = nullptr;
  }
  // One binding may sit in both slots: it is unloaded once.
  auto* binding =
      static_cast<CompressionDllBinding*>(pdev->compressionDll ? pdev->compressionDll : pdev->compressionState);
  UnloadCompressionDll(binding);
  pdev->compressionDll = pdev->compressionState = nullptr;
  if (ReleaseJobUser(pdev) != 0) failed = true;
  if (pdev->imageFlag) {
    if (DiscardGlobalBlock(pdev->imageFlag) != 1) failed = true;
    pdev->imageFlag = nullptr;
  }
  FreeLabelInfo(pdev);
  if (pdev->faxState.faxJob) {
    FreeFaxJobCopy(pdev);
    const int discarded = pdev->faxState.faxDataLink ? DiscardGlobalBlock(pdev->faxState.faxDataLink) : 1;
    pdev->faxState.faxDataLink = nullptr;
    return discarded == 1 ? 0 : -1;
  }
  return failed ? -1 : 0;
}

int WriteJobHeader(PdevState* pdev) {
  if (!pdev) return -1;
  if (IsPjlOutput(pdev)) {
    RunJobUserNameStep(pdev);
    WritePjlHeader(pdev, nullptr);
  }
  return 0;
}
