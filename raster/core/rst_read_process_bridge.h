// RstReadProcessBridge<Reader>: turns a node that delivers coded bytes into a
// decoded image. It copies every byte of the source into memory, ends the
// source, and puts a reader over the copy; the reader node owns the copy.
#pragma once

#include <cstdint>

#include "raster/core/memory_storage.h"
#include "raster/core/output_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_input_owning_read.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status_context.h"

template <class Reader>
class RstReadProcessBridge {
 public:
  // args builds the reader over the copy: args.create_reader(storage), or
  // args(storage), returning a Reader node or null. output takes the copy;
  // null: a memory storage of 8192-byte blocks. Once the copy is complete
  // the source is ended, whether or not a reader results.
  template <class Args>
  static RstInputOwningRead<Reader>* create(RstRead* source, const Args& args, OutputStorage* output) {
    const char* where = "RstReadProcessBridge<Reader>::create()";
    if (!source) {
      rst_report(RstCode::bad_argument, where);
      return nullptr;
    }
    RstHeader header(source);
    int32_t chunk_size = source->line_size();
    RstOwner<uint8_t> chunk(chunk_size > 0 ? static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(chunk_size)))
                                           : nullptr);
    if (!chunk) {
      rst_report(RstCode::no_memory, where);
      return nullptr;
    }
    RstOwner<OutputStorage> made;
    if (!output) {
      made.attach(rst_new<MemoryOutputStorage>(8192));
      if (!made) {
        rst_report(RstCode::no_memory, where);
        return nullptr;
      }
      output = made.get();
    }
    for (int n = source->read(chunk.get()); n > 0; n = source->read(chunk.get())) {
      if (output->write(chunk.get(), n) < n) {
        rst_report(RstCode::io_failure, where);
        return nullptr;
      }
    }
    RstOwner<InputStorage> input(output->to_input_storage());
    if (!input) {
      rst_report(RstCode::no_memory, where);
      return nullptr;
    }
    RstInputOwningRead<Reader>* node = nullptr;
    Reader* reader = make_reader(args, input.get());
    if (reader) {
      node = RstInputOwningRead<Reader>::wrap(reader, input.get());
      if (node) input.release();  // the node owns it now
    }
    source->end();
    return node;
  }

  // The same with the reader's own arguments (Reader::bridge_args()) and a
  // memory copy.
  static RstInputOwningRead<Reader>* create(RstRead* source) requires requires { Reader::bridge_args(); }
  { return create(source, Reader::bridge_args(), nullptr); }

 private:
  template <class Args>
  static Reader* make_reader(const Args& args, InputStorage* storage) {
    if constexpr (requires { args.create_reader(storage); }) {
      return args.create_reader(storage);
    } else {
      return args(storage);
    }
  }
};
