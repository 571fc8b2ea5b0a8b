// Consecutive input: reads and moves run into the next (or previous) part when
// the current one is exhausted; the embedded empty storage marks the end.
#include "raster/core/consecutive_input_storage.h"

#include <cstdint>

ConsecutiveInputStorage::ConsecutiveInputStorage(const std::vector<InputStorage*>& parts) {
  for (InputStorage* p : parts) {
    if (p) entries_.push_back(p);
  }
  entries_.push_back(&empty_);
}

int32_t ConsecutiveInputStorage::get() {
  if (is_closed()) return -1;
  for (;;) {
    int32_t b = entries_[current_]->get();
    if (b != -1 || at_last()) return b;
    ++current_;
    entries_[current_]->rewind();
  }
}

int32_t ConsecutiveInputStorage::read(void* buffer, int32_t count) {
  if (is_closed() || count <= 0) return 0;
  uint8_t* dst = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  for (;;) {
    int32_t r = entries_[current_]->read(dst + done, count - done);
    if (r > 0) done += r;
    if (done == count || at_last()) return done;
    ++current_;
    entries_[current_]->rewind();
  }
}

int32_t ConsecutiveInputStorage::tell() const {
  if (is_closed()) return size();
  int64_t pos = 0;
  for (size_t i = 0; i < current_; ++i) pos += entries_[i]->size();
  pos += entries_[current_]->tell();
  return static_cast<int32_t>(pos);
}

int32_t ConsecutiveInputStorage::move(int32_t offset) {
  if (is_closed()) return 0;
  int32_t moved = 0;
  for (;;) {
    int32_t rest = offset - moved;
    int32_t r = entries_[current_]->move(rest);
    moved += r;
    if (r == rest) return moved;
    if (rest > 0 && !at_last()) {
      ++current_;
      entries_[current_]->rewind();
    } else if (rest < 0 && current_ > 0) {
      --current_;
      entries_[current_]->seek_end();
    } else {
      return moved;
    }
  }
}

int32_t ConsecutiveInputStorage::size() const {
  int64_t total = 0;
  for (size_t i = 0; i + 1 < entries_.size(); ++i) total += entries_[i]->size();
  return total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total);
}

bool ConsecutiveInputStorage::rewind() {
  if (is_closed()) current_ = entries_.size() - 1;
  bool ok = true;
  for (;;) {
    ok = entries_[current_]->rewind() && ok;
    if (current_ == 0) return ok;
    --current_;
  }
}

bool ConsecutiveInputStorage::seek_end() {
  bool ok = true;
  for (size_t i = 0; i < entries_.size(); ++i) ok = entries_[i]->seek_end() && ok;
  current_ = entries_.size() - 1;
  return ok;
}
