// Parsing the records of the device description files into their memory
// forms, releasing them, and the lookups built on the type indexes.
#include "settings/model/model_records.h"

#include <cstring>

namespace {

template <typename T>
T* Alloc(size_t count = 1) {
  return static_cast<T*>(GlobalAlloc(GPTR, sizeof(T) * count));
}

void Free(void* block) {
  if (block) GlobalFree(block);
}

size_t RecordSize(WORD type) {
  switch (type) {
    case kRecordFileInfo: return sizeof(FileInfoRecord);
    case 2: return sizeof(ModelRecord);
    case kRecordFlagFeature:
    case kRecordSettingFeature: return sizeof(FeatureRecord);
    case kRecordRangeA:
    case kRecordRangeB: return sizeof(RangeRecord);
    case kRecordConstraintA:
    case kRecordConstraintB: return sizeof(ConstraintRecord);
    case kRecordConditionalPicture: return sizeof(PictureRecord);
    case kRecordPaper: return sizeof(PaperRecord);
    case kRecordDeviceFont: return sizeof(DeviceFontModelRecord);
    case kRecordBitmap: return sizeof(BitmapRecord);
    case kRecordFlagOption:
    case kRecordSettingOption: return sizeof(OptionRecord);
    case kRecordConditionalTexts: return sizeof(ConditionalTextsRecord);
    case kRecordConditionalData: return sizeof(ConditionalDataRecord);
    case kRecordPointPair: return sizeof(PointPairRecord);
    case kRecordValueBlob: return sizeof(ValueBlobRecord);
    case kRecordNamedByte: return sizeof(NamedByteRecord);
    case kRecordValueTable: return sizeof(ValueTableRecord);
    case kRecordValueList: return sizeof(ValueListRecord);
    default: return 0;
  }
}

DWORD Remaining(const ModelFile* file) { return file->position <= file->size ? file->size - file->position : 0; }

// Smallest stored size of one list item of a kind.
DWORD ItemMinBytes(WORD kind) {
  switch (kind) {
    case kItemKey: return 2;
    case kItemPlacement: return 6;
    case kItemCondition: return 8;
    case kItemChainedCondition: return 9;
    default: return 0;
  }
}

size_t ItemMemorySize(WORD kind) {
  switch (kind) {
    case kItemKey: return sizeof(KeyItem);
    case kItemPlacement: return sizeof(PlacementItem);
    case kItemCondition: return sizeof(ConditionItem);
    case kItemChainedCondition: return sizeof(ChainedConditionItem);
    default: return 0;
  }
}

void FreeConditions(ConditionItem* items, WORD count) {
  if (!items) return;
  for (WORD k = 0; k < count; ++k) Free(items[k].data);
  Free(items);
}

void FreeChained(ChainedConditionItem* items, WORD count) {
  if (!items) return;
  for (WORD k = 0; k < count; ++k) Free(items[k].condition.data);
  Free(items);
}

void FreeTexts(WCHAR** texts, WORD count) {
  if (!texts) return;
  for (WORD k = 0; k < count; ++k) Free(texts[k]);
  Free(texts);
}

// Frees the owned blocks of a record of the given form (not the record).
void FreeOwnedBlocks(ModelRecord* r, WORD type) {
  switch (type) {
    case kRecordFileInfo: {
      auto* x = static_cast<FileInfoRecord*>(r);
      Free(x->title);
      Free(x->modelName);
      Free(x->secondaryName);
      break;
    }
    case kRecordFlagFeature:
    case kRecordSettingFeature:
    case kRecordFlagOption:
    case kRecordSettingOption: {
      auto* x = static_cast<ConstrainedRecord*>(r);
      Free(x->name);
      Free(x->constraintAKeys);
      Free(x->constraintBKeys);
      if (type == kRecordFlagFeature || type == kRecordSettingFeature) Free(static_cast<FeatureRecord*>(r)->optionKeys);
      else Free(static_cast<OptionRecord*>(r)->value);
      break;
    }
    case kRecordRangeA:
    case kRecordRangeB: {
      auto* x = static_cast<RangeRecord*>(r);
      Free(x->name);
      Free(x->settingIds);
      Free(x->secondKeys);
      break;
    }
    case kRecordConstraintA:
    case kRecordConstraintB: {
      auto* x = static_cast<ConstraintRecord*>(r);
      Free(x->condition.data);
      Free(x->message);
      FreeChained(x->chained, x->chainedCount);
      FreeConditions(x->conditions, x->conditionCount);
      break;
    }
    case kRecordConditionalPicture: {
      auto* x = static_cast<PictureRecord*>(r);
      FreeChained(x->chained, x->chainedCount);
      break;
    }
    case kRecordPaper: Free(static_cast<PaperRecord*>(r)->name); break;
    case kRecordDeviceFont: {
      auto* x = static_cast<DeviceFontModelRecord*>(r);
      Free(x->face);
      FreeTexts(x->aliases, x->aliasCount);
      Free(x->second);
      FreeTexts(x->secondTexts, x->secondCount);
      Free(x->fontData);
      break;
    }
    case kRecordBitmap: Free(static_cast<BitmapRecord*>(r)->data); break;
    case kRecordConditionalTexts: {
      auto* x = static_cast<ConditionalTextsRecord*>(r);
      FreeChained(x->chained, x->chainedCount);
      Free(x->textA);
      Free(x->textB);
      break;
    }
    case kRecordConditionalData: {
      auto* x = static_cast<ConditionalDataRecord*>(r);
      FreeChained(x->chained, x->chainedCount);
      Free(x->data);
      break;
    }
    case kRecordValueBlob: ClearValueBlob(&static_cast<ValueBlobRecord*>(r)->blob); break;
    case kRecordNamedByte: Free(static_cast<NamedByteRecord*>(r)->name); break;
    case kRecordValueTable: Free(static_cast<ValueTableRecord*>(r)->items); break;
    case kRecordValueList: {
      auto* x = static_cast<ValueListRecord*>(r);
      Free(x->name);
      Free(x->ids);
      Free(x->valueTypes);
      Free(x->valueSizes);
      if (x->values) {
        for (WORD k = 0; k < x->entryCount; ++k) Free(x->values[k]);
        Free(x->values);
      }
      break;
    }
    default: break;
  }
}

// A cursor over one record: every step reads at the file's position and
// keeps the first failure.
struct Cursor {
  ModelFile* file;
  ModelStatus status = 0;

  bool Fail(ModelStatus s) {
    if (!status) status = s;
    return false;
  }
  bool Ok(ModelStatus s) { return s == 0 || Fail(s); }
  bool U8(BYTE* v) { return !status && Ok(ReadModelU8(file, v)); }
  bool U16(WORD* v) { return !status && Ok(ReadModelU16(file, v)); }
  bool U8As16(WORD* v) {
    BYTE b = 0;
    if (!U8(&b)) return false;
    *v = b;
    return true;
  }
  bool I16(SHORT* v) {
    WORD w = 0;
    if (!U16(&w)) return false;
    *v = static_cast<SHORT>(w);
    return true;
  }
  bool U32(DWORD* v) { return !status && Ok(ReadModelU32(file, v)); }
  bool Skip(DWORD n) {
    if (status) return false;
    if (n > Remaining(file)) return Fail(1);
    file->position += n;
    return true;
  }
  bool Key(KeyItem* k) { return !status && Ok(ReadKeyItem(file, k)); }
  bool Text(WORD* bytes, WCHAR** text) { return !status && Ok(ReadModelTextField(file, text, bytes)); }
  bool Bytes(DWORD n, BYTE** out) {
    if (status) return false;
    *out = nullptr;
    if (n == 0) return true;
    if (n > Remaining(file)) return Fail(1);
    BYTE* block = Alloc<BYTE>(n);
    if (!block) return Fail(4);
    ReadModelBytes(file, block, n);
    *out = block;
    return true;
  }
  template <typename T>
  bool List(WORD kind, WORD* count, T** items) {
    void* block = nullptr;
    if (status || !Ok(ReadItemList(file, kind, count, &block))) return false;
    *items = static_cast<T*>(block);
    return true;
  }
  // Steps over a list by its stored byte length.
  bool SkipList() {
    DWORD length = 0;
    return U32(&length) && Skip(length);
  }
  bool Condition(ConditionItem* c) { return !status && Ok(ReadConditionItem(file, c)); }
  bool Point(PointItem* p) { return !status && Ok(ReadPointItem(file, p)); }
};

// Copies the two points of the point-pair record with that key.
ModelStatus LoadPointPair(ModelFile* primary, ModelFile* secondary, WORD key, PointItem pair[2]) {
  ModelRecord* r = nullptr;
  ModelStatus s = LoadModelRecordByKey(false, primary, secondary, kRecordPointPair, key, 0, &r);
  if (s) return s;
  auto* pp = static_cast<PointPairRecord*>(r);
  pair[0] = pp->point1;
  pair[1] = pp->point2;
  ReleaseModelRecord(r);
  return 0;
}

ModelStatus ReadTextList(Cursor& c, WORD* count, WCHAR*** texts) {
  if (!c.U16(count)) return c.status;
  if (*count == 0) return 0;
  if (static_cast<DWORD>(*count) * 2 > Remaining(c.file)) return c.Fail(1), c.status;
  WORD* sizes = Alloc<WORD>(*count);
  WCHAR** list = Alloc<WCHAR*>(*count);
  if (!sizes || !list) {
    Free(sizes);
    Free(list);
    return c.Fail(4), c.status;
  }
  *texts = list;
  for (WORD k = 0; k < *count && c.U16(&sizes[k]); ++k) {
  }
  for (WORD k = 0; k < *count && !c.status; ++k) {
    WORD bytes = sizes[k];
    c.Ok(ReadModelText(c.file, &list[k], &bytes));
  }
  Free(sizes);
  return c.status;
}

// Parses the fields after the key of one record type.
void ParseBody(Cursor& c, bool full, ModelFile* primary, ModelFile* secondary, ModelRecord* r) {
  switch (r->type) {
    case kRecordFlagFeature:
    case kRecordSettingFeature: {
      auto* x = static_cast<FeatureRecord*>(r);
      c.Text(&x->nameBytes, &x->name) && c.U8As16(&x->displayKind) && c.U16(&x->defaultOption) && c.Key(&x->auxiliary);
      if (!full) break;
      c.List(kItemKey, &x->optionCount, &x->optionKeys) &&
          c.List(kItemKey, &x->constraintACount, &x->constraintAKeys) &&
          c.List(kItemKey, &x->constraintBCount, &x->constraintBKeys) && c.Key(&x->blobKey);
      break;
    }
    case kRecordRangeA:
    case kRecordRangeB: {
      auto* x = static_cast<RangeRecord*>(r);
      KeyItem pair{};
      if (c.Text(&x->nameBytes, &x->name) && c.Key(&pair) && c.U16(&x->word) &&
          c.List(kItemKey, &x->settingCount, &x->settingIds) && c.List(kItemKey, &x->secondCount, &x->secondKeys) &&
          c.U8(&x->byte)) {
        PointItem points[2] = {};
        if (c.Ok(LoadPointPair(primary, secondary, pair.key, points))) {
          x->point1 = points[0];
          x->point2 = points[1];
        }
      }
      break;
    }
    case kRecordConstraintA:
    case kRecordConstraintB: {
      auto* x = static_cast<ConstraintRecord*>(r);
      c.Condition(&x->condition) && c.U16(&x->rule) && c.Text(&x->messageBytes, &x->message) &&
          c.List(kItemChainedCondition, &x->chainedCount, &x->chained) &&
          c.List(kItemCondition, &x->conditionCount, &x->conditions);
      break;
    }
    case kRecordConditionalPicture: {
      auto* x = static_cast<PictureRecord*>(r);
      c.List(kItemChainedCondition, &x->chainedCount, &x->chained) && c.Ok(ReadPlacementItem(c.file, &x->placement));
      break;
    }
    case kRecordPaper: {
      auto* x = static_cast<PaperRecord*>(r);
      WORD a = 0, b = 0, cc = 0, d = 0;
      if (c.Text(&x->nameBytes, &x->name) && c.U8As16(&x->paperByte) && c.U16(&a) && c.U16(&b) && c.U16(&cc) &&
          c.U16(&x->paperCode) && c.U16(&x->secondCode) && c.U8(&x->sizeKind) && c.U16(&d)) {
        c.Ok(LoadPointPair(primary, secondary, a, x->pair1)) && c.Ok(LoadPointPair(primary, secondary, b, x->pair3)) &&
            c.Ok(LoadPointPair(primary, secondary, cc, x->pair2)) &&
            (d == 0 || c.Ok(LoadPointPair(primary, secondary, d, x->pair4)));
        if (d == 0) {
          x->pair4[0] = PointItem{kItemPoint, 0, 0};
          x->pair4[1] = PointItem{kItemPoint, 0, 0};
        }
      }
      break;
    }
    case kRecordDeviceFont: {
      auto* x = static_cast<DeviceFontModelRecord*>(r);
      WORD skip = 0;
      if (!c.Text(&x->faceBytes, &x->face) || !c.Text(&x->secondBytes, &x->second)) break;
      if (ReadTextList(c, &x->aliasCount, &x->aliases) || ReadTextList(c, &x->secondCount, &x->secondTexts)) break;
      if (!c.U16(&skip) || !c.Skip(skip) || !c.U32(&x->fontDataSize)) break;
      if (full) c.Bytes(x->fontDataSize, &x->fontData);
      else c.Skip(x->fontDataSize);
      c.U16(&x->word);
      break;
    }
    case kRecordBitmap: {
      auto* x = static_cast<BitmapRecord*>(r);
      BYTE format = 0;
      WORD skip = 0;
      DWORD size = 0;
      if (!c.U8(&format) || !c.U16(&x->width) || !c.U16(&x->height) || !c.U16(&skip) || !c.Skip(skip) ||
          !c.U32(&size) || !full)
        break;
      if ((format != 1 && format != 2) || size < 14) {
        c.Fail(1);
        break;
      }
      if (c.Skip(14) && c.Bytes(size - 14, &x->data)) x->dataSize = size - 14;
      break;
    }
    case kRecordFlagOption:
    case kRecordSettingOption: {
      auto* x = static_cast<OptionRecord*>(r);
      if (!c.Text(&x->nameBytes, &x->name) || !c.U16(&x->targetType) || !c.Key(&x->targetKey)) break;
      if (full) {
        c.Key(&x->auxiliary) && c.List(kItemKey, &x->constraintACount, &x->constraintAKeys) &&
            c.List(kItemKey, &x->constraintBCount, &x->constraintBKeys);
      } else {
        c.Skip(2) && c.SkipList() && c.SkipList();
      }
      if (!c.status) c.Ok(ReadTypedValue(c.file, &x->valueType, &x->valueSize, &x->value));
      c.Key(&x->blobKey);
      break;
    }
    case kRecordConditionalTexts: {
      auto* x = static_cast<ConditionalTextsRecord*>(r);
      c.U16(&x->word) && c.List(kItemChainedCondition, &x->chainedCount, &x->chained) &&
          c.Text(&x->textABytes, &x->textA) && c.Text(&x->textBBytes, &x->textB);
      break;
    }
    case kRecordConditionalData: {
      auto* x = static_cast<ConditionalDataRecord*>(r);
      c.List(kItemChainedCondition, &x->chainedCount, &x->chained) && c.U8(&x->byteA) && c.U8(&x->byteB) &&
          c.U16(&x->dataSize) && c.Bytes(x->dataSize, &x->data);
      break;
    }
    case kRecordPointPair: {
      auto* x = static_cast<PointPairRecord*>(r);
      c.Point(&x->point1) && c.Point(&x->point2);
      break;
    }
    case kRecordValueBlob: {
      auto* x = static_cast<ValueBlobRecord*>(r);
      x->blob.kind = kItemValueBlob;
      c.U16(&x->blob.size) && c.Bytes(x->blob.size, &x->blob.data);
      break;
    }
    case kRecordNamedByte: {
      auto* x = static_cast<NamedByteRecord*>(r);
      c.Text(&x->nameBytes, &x->name) && c.U8(&x->byte);
      break;
    }
    case kRecordValueTable: {
      auto* x = static_cast<ValueTableRecord*>(r);
      DWORD length = 0;
      if (!c.U16(&x->word) || !c.U8As16(&x->valueType) || !c.U16(&x->itemSize) || !c.U32(&length) ||
          !c.U16(&x->itemCount))
        break;
      DWORD bytes = static_cast<DWORD>(x->itemSize) * x->itemCount;
      if (full) c.Bytes(bytes, &x->items);
      else c.Skip(bytes);
      break;
    }
    case kRecordValueList: {
      auto* x = static_cast<ValueListRecord*>(r);
      WORD n = 0;
      if (!c.Text(&x->nameBytes, &x->name) || !c.Skip(4) || !c.U16(&n)) break;
      if (n == 0) break;
      // Each entry takes at least a u16 id, a u8 type and a u16 length.
      if (static_cast<DWORD>(n) * 5 > Remaining(c.file)) {
        c.Fail(1);
        break;
      }
      x->ids = Alloc<WORD>(n);
      x->valueTypes = Alloc<WORD>(n);
      x->valueSizes = Alloc<WORD>(n);
      x->values = Alloc<BYTE*>(n);
      if (!x->ids || !x->valueTypes || !x->valueSizes || !x->values) {
        c.Fail(4);
        break;
      }
      x->entryCount = n;
      for (WORD k = 0; k < n && c.U16(&x->ids[k]); ++k)
        c.Ok(ReadTypedValue(c.file, &x->valueTypes[k], &x->valueSizes[k], &x->values[k]));
      break;
    }
    default: c.Fail(1); break;
  }
}

}  // namespace

// ---- Allocation and release ---------------------------------------------------------

ModelRecord* AllocModelRecord(WORD type) {
  size_t size = RecordSize(type);
  if (size == 0) return nullptr;
  auto* r = static_cast<ModelRecord*>(GlobalAlloc(GPTR, size));
  if (r) r->type = type;
  return r;
}

ValueBlob* AllocValueBlob() {
  ValueBlob* b = Alloc<ValueBlob>();
  if (b) b->kind = kItemValueBlob;
  return b;
}

ModelValue* AllocModelValue() {
  ModelValue* v = Alloc<ModelValue>();
  if (v) v->kind = kItemModelValue;
  return v;
}

void ClearValueBlob(ValueBlob* blob) {
  if (!blob) return;
  Free(blob->data);
  blob->data = nullptr;
  blob->size = 0;
}

void FreeModelValue(ModelValue* value) {
  if (!value) return;
  Free(value->name);
  Free(value->data);
  if (value->blob) {
    ClearValueBlob(value->blob);
    Free(value->blob);
  }
  Free(value);
}

int FreeModelRecord(ModelRecord** record, int type) {
  if (!record || !*record) return 1;
  ModelRecord* r = *record;
  *record = nullptr;
  if (type != -1 && type != r->type) return 1;
  FreeOwnedBlocks(r, r->type);
  Free(r);
  return 0;
}

bool ReleaseModelRecord(ModelRecord* record) { return FreeModelRecord(&record, -1) == 0; }

bool ReleaseModelRecordRef(ModelRecord** record) {
  if (!record || !*record) return true;
  return FreeModelRecord(record, -1) == 0;
}

// ---- Item readers --------------------------------------------------------------------

ModelStatus ReadKeyItem(ModelFile* file, KeyItem* item) {
  if (!item) return 1;
  item->kind = kItemKey;
  return ReadModelU16(file, &item->key);
}

ModelStatus ReadPointItem(ModelFile* file, PointItem* item) {
  if (!item) return 1;
  WORD x = 0, y = 0;
  if (ReadModelU16(file, &x) || ReadModelU16(file, &y)) return 1;
  *item = PointItem{kItemPoint, static_cast<SHORT>(x), static_cast<SHORT>(y)};
  return 0;
}

ModelStatus ReadPlacementItem(ModelFile* file, PlacementItem* item) {
  if (!item) return 1;
  item->kind = kItemPlacement;
  if (ReadModelU16(file, &item->x) || ReadModelU16(file, &item->y)) return 1;
  return ReadKeyItem(file, &item->bitmap);
}

ModelStatus ReadTypedValue(ModelFile* file, WORD* type, WORD* size, BYTE** data) {
  if (!file || !type || !size || !data) return 1;
  *data = nullptr;
  *size = 0;
  BYTE t = 0;
  WORD length = 0;
  if (ReadModelU8(file, &t) || ReadModelU16(file, &length)) return 1;
  *type = t;
  if (length == 0) return 0;  // absent
  if (t == kModelValueFlag || t == kModelValueInt32) {
    BYTE stored[4] = {0, 0, 0, 0};
    if (ReadModelBytes(file, stored, t == kModelValueFlag ? 1 : 4)) return 1;
    int32_t v =
        t == kModelValueFlag
            ? (stored[0] ? 1 : 0)
            : static_cast<int32_t>(static_cast<uint32_t>(stored[0]) | (static_cast<uint32_t>(stored[1]) << 8) |
                                   (static_cast<uint32_t>(stored[2]) << 16) | (static_cast<uint32_t>(stored[3]) << 24));
    BYTE* block = Alloc<BYTE>(4);
    if (!block) return 4;
    memcpy(block, &v, 4);
    *data = block;
    *size = 4;
    return 0;
  }
  if (t == kModelValueText) {
    WCHAR* text = nullptr;
    WORD bytes = length;
    ModelStatus s = ReadModelText(file, &text, &bytes);
    if (s) return s;
    *data = reinterpret_cast<BYTE*>(text);
    *size = bytes;
    return 0;
  }
  if (length > Remaining(file)) return 1;
  BYTE* block = Alloc<BYTE>(length);
  if (!block) return 4;
  ReadModelBytes(file, block, length);
  *data = block;
  *size = length;
  return 0;
}

ModelStatus ReadConditionItem(ModelFile* file, ConditionItem* item) {
  if (!file || !item) return 1;
  *item = ConditionItem{};
  item->kind = kItemCondition;
  if (ReadModelU16(file, &item->subject) || ReadModelU8(file, &item->comparison) ||
      ReadModelU16(file, &item->settingId))
    return 1;
  ModelStatus s = ReadTypedValue(file, &item->valueType, &item->itemSize, &item->data);
  item->count = item->data ? 1 : 0;
  return s;
}

ModelStatus ReadItemList(ModelFile* file, WORD kind, WORD* count, void** items) {
  if (!file || !count || !items) return 1;
  *items = nullptr;
  *count = 0;
  DWORD minBytes = ItemMinBytes(kind);
  if (minBytes == 0) return 1;
  DWORD length = 0;
  WORD n = 0;
  if (ReadModelU32(file, &length) || length > Remaining(file) || ReadModelU16(file, &n)) return 1;
  if (n == 0) return 0;
  if (static_cast<DWORD>(n) * minBytes > Remaining(file)) return 1;
  size_t itemSize = ItemMemorySize(kind);
  BYTE* block = static_cast<BYTE*>(GlobalAlloc(GPTR, itemSize * n));
  if (!block) return 4;
  ModelStatus s = 0;
  WORD done = 0;
  for (; done < n && !s; ++done) {
    void* item = block + itemSize * done;
    switch (kind) {
      case kItemKey: s = ReadKeyItem(file, static_cast<KeyItem*>(item)); break;
      case kItemPlacement: s = ReadPlacementItem(file, static_cast<PlacementItem*>(item)); break;
      case kItemCondition: s = ReadConditionItem(file, static_cast<ConditionItem*>(item)); break;
      case kItemChainedCondition: {
        auto* chained = static_cast<ChainedConditionItem*>(item);
        chained->kind = kItemChainedCondition;
        s = ReadConditionItem(file, &chained->condition);
        if (!s) s = ReadModelU8(file, &chained->join);
        break;
      }
    }
  }
  if (s) {
    if (kind == kItemCondition) FreeConditions(reinterpret_cast<ConditionItem*>(block), done);
    else if (kind == kItemChainedCondition) FreeChained(reinterpret_cast<ChainedConditionItem*>(block), done);
    else Free(block);
    return s;
  }
  *items = block;
  *count = n;
  return 0;
}

ModelStatus ReadRecordName(ModelFile* file, WCHAR** name, WORD* byteCount) {
  if (!file || !name || !byteCount) return 1;
  if (SetModelReadPosition(file, 1, static_cast<LONG>(kModelRecordBodyOffset))) return 1;
  return ReadModelTextField(file, name, byteCount);
}

// ---- Parsing ---------------------------------------------------------------------------

ModelStatus ReadFileInfoRecord(ModelFile* file, ModelRecord** record) {
  if (!file || !record) return 1;
  *record = nullptr;
  if (!file->data || file->size < kModelHeadSize) return 1;
  auto* r = static_cast<FileInfoRecord*>(AllocModelRecord(kRecordFileInfo));
  if (!r) return 4;
  const BYTE* head = file->data;
  r->file = file->role;
  char version[kModelVersionSize];
  memcpy(version, head + kModelVersionOffset, sizeof version);
  uint32_t build = 0;
  ModelStatus s = 0;
  if (!ParseVersionText(version, &r->major, &r->minor, &build)) s = 1;
  r->build = static_cast<WORD>(build);
  r->formatLevel = ReadBigEndianLevel(head + kModelLevelOffset);
  r->level = r->formatLevel;
  // The narrow texts of the head, each within its own field.
  struct {
    DWORD offset, size;
    WCHAR** out;
  } texts[] = {{kModelTitleOffset, kModelTitleSize, &r->title},
               {kModelNameOffset, kModelNameSize, &r->modelName},
               {kModelSecondaryOffset, kModelSecondarySize, &r->secondaryName}};
  for (auto& t : texts) {
    if (s) break;
    size_t n = 0;
    while (n < t.size && head[t.offset + n]) ++n;
    int chars = n ? MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(head + t.offset), static_cast<int>(n),
                                        nullptr, 0)
                  : 0;
    if (n && chars <= 0) {
      s = 4;
      break;
    }
    *t.out = static_cast<WCHAR*>(GlobalAlloc(GPTR, (static_cast<size_t>(chars) + 1) * sizeof(WCHAR)));
    if (!*t.out) {
      s = 4;
      break;
    }
    if (n)
      MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(head + t.offset), static_cast<int>(n), *t.out,
                          chars);
  }
  file->position = kModelHeadSize;
  if (s) {
    ModelRecord* p = r;
    FreeModelRecord(&p, -1);
    return s;
  }
  *record = r;
  return 0;
}

ModelStatus ParseModelRecord(bool full, ModelFile* file, ModelFile* primary, ModelFile* secondary, WORD type,
                             ModelRecord** record) {
  if (!record) return 1;
  *record = nullptr;
  if (!file || !file->data) return 1;
  if (type == kRecordFileInfo) return ReadFileInfoRecord(file, record);
  if (type < kRecordFlagFeature || type > kRecordValueList) return 1;
  ModelRecord* r = AllocModelRecord(type);
  if (!r) return 4;
  r->file = file->role == kModelFilePrimary ? kModelFilePrimary : kModelFileSecondary;
  r->level = primary ? primary->level : file->level;
  Cursor c{file};
  if (c.Skip(4) && c.U16(&r->key)) ParseBody(c, full, primary, secondary, r);
  if (c.status) {
    FreeModelRecord(&r, -1);
    return c.status;
  }
  *record = r;
  return 0;
}

// ---- Lookups ---------------------------------------------------------------------------

ModelStatus LoadModelRecordByIndex(bool full, ModelFile* primary, ModelFile* secondary, WORD type, DWORD position,
                                   ModelRecord** record) {
  if (!record) return 1;
  *record = nullptr;
  if (!primary || position == 0) return 1;
  WORD holder = 0;
  ModelStatus s = SeekModelRecord(kSeekByPosition, primary, secondary, kModelFilePrimary, type, position, &holder);
  if (s) return s;
  s = ParseModelRecord(full, ModelFileOf(primary, secondary, holder), primary, secondary, type, record);
  if (!s) (*record)->file = holder;
  return s;
}

ModelStatus LoadModelRecordByKey(bool full, ModelFile* primary, ModelFile* secondary, WORD type, WORD key, WORD option,
                                 ModelRecord** record) {
  if (!record) return 1;
  *record = nullptr;
  if (!primary || key == 0) return 1;
  WORD holder = 0;
  ModelStatus s = SeekFeatureOption(primary, secondary, kModelFilePrimary, type, key, option, &holder);
  if (s) return s;
  WORD parsed = type;
  if (option != 0) parsed = type == kRecordFlagFeature ? kRecordFlagOption : kRecordSettingOption;
  s = ParseModelRecord(full, ModelFileOf(primary, secondary, holder), primary, secondary, parsed, record);
  if (!s) (*record)->file = holder;
  return s;
}

ModelStatus LoadRecordName(ModelFile* primary, ModelFile* secondary, WORD type, WORD key, WORD option, WCHAR** name) {
  if (!name) return 1;
  *name = nullptr;
  switch (type) {
    case kRecordFlagFeature:
    case kRecordSettingFeature:
    case kRecordRangeA:
    case kRecordRangeB:
    case kRecordPaper:
    case kRecordDeviceFont:
    case kRecordFlagOption:
    case kRecordSettingOption: break;
    default: return 1;
  }
  if (!primary || key == 0) return 1;
  WORD holder = 0;
  ModelStatus s = SeekFeatureOption(primary, secondary, kModelFilePrimary, type, key, option, &holder);
  if (s) return s;
  WORD bytes = 0;
  s = ReadRecordName(ModelFileOf(primary, secondary, holder), name, &bytes);
  if (s) return s;
  return *name ? 0 : 2;
}

ModelStatus LoadOptionTarget(bool full, ModelFile* primary, ModelFile* secondary, const ModelRecord* option,
                             WORD* targetType, ModelRecord** target) {
  if (!option || !target || !targetType) return 1;
  *target = nullptr;
  if (option->type != kRecordFlagOption && option->type != kRecordSettingOption) return 1;
  const auto* o = static_cast<const OptionRecord*>(option);
  ModelStatus s = LoadModelRecordByKey(full, primary, secondary, o->targetType, o->targetKey.key, 0, target);
  if (!s) *targetType = (*target)->type;
  return s;
}

ModelStatus LoadFeatureOption(bool full, ModelFile* primary, ModelFile* secondary, WORD indexOwner, WORD optionType,
                              WORD key, ModelRecord** record) {
  if (!record) return 1;
  *record = nullptr;
  WORD holder = 0;
  ModelStatus s = SeekModelRecord(kSeekByKey, primary, secondary, indexOwner, optionType, key, &holder);
  if (s) return s;
  s = ParseModelRecord(full, ModelFileOf(primary, secondary, holder), primary, secondary, optionType, record);
  if (!s) (*record)->file = holder;
  return s;
}

ModelStatus LoadFeatureOptionRecord(bool full, bool useDefault, ModelFile* primary, ModelFile* secondary,
                                    const ModelRecord* feature, WORD option, WORD* optionType, ModelRecord** record) {
  if (!feature || !record) return 1;
  *record = nullptr;
  if (feature->type != kRecordFlagFeature && feature->type != kRecordSettingFeature) return 1;
  const auto* f = static_cast<const FeatureRecord*>(feature);
  WORD n = useDefault ? f->defaultOption : option;
  if (n == 0 || n > f->optionCount || !f->optionKeys) return 2;
  WORD type = feature->type == kRecordFlagFeature ? kRecordFlagOption : kRecordSettingOption;
  WORD owner = feature->file == kModelFileSecondary ? kModelFileSecondary : kModelFilePrimary;
  ModelStatus s = LoadFeatureOption(full, primary, secondary, owner, type, f->optionKeys[n - 1].key, record);
  if (!s && optionType) *optionType = type;
  return s;
}

ModelStatus CopyRecordValue(ModelFile*, ModelFile*, const ModelRecord* record, WCHAR** name, BYTE** value,
                            WORD* valueType) {
  if (!record || !value || !valueType) return 1;
  *value = nullptr;
  *valueType = 0;
  const WCHAR* source = nullptr;
  WORD bytes = 0;
  switch (record->type) {
    case kRecordFlagFeature:
    case kRecordSettingFeature:
    case kRecordFlagOption:
    case kRecordSettingOption:
      source = static_cast<const ConstrainedRecord*>(record)->name;
      bytes = static_cast<const ConstrainedRecord*>(record)->nameBytes;
      break;
    case kRecordRangeA:
    case kRecordRangeB:
      source = static_cast<const RangeRecord*>(record)->name;
      bytes = static_cast<const RangeRecord*>(record)->nameBytes;
      break;
    case kRecordPaper:
      source = static_cast<const PaperRecord*>(record)->name;
      bytes = static_cast<const PaperRecord*>(record)->nameBytes;
      break;
    default: return 1;
  }
  WCHAR* nameCopy = nullptr;
  if (name) {
    *name = nullptr;
    if (source && bytes >= 2) {
      nameCopy = static_cast<WCHAR*>(GlobalAlloc(GPTR, bytes));
      if (!nameCopy) return 4;
      memcpy(nameCopy, source, bytes);
    }
  }
  BYTE* data = nullptr;
  WORD type = 0;
  if (record->type == kRecordRangeA || record->type == kRecordRangeB || record->type == kRecordPaper) {
    data = Alloc<BYTE>(2);
    if (!data) {
      Free(nameCopy);
      return 4;
    }
    memcpy(data, &record->key, 2);
    type = 3;
  } else if (record->type == kRecordFlagOption || record->type == kRecordSettingOption) {
    const auto* o = static_cast<const OptionRecord*>(record);
    type = o->valueType;
    if (o->value && o->valueSize) {
      // The copy is zero-padded to at least four bytes plus a terminator, so
      // that it reads safely at its type's width, and as a text ends.
      data = Alloc<BYTE>(DWORD(o->valueSize < 4 ? 4 : o->valueSize) + 2);
      if (!data) {
        Free(nameCopy);
        return 4;
      }
      memcpy(data, o->value, o->valueSize);
    }
  }
  if (name) *name = nameCopy;
  *value = data;
  *valueType = type;
  return 0;
}

ModelStatus CopyValueBlob(ValueBlob* destination, const ValueBlob* source) {
  if (!destination || !source) return 1;
  destination->kind = kItemValueBlob;
  destination->size = 0;
  destination->data = nullptr;
  if (source->size && source->data) {
    destination->data = Alloc<BYTE>(source->size);
    if (!destination->data) return 4;
    memcpy(destination->data, source->data, source->size);
    destination->size = source->size;
  }
  return 0;
}

ModelStatus LoadRecordValueBlob(ModelFile* primary, ModelFile* secondary, const ModelRecord* record, ValueBlob* blob) {
  if (!record || !blob) return 1;
  WORD key = 0;
  switch (record->type) {
    case kRecordFlagFeature:
    case kRecordSettingFeature: key = static_cast<const FeatureRecord*>(record)->blobKey.key; break;
    case kRecordFlagOption:
    case kRecordSettingOption: key = static_cast<const OptionRecord*>(record)->blobKey.key; break;
    default: return 1;
  }
  if (key == 0) return 2;
  ModelRecord* r = nullptr;
  ModelStatus s = LoadModelRecordByKey(true, primary, secondary, kRecordValueBlob, key, 0, &r);
  if (s) return s;
  s = CopyValueBlob(blob, &static_cast<ValueBlobRecord*>(r)->blob);
  ReleaseModelRecord(r);
  return s;
}

ModelStatus ReadValueTableHead(ModelFile* file, ValueTableHead* head) {
  if (!file || !head) return 1;
  *head = ValueTableHead{};
  Cursor c{file};
  BYTE type = 0;
  DWORD length = 0;
  if (!c.Skip(4) || !c.U16(&head->key) || !c.U16(&head->word) || !c.U8(&type) || !c.U16(&head->itemSize) ||
      !c.U32(&length) || !c.U16(&head->itemCount))
    return c.status;
  head->valueType = type;
  DWORD bytes = static_cast<DWORD>(head->itemSize) * head->itemCount;
  if (bytes > Remaining(file)) return 1;
  head->items = file->data + file->position;
  file->position += bytes;
  return 0;
}

ModelStatus ResolveConditionValueTable(ModelFile* primary, ConditionItem* condition) {
  if (!condition) return 1;
  if (condition->valueType != kModelValueTableRef || !condition->data) return 0;
  if (!primary || condition->itemSize < 2) return 1;
  WORD position = static_cast<WORD>(condition->data[0] | (condition->data[1] << 8));
  ModelFile copy = *primary;
  WORD holder = 0;
  ModelStatus s =
      SeekModelRecord(kSeekByPosition, &copy, nullptr, kModelFilePrimary, kRecordValueTable, position, &holder);
  if (s) return s;
  ValueTableHead head{};
  s = ReadValueTableHead(&copy, &head);
  if (s) return s;
  WORD wide = head.valueType == kModelValueFlag || head.valueType == kModelValueInt32 ? 4 : head.itemSize;
  if (wide != head.itemSize) {
    if (head.valueType == kModelValueFlag && head.itemSize < 1) return 1;
    if (head.valueType == kModelValueInt32 && head.itemSize < 4) return 1;
    if (head.valueType != kModelValueFlag && head.valueType != kModelValueInt32) return 1;
  }
  BYTE* data = nullptr;
  DWORD bytes = static_cast<DWORD>(wide) * head.itemCount;
  if (bytes) {
    data = Alloc<BYTE>(bytes);
    if (!data) return 4;
    for (WORD k = 0; k < head.itemCount; ++k) {
      const BYTE* item = head.items + static_cast<size_t>(head.itemSize) * k;
      BYTE* out = data + static_cast<size_t>(wide) * k;
      if (wide == head.itemSize) {
        memcpy(out, item, wide);
      } else if (head.valueType == kModelValueFlag) {
        int32_t v = item[0] ? 1 : 0;
        memcpy(out, &v, 4);
      } else {
        memcpy(out, item, 4);  // little-endian signed 32-bit
      }
    }
  }
  Free(condition->data);
  condition->data = data;
  condition->valueType = head.valueType;
  condition->itemSize = wide;
  condition->count = head.itemCount;
  return 0;
}
