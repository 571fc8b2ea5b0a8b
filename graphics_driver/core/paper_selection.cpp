// Paper selection (see paper_selection.h).
#include "graphics_driver/core/paper_selection.h"

#include <cstring>
#include <limits>

#include "graphics_driver/core/device_units.h"
#include "graphics_driver/core/driver_helpers.h"
#include "graphics_driver/core/pdev_settings.h"
#include "platform/win/win_devmode.h"
#include "platform/win/win_memory.h"
#include "settings/model/model_format.h"
#include "settings/model/model_interface.h"
#include "settings/model/model_queries.h"
#include "settings/services/spooler_records.h"
#include "settings/services/user_paper.h"

namespace {

constexpr WORD kCustomPaperCode = 262;
constexpr WORD kContinuousPaperId = 317;
constexpr int32_t kContinuousFormHeight = 10000;    // 0.1 mm
constexpr int32_t kContinuousPaperHeight = 150000;  // 0.1 mm
constexpr WORD kStandardPaperCode = 256;

// Tenths of a millimetre in device units.
uint32_t Dev(int64_t tenths) { return uint32_t(MicronsToDeviceUnits(int32_t(tenths * 100))); }

const PaperRecord* Paper(const ModelRecord* r) {
  return r && r->type == kRecordPaper ? static_cast<const PaperRecord*>(r) : nullptr;
}

bool SameText(const WCHAR* a, const WCHAR* b) {
  if (!a || !b) return false;
  size_t k = 0;
  while (a[k] && a[k] == b[k]) ++k;
  return a[k] == b[k];
}

// Walks the paper records in order until `keep` takes one.
template <class Keep>
ModelStatus FindPaper(ModelFile* primary, ModelFile* secondary, Keep keep, ModelRecord** out) {
  if (!out) return 1;
  *out = nullptr;
  for (DWORD n = 1;; ++n) {
    ModelRecord* record = nullptr;
    ModelStatus s = LoadModelRecordByIndex(true, primary, secondary, kRecordPaper, n, &record);
    if (s) return s;
    if (keep(n, record)) {
      *out = record;
      return 0;
    }
    ReleaseModelRecord(record);
  }
}

ModelStatus PaperRecordForCode(PdevState* pdev, WORD code, ModelRecord** out) {
  *out = nullptr;
  WORD type = 0;
  ModelStatus s = FindSettingModelRecord(true, pdev->primaryModelFile, pdev->secondaryModelFile, kModelPaperById, &code,
                                         &type, out);
  if (s == 0 && type != kRecordPaper) {
    ReleaseModelRecord(*out);
    *out = nullptr;
    return 2;
  }
  return s;
}

void SetName(PaperInfo* paper, const WCHAR* name) {
  std::memset(paper->formName, 0, sizeof paper->formName);
  CopyWideBounded(paper->formName, name, 32);
}

// The height (0.1 mm) of a form: a continuous form (exactly 1000 mm) without
// its own paper record is as long as setting 373 says, scaled, or 15 m. False
// when the scaled height cannot be had (no scale, or beyond 32 bits).
bool FormHeight(PdevState* pdev, int32_t formHeight, const ModelRecord* record, int32_t* height) {
  *height = formHeight;
  if (formHeight != kContinuousFormHeight || (record && record->key == kContinuousPaperId)) return true;
  int64_t length = GetSetting373(pdev);
  if (length == 0) {
    *height = kContinuousPaperHeight;
    return true;
  }
  int64_t scale = GetScalePercent(pdev);
  if (scale == 0) return false;
  int64_t h = length * 1000 / scale;
  if (h <= 0 || h > std::numeric_limits<int32_t>::max() / 100) return false;
  *height = int32_t(h);
  return true;
}

// Size and margins of the default paper record, the name kept.
int DefaultPaperInto(PdevState* pdev, PaperInfo* paper, bool keepRecord) {
  ModelRecord* record = nullptr;
  if (FindDefaultPaperRecord(pdev->primaryModelFile, pdev->secondaryModelFile, &record)) return 0;
  WCHAR name[32];
  std::memcpy(name, paper->formName, sizeof name);
  int ok = SetPaperFromRecord(record, paper);
  if (!keepRecord) {
    std::memcpy(paper->formName, name, sizeof name);
    paper->paperRecord = nullptr;
    ReleaseModelRecord(record);
  } else if (!ok) {
    ReleaseModelRecord(record);
    paper->paperRecord = nullptr;
  }
  return ok;
}

// The paper record of a spooler form: by its built-in position, else by name.
ModelStatus RecordOfForm(PdevState* pdev, const WCHAR* name, ModelRecord** record) {
  DWORD index = FindBuiltinFormIndex(pdev->printer, name);
  if (index != 0) return FindPaperRecordById(pdev->primaryModelFile, pdev->secondaryModelFile, WORD(index), record);
  return FindPaperRecordByName(pdev->primaryModelFile, pdev->secondaryModelFile, name, record);
}

}  // namespace

ModelStatus FindPaperRecordByName(ModelFile* primary, ModelFile* secondary, LPCWSTR name, ModelRecord** out) {
  return FindPaper(
      primary, secondary, [&](DWORD, const ModelRecord* r) { return SameText(GetModelRecordText(r), name); }, out);
}

ModelStatus FindPaperRecordById(ModelFile* primary, ModelFile* secondary, WORD id, ModelRecord** out) {
  return FindPaper(
      primary, secondary, [&](DWORD, const ModelRecord* r) { return r->key == id; }, out);
}

ModelStatus FindPaperRecordBySize(ModelFile* primary, ModelFile* secondary, uint32_t width, uint32_t height,
                                  ModelRecord** out) {
  int32_t w = DeviceUnitsToMicrons(width) / 100, h = DeviceUnitsToMicrons(height) / 100;
  return FindPaper(
      primary, secondary,
      [&](DWORD n, const ModelRecord* r) {
        const PaperRecord* p = Paper(r);
        if (!p || IsUserPaperCode(n)) return false;
        int32_t dx = p->pair1[0].x - w, dy = p->pair1[0].y - h;
        return dx >= -10 && dx <= 10 && dy >= -10 && dy <= 10;
      },
      out);
}

ModelStatus FindDefaultPaperRecord(ModelFile* primary, ModelFile* secondary, ModelRecord** out) {
  if (!out) return 1;
  DeviceModel model{primary, secondary};
  ModelStatus s = LoadDefaultTarget(&model, 8, out);
  if (s == 0 && !Paper(*out)) {
    ReleaseModelRecord(*out);
    *out = nullptr;
    return 2;
  }
  return s;
}

int IsVariableSizePaper(const ModelRecord* record) {
  const PaperRecord* p = Paper(record);
  return p && (p->pair1[0].x != p->pair1[1].x || p->pair1[0].y != p->pair1[1].y) ? 1 : 0;
}

int IsSizeWithinPaperRange(const ModelRecord* record, uint32_t width, uint32_t height) {
  const PaperRecord* p = Paper(record);
  if (!p) return 0;
  return width >= Dev(p->pair1[0].x) && width <= Dev(p->pair1[1].x) && height >= Dev(p->pair1[0].y) &&
                 height <= Dev(p->pair1[1].y)
             ? 1
             : 0;
}

int IsNonStandardPaperRecord(const ModelRecord* record) {
  const PaperRecord* p = Paper(record);
  return p && p->paperCode != kStandardPaperCode ? 1 : 0;
}

int IsPaperSmallerThan(const ModelRecord* record, uint32_t width, uint32_t height) {
  const PaperRecord* p = Paper(record);
  return p && (Dev(p->pair1[0].x) < width || Dev(p->pair1[0].y) < height) ? 1 : 0;
}

int SetPaperFromRecord(const ModelRecord* record, PaperInfo* paper) {
  const PaperRecord* p = Paper(record);
  if (!p || !paper || p->pair1[0].kind == 0 || p->pair2[0].kind == 0 || p->pair2[1].kind == 0) return 0;
  SetName(paper, p->name);
  paper->width = Dev(p->pair1[0].x);
  paper->height = Dev(p->pair1[0].y);
  paper->left = Dev(p->pair2[0].x);
  paper->top = Dev(p->pair2[0].y);
  paper->right = Dev(p->pair1[0].x - p->pair2[1].x);
  paper->bottom = Dev(p->pair1[0].y - p->pair2[1].y);
  paper->rotated = 0;
  paper->paperRecord = record;
  return 1;
}

int SetMarginsFromFormArea(PaperInfo* paper, const ModelRecord* record, const FormSize* form) {
  const PaperRecord* p = Paper(record);
  if (!p || !paper || !form || p->pair2[0].kind == 0 || p->pair2[1].kind == 0) return 0;
  paper->left = Dev(p->pair2[0].x);
  paper->top = Dev(p->pair2[0].y);
  paper->right = Dev(int64_t(form->width) - p->pair2[1].x);
  paper->bottom = Dev(int64_t(form->height) - p->pair2[1].y);
  return 1;
}

int CenterPrintableArea(PdevState* pdev, int32_t width, int32_t height, PaperInfo* paper) {
  if (!pdev || !paper) return 0;
  ModelRecord* custom = nullptr;
  if (PaperRecordForCode(pdev, kCustomPaperCode, &custom)) return 0;
  const PaperRecord* p = Paper(custom);
  if (!p || p->pair2[0].kind == 0 || p->pair2[1].kind == 0 || p->pair3[1].kind == 0) {
    ReleaseModelRecord(custom);
    return 0;
  }
  int64_t W = width, H = height;
  int64_t ml = p->pair2[0].x, mt = p->pair2[0].y, mr = p->pair2[1].x, mb = p->pair2[1].y;
  int64_t px = p->pair3[1].x, py = p->pair3[1].y;
  ReleaseModelRecord(custom);
  int64_t a = WORD(ReadModelHeaderValue(pdev->primaryModelFile, 10, 2, 0));
  int64_t left = ml, right = mr, top = mt, bottom = mb;
  if (px + mr + ml < W) {
    left = (W - px + 1) / 2;
    right = W - px - left;
  }
  if (mb + py + mt < H) {
    top = (H - py + 1) / 2;
    bottom = H - py - top;
  }
  if (a > 1) {
    right += W % a;
    bottom += H % a;
  }
  paper->left = Dev(left);
  paper->right = Dev(W - right);
  paper->top = Dev(top);
  paper->bottom = Dev(H - bottom);
  return 1;
}

void UseSpoolerFormName(PdevState* pdev, PaperInfo* paper) {
  if (!pdev || !paper || !paper->paperRecord) return;
  DWORD id = static_cast<const ModelRecord*>(paper->paperRecord)->key;
  if (GetFormFlags(pdev->printer, id) != 1) return;
  WCHAR* name = GetFormName(pdev->printer, id);
  if (!name) return;
  SetName(paper, name);
  GlobalFree(name);
}

int SelectDocumentPaper(PdevState* pdev, PaperInfo* paper) {
  const DWORD fields = DWORD(GetPdevSettingLong(pdev, 6));
  ModelFile* primary = pdev->primaryModelFile;
  ModelFile* secondary = pdev->secondaryModelFile;
  paper->paperRecord = nullptr;
  paper->rotated = 0;

  // 1: the spooler form the DEVMODE names.
  if (fields & DM_FORMNAME) {
    WCHAR name[33] = {};
    CopyWideBounded(name, static_cast<const WCHAR*>(GetPdevSettingPointer(pdev, 19)), 33);
    FormSize form{};
    int s = GetFormSize(pdev->printer, name, 0, &form);
    if (s == 1) {
      SetName(paper, name);
      ModelRecord* record = nullptr;
      ModelStatus found = RecordOfForm(pdev, name, &record);
      if (found != 0 && found != 2) return 0;
      int32_t height = 0;
      if (!FormHeight(pdev, form.height, record, &height)) {
        if (record) ReleaseModelRecord(record);
        return 0;
      }
      paper->width = Dev(form.width);
      paper->height = Dev(height);
      if (!record) return CenterPrintableArea(pdev, form.width, height, paper);
      int ok = IsVariableSizePaper(record) ? CenterPrintableArea(pdev, form.width, height, paper)
                                           : SetMarginsFromFormArea(paper, record, &form);
      if (!ok) {
        ReleaseModelRecord(record);
        return 0;
      }
      paper->paperRecord = record;
      return 1;
    }
    if (s != 2) return 0;
  }

  // 2: a size of the application's own.
  if (fields & (DM_PAPERLENGTH | DM_PAPERWIDTH)) {
    int32_t w = GetPdevSettingShort(pdev, 10), h = GetPdevSettingShort(pdev, 9);
    paper->width = Dev(w);
    paper->height = Dev(h);
    ModelRecord* record = nullptr;
    ModelStatus s = FindPaperRecordBySize(primary, secondary, paper->width, paper->height, &record);
    if (s == 2) {
      if (!CenterPrintableArea(pdev, w, h, paper)) return 0;
      SetName(paper, u"");
      return 1;
    }
    if (s) return 0;
    if (!IsVariableSizePaper(record)) {
      if (!SetPaperFromRecord(record, paper)) {
        ReleaseModelRecord(record);
        return 0;
      }
      UseSpoolerFormName(pdev, paper);
      return 1;
    }
    if (!CenterPrintableArea(pdev, w, h, paper)) {
      ReleaseModelRecord(record);
      paper->paperRecord = nullptr;
      return 0;
    }
    paper->paperRecord = record;
    return 1;
  }

  // 3: a paper code.
  if (fields & DM_PAPERSIZE) {
    WORD code = WORD(GetPdevSettingShort(pdev, 8));
    ModelRecord* record = nullptr;
    ModelStatus s = PaperRecordForCode(pdev, code, &record);
    if (s != 0 && s != 2) return 0;
    if (record && !IsVariableSizePaper(record)) {
      if (!SetPaperFromRecord(record, paper)) {
        ReleaseModelRecord(record);
        return 0;
      }
      UseSpoolerFormName(pdev, paper);
      return 1;
    }
    FormSize form{};
    int f = GetFormSize(pdev->printer, nullptr, code, &form);
    if (f == 1) {
      SetName(paper, u"");
      paper->width = Dev(form.width);
      paper->height = Dev(form.height);
      int ok = CenterPrintableArea(pdev, form.width, form.height, paper);
      if (ok) paper->paperRecord = record;
      else if (record) ReleaseModelRecord(record);
      return ok;
    }
    if (record) ReleaseModelRecord(record);
    if (f != 2) return 0;
  }

  // 4: the model's default paper.
  return DefaultPaperInto(pdev, paper, false);
}

int SelectOutputPaper(PdevState* pdev, const PaperInfo* documentPaper, PaperInfo* outputPaper) {
  WORD code = WORD(GetPdevSettingShort(pdev, 262));
  ModelFile* primary = pdev->primaryModelFile;
  ModelFile* secondary = pdev->secondaryModelFile;
  outputPaper->paperRecord = nullptr;

  // 1: a paper of its own.
  if (code != 267 && code != 305) {
    ModelRecord* record = nullptr;
    ModelStatus s = PaperRecordForCode(pdev, code, &record);
    if (s != 0 && s != 2) return 0;
    if (record) {
      FormSize form{};
      int f = GetFormFlags(pdev->printer, code) == 1 ? GetFormSize(pdev->printer, nullptr, code, &form)
                                                     : GetFormSize(pdev->printer, GetModelRecordText(record), 0, &form);
      if (f == 1) {
        int32_t height = 0;
        if (!FormHeight(pdev, form.height, record, &height) || !SetMarginsFromFormArea(outputPaper, record, &form)) {
          ReleaseModelRecord(record);
          return 0;
        }
        outputPaper->width = Dev(form.width);
        outputPaper->height = Dev(height);
        SetName(outputPaper, GetModelRecordText(record));
        outputPaper->rotated = 0;
        outputPaper->paperRecord = record;
        UseSpoolerFormName(pdev, outputPaper);
        return 1;
      }
      if (f != 2) {
        ReleaseModelRecord(record);
        return 0;
      }
      if (!IsVariableSizePaper(record)) {
        if (!SetPaperFromRecord(record, outputPaper)) {
          ReleaseModelRecord(record);
          return 0;
        }
        UseSpoolerFormName(pdev, outputPaper);
        return 1;
      }
      ReleaseModelRecord(record);
    }
  }

  // 2: the output paper follows the document paper.
  ModelRecord* record = nullptr;
  ModelStatus s = RecordOfForm(pdev, documentPaper->formName, &record);
  if (s != 0 && s != 2) return 0;
  if (record && IsNonStandardPaperRecord(record)) {
    if (!IsVariableSizePaper(record) || IsSizeWithinPaperRange(record, documentPaper->width, documentPaper->height)) {
      *outputPaper = *documentPaper;
      outputPaper->paperRecord = record;
      return 1;
    }
    ReleaseModelRecord(record);
    record = nullptr;
  } else if (record) {
    ReleaseModelRecord(record);
    ModelRecord* fallback = nullptr;
    if (FindDefaultPaperRecord(primary, secondary, &fallback)) return 0;
    if (!IsPaperSmallerThan(fallback, documentPaper->width, documentPaper->height)) {
      outputPaper->paperRecord = fallback;
      return 1;
    }
    if (!SetPaperFromRecord(fallback, outputPaper)) {
      ReleaseModelRecord(fallback);
      return 0;
    }
    UseSpoolerFormName(pdev, outputPaper);
    return 1;
  }
  ModelRecord* fallback = nullptr;
  if (FindDefaultPaperRecord(primary, secondary, &fallback)) return 0;
  if (!SetPaperFromRecord(fallback, outputPaper)) {
    ReleaseModelRecord(fallback);
    return 0;
  }
  UseSpoolerFormName(pdev, outputPaper);
  return 1;
}

int SetupPaperInfo(PdevState* pdev) {
  if (!pdev) return 0;
  if (!SelectDocumentPaper(pdev, &pdev->documentPaper)) return 0;
  if (!SelectOutputPaper(pdev, &pdev->documentPaper, &pdev->outputPaper)) {
    ReleasePaperInfo(&pdev->documentPaper);
    return 0;
  }
  const DWORD fields = DWORD(GetPdevSettingLong(pdev, 6));
  if ((fields & DM_ORIENTATION) && GetPdevSettingShort(pdev, 7) == 2) {
    PaperInfo& p = pdev->documentPaper;
    uint32_t left = p.top, top = p.width - p.right, right = p.bottom, bottom = p.width - p.left;
    p.left = left;
    p.top = top;
    p.right = right;
    p.bottom = bottom;
    std::swap(p.width, p.height);
    p.rotated = 1;
  }
  return 1;
}

void ReleasePaperInfo(PaperInfo* paper) {
  if (!paper || !paper->paperRecord) return;
  ReleaseModelRecord(static_cast<ModelRecord*>(const_cast<void*>(paper->paperRecord)));
  paper->paperRecord = nullptr;
}
