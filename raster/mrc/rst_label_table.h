// The equivalence table of connected-component labelling: entry i holds the
// parent of provisional label i, never above i, so the smallest label of a
// set is its root. Unions only lower entries; roots are found without path
// compression. Entry 0 is the background.
#pragma once

#include <cstddef>
#include <cstdint>

class RstLabelTable {
 public:
  RstLabelTable() = default;
  ~RstLabelTable();
  RstLabelTable(const RstLabelTable&) = delete;
  RstLabelTable& operator=(const RstLabelTable&) = delete;

  // Back to the single entry 0; false when even that cannot be held.
  bool reset();
  // Appends the entry size(), a new provisional label that is its own root;
  // false when the table cannot grow (memory, or labels past 32 bits).
  bool append();

  uint32_t root(uint32_t label) const {
    while (entries_[label] < label) label = entries_[label];
    return label;
  }
  // Lowers the chain from label upwards to m while its entries lie above m.
  void relink(uint32_t label, uint32_t m) {
    while (entries_[label] > m) {
      uint32_t up = entries_[label];
      entries_[label] = m;
      label = up;
    }
  }
  // Maps every provisional label to its final label 1..N in the order of
  // the roots and returns N.
  uint32_t finalize();

  uint32_t size() const { return static_cast<uint32_t>(size_); }
  uint32_t& operator[](uint32_t i) { return entries_[i]; }
  uint32_t operator[](uint32_t i) const { return entries_[i]; }

 private:
  uint32_t* entries_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};
