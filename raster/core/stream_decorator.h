// Decorators: a storage that wraps another (its inner storage, never owned)
// and forwards every operation to it, so that subclasses change only what they
// are about. An input decorator's close detaches it and leaves the inner
// storage open where it stands; an output decorator's close does nothing.
#pragma once

#include "raster/core/input_storage.h"
#include "raster/core/output_storage.h"

// Holds the address of the inner T.
template <class T>
class Linkage {
 public:
  explicit Linkage(T* inner = nullptr) : inner_(inner) {}
  T* inner() const { return inner_; }

 protected:
  T* inner_;
};

template <class T>
class StreamDecorator;

template <>
class StreamDecorator<InputStream> : public InputStream, public Linkage<InputStream> {
 public:
  explicit StreamDecorator(InputStream* inner) : Linkage<InputStream>(inner) {}
  bool is_closed() const override { return inner_ == nullptr; }
  void close() override { inner_ = nullptr; }
  int32_t get() override { return inner_ ? inner_->get() : -1; }
  int32_t read(void* buffer, int32_t count) override { return inner_ ? inner_->read(buffer, count) : 0; }
  int32_t skip(int32_t count) override { return inner_ ? inner_->skip(count) : 0; }
};

template <>
class StreamDecorator<InputStorage> : public InputStorage, public Linkage<InputStorage> {
 public:
  explicit StreamDecorator(InputStorage* inner) : Linkage<InputStorage>(inner) {}
  bool is_closed() const override { return inner_ == nullptr; }
  void close() override { inner_ = nullptr; }
  int32_t get() override { return inner_ ? inner_->get() : -1; }
  int32_t read(void* buffer, int32_t count) override { return inner_ ? inner_->read(buffer, count) : 0; }
  int32_t skip(int32_t count) override { return inner_ ? inner_->skip(count) : 0; }
  int32_t tell() const override { return inner_ ? inner_->tell() : 0; }
  int32_t move(int32_t offset) override { return inner_ ? inner_->move(offset) : 0; }
  int32_t size() const override { return inner_ ? inner_->size() : 0; }
  bool rewind() override { return inner_ && inner_->rewind(); }
  bool seek_end() override { return inner_ && inner_->seek_end(); }
  int32_t seek(int32_t position) override { return inner_ ? inner_->seek(position) : 0; }
  int32_t seek_from_end(int32_t offset) override { return inner_ ? inner_->seek_from_end(offset) : 0; }
  bool at_end() const override { return !inner_ || inner_->at_end(); }
  bool unget() override { return inner_ && inner_->unget(); }
};

template <>
class StreamDecorator<OutputStorage> : public OutputStorage, public Linkage<OutputStorage> {
 public:
  explicit StreamDecorator(OutputStorage* inner) : Linkage<OutputStorage>(inner) {}
  bool is_closed() const override { return !inner_ || inner_->is_closed(); }
  void close() override {}
  int32_t put(int32_t byte) override { return inner_ ? inner_->put(byte) : -1; }
  int32_t write(const void* buffer, int32_t count) override { return inner_ ? inner_->write(buffer, count) : 0; }
  int32_t skip(int32_t count) override { return inner_ ? inner_->skip(count) : 0; }
  int32_t tell() const override { return inner_ ? inner_->tell() : 0; }
  int32_t size() const override { return inner_ ? inner_->size() : 0; }
  bool rewind() override { return inner_ && inner_->rewind(); }
  bool seek_end() override { return inner_ && inner_->seek_end(); }
  int32_t move(int32_t offset) override { return inner_ ? inner_->move(offset) : 0; }
  int32_t seek(int32_t position) override { return inner_ ? inner_->seek(position) : 0; }
  int32_t seek_from_end(int32_t offset) override { return inner_ ? inner_->seek_from_end(offset) : 0; }
  InputStorage* to_input_storage() override { return inner_ ? inner_->to_input_storage() : nullptr; }
  bool unput() override { return inner_ && inner_->unput(); }
};
