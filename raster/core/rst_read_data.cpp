// Common base of the storage line readers: the window, the input buffer and
// the bit reverser in front of the data.
#include "raster/core/rst_read_data.h"

#include "raster/core/bufferable.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {
int32_t rest_of(InputStorage* storage) { return storage ? storage->size() - storage->tell() : 0; }
}  // namespace

RstReadData::RstReadData(InputStorage* storage, const RstHeader& header, int32_t length, bool bit_reverse,
                         int32_t buffer_size)
    : header_(header),
      bit_reverse_(bit_reverse),
      buffer_size_(buffer_size),
      storage_(storage),
      window_(storage, length),
      input_(storage) {}

RstReadData::RstReadData(InputStorage* storage, const RstHeader& header, bool bit_reverse, int32_t buffer_size)
    : RstReadData(storage, header, rest_of(storage), bit_reverse, buffer_size) {}

RstReadData::~RstReadData() {
  // The decorators go without moving the storage back.
  delete bit_reverser_;
  delete input_buffer_;
}

bool RstReadData::window_needed() const { return storage_->tell() != 0 || window_.size() < storage_->size(); }

bool RstReadData::initiate() {
  bool window = window_needed();
  if (buffer_size_ > 0) {
    if (auto* bufferable = dynamic_cast<Bufferable*>(storage_)) {
      // Already buffered: resize that buffer instead of stacking a second.
      bufferable->set_capacity(buffer_size_);
      if (window) input_ = &window_;
    } else {
      InputStorage* under = window ? static_cast<InputStorage*>(&window_) : storage_;
      input_buffer_ = rst_new<InputStorageBuffer<>>(under, buffer_size_);
      if (!input_buffer_ || input_buffer_->capacity() != buffer_size_) {
        delete input_buffer_;
        input_buffer_ = nullptr;
        rst_report(RstCode::no_memory, "RstReadData::initiate()");
        return false;
      }
      input_ = input_buffer_;
    }
  } else if (window) {
    input_ = &window_;
  }
  if (bit_reverse_) {
    bit_reverser_ = rst_new<BitReverseInput<>>(input_);
    if (!bit_reverser_) {
      rst_report(RstCode::no_memory, "RstReadData::initiate()");
      return false;
    }
    input_ = bit_reverser_;
  }
  return true;
}
