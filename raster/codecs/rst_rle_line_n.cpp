// Labelled run lines: the growth of the element array.
#include "raster/codecs/rst_rle_line.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

template <typename T>
RstRLELineN<T>::~RstRLELineN() {
  if (growable) rst_free(items);
}

template <typename T>
bool RstRLELineN<T>::new_buf() {
  if (growable) rst_free(items);
  items = nullptr;
  growable = 1;
  count = 0;
  read_index = 0;
  if (capacity < 0) capacity = 0;
  size_t slots = static_cast<size_t>(capacity) + 1;
  auto* made = static_cast<RstLabelRun<T>*>(rst_malloc(slots * sizeof(RstLabelRun<T>)));
  if (!made) {
    rst_report(-1, "RstRLELineN::new_buf()");
    return false;
  }
  for (size_t i = 0; i < slots; ++i) {
    made[i].label = T(0);
    made[i].first = -1;
    made[i].last = -1;
  }
  items = made;
  return true;
}

template <typename T>
bool RstRLELineN<T>::expand_buf() {
  if (!growable) return false;
  size_t slots = static_cast<size_t>(capacity) + 129;
  auto* grown = static_cast<RstLabelRun<T>*>(rst_malloc(slots * sizeof(RstLabelRun<T>)));
  if (!grown) {
    rst_report(-1, "RstRLELineN::expand_buf()");
    return false;
  }
  for (size_t i = 0; i < slots; ++i) {
    grown[i].label = T(0);
    grown[i].first = -1;
    grown[i].last = -1;
  }
  if (count > 0) std::memcpy(grown, items, static_cast<size_t>(count) * sizeof(RstLabelRun<T>));
  rst_free(items);
  items = grown;
  capacity += 128;
  return true;
}

template class RstRLELineN<uint8_t>;
template class RstRLELineN<uint16_t>;
template class RstRLELineN<uint32_t>;
