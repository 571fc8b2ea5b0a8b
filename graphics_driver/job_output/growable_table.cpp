// Growable tables (see growable_table.h). Every entry access is checked
// against the capacity: an index at or past it is refused.
#include "graphics_driver/job_output/growable_table.h"

#include <cstring>

#include "graphics_driver/core/driver_helpers.h"
#include "platform/win/win_memory.h"

namespace {

bool Inside(const GrowableTable* t, uint32_t i) { return t && t->block && i < t->capacity; }

BYTE* At(const GrowableTable* t, uint32_t i) { return t->block + size_t(i) * t->entrySize; }

}  // namespace

void InitTable(GrowableTable* table) {
  if (table) *table = GrowableTable{};
}

int CreateTable(GrowableTable* table, uint16_t entrySize, uint16_t count) {
  if (!table || entrySize == 0 || count == 0) return -1;
  BYTE* block = static_cast<BYTE*>(GlobalAlloc(GPTR, size_t(entrySize) * count));
  if (!block) return -1;
  *table = GrowableTable{count, entrySize, count, block};
  return 0;
}

int GrowTable(GrowableTable* table) {
  if (!table || !table->block) return -1;
  uint32_t capacity = uint32_t(table->capacity) + table->step;
  if (capacity > 0xFFFF) return -1;
  void* grown =
      ReallocGlobalBlock(table->block, DWORD(table->capacity) * table->entrySize, DWORD(capacity) * table->entrySize);
  if (!grown) return -1;
  table->block = static_cast<BYTE*>(grown);
  table->capacity = uint16_t(capacity);
  return 0;
}

int GetTableCapacity(const GrowableTable* table) { return table ? table->capacity : -1; }
int GetTableEntrySize(const GrowableTable* table) { return table ? table->entrySize : -1; }

int PutTableEntry(GrowableTable* table, uint32_t i, const void* from) {
  if (!Inside(table, i) || !from) return -1;
  std::memcpy(At(table, i), from, table->entrySize);
  return 0;
}

int GetTableEntry(const GrowableTable* table, uint32_t i, void* to) {
  if (!Inside(table, i) || !to) return -1;
  std::memcpy(to, At(table, i), table->entrySize);
  return 0;
}

int FillTableEntry(GrowableTable* table, uint32_t i, BYTE value) {
  if (!Inside(table, i)) return -1;
  std::memset(At(table, i), value, table->entrySize);
  return 0;
}

void FreeTable(GrowableTable* table) {
  if (!table) return;
  if (table->block) GlobalFree(table->block);
  *table = GrowableTable{};
}
