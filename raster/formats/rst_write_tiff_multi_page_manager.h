// Multi-page managers: the one object that outlives the page writers of a
// TIFF file. It knows the output and the byte order, counts the pages written
// and keeps where the last IFD's next-IFD pointer lies, so that each new page
// is linked into the chain and the chain ends with 0. The child manager does
// the same for the layer images below an MRC page, without a file header.
#pragma once

#include <cstdint>

#include "raster/core/output_storage.h"

class RstWriteMultiPageManager {
 public:
  explicit RstWriteMultiPageManager(OutputStorage* output) : output(output) {}
  virtual ~RstWriteMultiPageManager() = default;
  RstWriteMultiPageManager(const RstWriteMultiPageManager&) = delete;
  RstWriteMultiPageManager& operator=(const RstWriteMultiPageManager&) = delete;

  // Ends the manager's work and deletes it.
  virtual void close() { delete this; }

  OutputStorage* output;  // not owned
};

class RstWriteTIFFMultiPageManager : public RstWriteMultiPageManager {
 public:
  // A manager over an open output, or none after reporting -2.
  static RstWriteTIFFMultiPageManager* create(OutputStorage* output, uint32_t expected_pages, uint32_t byte_order);

  // Terminates the chain; a failure is reported, never thrown out of here.
  ~RstWriteTIFFMultiPageManager() override;
  // Terminates the chain (reporting a failure), then deletes the manager.
  void close() override;

  // Before a page writes its IFD: the output moved to an even position and
  // the previous IFD pointed there.
  void page_start();
  // After the IFD went out: the value the IFD writer put into its next-IFD
  // pointer and where that pointer lies.
  void set_link(uint32_t value, uint32_t slot);
  void count_page() { ++pages_written; }
  // Writes 0 into the last IFD's next-IFD pointer when it holds anything else.
  void terminate_chain();

  uint8_t writes_header = 1;
  uint32_t pages_written = 0;
  uint32_t expected_pages;
  uint32_t link_slot = 0;
  uint32_t byte_order;
  uint32_t link_value = 0;
  OutputStorage* storage;

 protected:
  RstWriteTIFFMultiPageManager(OutputStorage* output, uint32_t expected_pages, uint32_t byte_order)
      : RstWriteMultiPageManager(output), expected_pages(expected_pages), byte_order(byte_order), storage(output) {}

 private:
  // Writes a 32-bit value in the file's byte order at the output's position.
  bool write_word(uint32_t value);
};

class RstWriteTIFFChildMultiPageManager : public RstWriteTIFFMultiPageManager {
 public:
  RstWriteTIFFChildMultiPageManager(OutputStorage* output, uint32_t expected_pages, uint32_t byte_order)
      : RstWriteTIFFMultiPageManager(output, expected_pages, byte_order) {
    writes_header = 0;
  }
};
