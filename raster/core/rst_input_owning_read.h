// RstInputOwningRead<Reader>: a reader node that owns the storage its reader
// reads. It forwards every line operation to the reader; the storage becomes
// the node's once the node is initiated (so a node that failed to initiate
// leaves the storage with the caller) and is deleted with the node, after the
// reader, which reads it, has gone.
#pragma once

#include <utility>

#include "raster/core/input_storage.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_process.h"

template <class Reader>
class RstInputOwningRead : public RstReadDecorator {
 public:
  // Reader::create over the storage with the further arguments; the reader,
  // when one comes back, is wrapped. Null: the storage stays the caller's.
  template <class... Args>
  static RstInputOwningRead* create(InputStorage* storage, Args&&... args) {
    Reader* reader = Reader::create(storage, std::forward<Args>(args)...);
    if (!reader) return nullptr;
    return wrap(reader, storage);
  }

  // Wraps a reader made over storage. Null: the reader has been ended and the
  // storage stays the caller's.
  static RstInputOwningRead* wrap(RstRead* reader, InputStorage* storage) {
    RstOwner<RstInputOwningRead> owner(rst_new<RstInputOwningRead>(reader, storage));
    if (!owner) reader->end();
    return rst_create_end(owner);
  }

  RstInputOwningRead(RstRead* reader, InputStorage* storage) : RstReadDecorator(reader), storage_(storage) {}
  ~RstInputOwningRead() override {
    if (owns_) delete storage_;
  }

  bool initiate() override {
    owns_ = true;
    return true;
  }

  bool owns() const { return owns_; }
  InputStorage* storage() const { return storage_; }

 private:
  InputStorage* storage_;
  bool owns_ = false;
};
