// First-fit runs of 64 KB blocks out of the reader's one 32 MB allocation.
#include "raster/mrc/pdf/pdf_pool.h"

#include "raster/core/rst_alloc.h"
#include "raster/mrc/pdf/pdf_state.h"

static_assert(sizeof(PdfPoolBlock) * kPdfBlockCount <= kPdfBlockBytes, "the block headers fit the pool's first block");
static_assert(kPdfBlockBytes * (kPdfBlockCount + 1) == kPdfPoolBytes, "headers and blocks fill the pool");

namespace {

bool valid_run(const PdfParserState& s, int32_t run) {
  return s.blocks && run >= 0 && run < s.block_count && s.blocks[run].in_use && s.blocks[run].run_length > 0;
}

// Frees the blocks of one run and clears its links.
void free_run(PdfParserState& s, int32_t run) {
  int32_t n = s.blocks[run].run_length;
  for (int32_t i = run; i < run + n; ++i) {
    s.blocks[i].in_use = 0;
    s.blocks[i].run_length = 1;
  }
  s.blocks[run].next_run = -1;
  s.blocks[run].previous_run = -1;
}

}  // namespace

int32_t pdf_pool_create() {
  PdfParserState& s = pdf_state();
  if (s.pool_base) return 0;
  uint8_t* base = static_cast<uint8_t*>(rst_malloc(kPdfPoolBytes));
  if (!base) return -1;
  s.pool_base = base;
  s.blocks = reinterpret_cast<PdfPoolBlock*>(base);
  s.block_count = kPdfBlockCount;
  for (int32_t i = 0; i < kPdfBlockCount; ++i) {
    s.blocks[i] = PdfPoolBlock{base + kPdfBlockBytes * size_t(i + 1), int32_t(kPdfBlockBytes), 1, -1, -1, 0};
  }
  return 0;
}

void pdf_pool_free() {
  PdfParserState& s = pdf_state();
  if (!s.pool_base) return;
  rst_free(s.pool_base);
  s.pool_base = nullptr;
  s.blocks = nullptr;
  s.block_count = 0;
}

int32_t pdf_pool_take(int32_t previous, size_t size, uint8_t** address, size_t* run_size) {
  PdfParserState& s = pdf_state();
  if (!s.blocks) return -1;
  if (previous != -1 && !valid_run(s, previous)) return -1;
  // A run always holds at least one block.
  if (size == 0) size = 1;
  int32_t first = 0;
  while (first < s.block_count) {
    while (first < s.block_count && s.blocks[first].in_use) ++first;
    if (first == s.block_count) break;
    size_t sum = 0;
    int32_t end = first;
    while (end < s.block_count && !s.blocks[end].in_use && sum < size) sum += size_t(s.blocks[end++].size);
    if (sum >= size) {
      int32_t n = end - first;
      for (int32_t i = first; i < end; ++i) {
        s.blocks[i].in_use = 1;
        s.blocks[i].run_length = 0;
        s.blocks[i].next_run = -1;
        s.blocks[i].previous_run = -1;
      }
      s.blocks[first].run_length = int16_t(n);
      if (previous != -1) {
        s.blocks[previous].next_run = int16_t(first);
        s.blocks[first].previous_run = int16_t(previous);
      }
      if (address) *address = s.blocks[first].address;
      if (run_size) *run_size = sum;
      return first;
    }
    first = end;
  }
  return -1;
}

void pdf_pool_give(int32_t run, bool whole_chain) {
  PdfParserState& s = pdf_state();
  if (!valid_run(s, run)) return;
  int32_t previous = s.blocks[run].previous_run;
  if (whole_chain) {
    if (previous != -1) s.blocks[previous].next_run = -1;
    // A chain is acyclic and each run is freed before its successor is read,
    // so the walk ends within the block count.
    for (int32_t r = run, steps = 0; r != -1 && valid_run(s, r) && steps < s.block_count; ++steps) {
      int32_t next = s.blocks[r].next_run;
      free_run(s, r);
      r = next;
    }
    return;
  }
  int32_t next = s.blocks[run].next_run;
  if (previous != -1) s.blocks[previous].next_run = int16_t(next);
  if (next != -1) s.blocks[next].previous_run = int16_t(previous);
  free_run(s, run);
}

int32_t pdf_pool_free_blocks() {
  PdfParserState& s = pdf_state();
  int32_t n = 0;
  for (int32_t i = 0; i < s.block_count; ++i) n += s.blocks[i].in_use ? 0 : 1;
  return n;
}

const PdfPoolBlock* pdf_pool_block(int32_t index) {
  PdfParserState& s = pdf_state();
  if (!s.blocks || index < 0 || index >= s.block_count) return nullptr;
  return &s.blocks[index];
}
