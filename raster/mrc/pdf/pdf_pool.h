// The memory pool of the PDF reader core: one allocation of 32 MB, its first
// 64 KB holding the 511 block headers, then 511 blocks of 64 KB handed out as
// runs of contiguous blocks. Runs can be chained to one another so that an
// arena or a stack gives back all it took with one call.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr size_t kPdfPoolBytes = 33554432;
inline constexpr size_t kPdfBlockBytes = 65536;
inline constexpr int32_t kPdfBlockCount = 511;

struct PdfPoolBlock {
  uint8_t* address;
  int32_t size;
  int16_t run_length;    // blocks in the run on its first block, 0 on the others, 1 when free
  int16_t next_run;      // first block of the run chained after this one, -1 for none
  int16_t previous_run;  // first block of the run chained before this one, -1 for none
  uint16_t in_use;
};

// Allocates the pool with every block free; 0, or -1 when the memory cannot
// be had (the caller then stops). A pool that exists already is kept.
int32_t pdf_pool_create();
// Frees the pool; without one it does nothing.
void pdf_pool_free();

// First fit: the first block of a new run of whole blocks holding at least
// size bytes, chained after `previous` unless it is -1; the run's address and
// byte size go to the out arguments. -1 when no free run is long enough.
int32_t pdf_pool_take(int32_t previous, size_t size, uint8_t** address, size_t* run_size);
// Frees a run. With whole_chain set it also frees every run chained after it
// and cuts the chain from its predecessor; without, it unlinks the one run.
void pdf_pool_give(int32_t run, bool whole_chain);

// Free blocks now (0 without a pool), and one block's header for inspection.
int32_t pdf_pool_free_blocks();
const PdfPoolBlock* pdf_pool_block(int32_t index);
