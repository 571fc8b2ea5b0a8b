// A table of fixed-size entries in one global block that grows by a fixed
// step, used by the page spool for its page entries and extents.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

struct GrowableTable {
  uint16_t capacity;   // entries
  uint16_t entrySize;  // bytes
  uint16_t step;       // entries added by each growth
  BYTE* block;
};

void InitTable(GrowableTable* table);
// capacity = step = count, zeroed; both must be nonzero. 0 or -1.
int CreateTable(GrowableTable* table, uint16_t entrySize, uint16_t count);
// capacity += step, the entries kept: 0, or -1 when memory runs out or the
// capacity would pass 65,535 entries.
int GrowTable(GrowableTable* table);
int GetTableCapacity(const GrowableTable* table);
int GetTableEntrySize(const GrowableTable* table);
// Entry i (below the capacity) from or to the caller's entry: 0 or -1.
int PutTableEntry(GrowableTable* table, uint32_t i, const void* from);
int GetTableEntry(const GrowableTable* table, uint32_t i, void* to);
int FillTableEntry(GrowableTable* table, uint32_t i, BYTE value);
void FreeTable(GrowableTable* table);
