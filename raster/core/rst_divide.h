// RstDivide: fan-out of one source node to any number of RstDivideReader
// nodes, each with its own line position, each reading the source's image as
// if it were alone. The buffer policy decides how lines one reader already
// took from the source are served to the others: re-read the source (reset
// and skip), keep the last line, keep the last n lines, keep every line, or
// read the whole page at initiate. The divide holds the source, every reader
// holds the divide: the last reader to end releases both.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"

class RstDivideReader;

// One cached line.
class BlockBuffer {
 public:
  // A cache line of size bytes, or null: a failing record allocation is
  // reported -1 with record_where, a failing data allocation -1
  // "BlockBuffer::BlockBuffer()".
  static BlockBuffer* create(int32_t size, const char* record_where);
  BlockBuffer() = default;
  ~BlockBuffer();
  BlockBuffer(const BlockBuffer&) = delete;
  BlockBuffer& operator=(const BlockBuffer&) = delete;

  int32_t line = -1;  // -1: holds no line
  int32_t count = 0;
  uint8_t* data = nullptr;
};

class RstDivide : public RstRoot {
 public:
  // Mode 0 no buffer, 1 one line, 2 the last n lines (n 0 and 1 as modes 0
  // and 1), 3 every line, 4 the whole page. No source, or any other mode: -2
  // "RstDivide::create()", null.
  static RstDivide* create(RstRead* source, int mode, int n);

  // The source's header.
  void header(RstHeader& h) override;
  // One more reader, initiated, line 0.
  virtual RstDivideReader* create_reader();
  // The reader starts again at line 0.
  virtual void reset(RstDivideReader* reader);
  // The reader's next line into line; its bytes, 0 when none.
  virtual int read(uint8_t* line, RstDivideReader* reader) = 0;
  // Passes the reader over up to n lines; how far it moved.
  virtual int skip(int n, RstDivideReader* reader);

  int32_t line_size() const { return line_size_; }
  // Lines the source delivered since it was last reset.
  int32_t source_position() const { return source_position_; }

 protected:
  explicit RstDivide(RstRead* source);
  // The source, or null once the divide has ended it.
  RstRead* source_node() const;
  // Brings the source to line; false when it cannot get there.
  bool position_source(int32_t line);
  // Ends the source once the divide needs it no more. A factory that pins
  // the source (during create) keeps it until the pin is gone: ending it
  // then would end this divide with it. False while that is pending.
  bool release_source();
  static void set_line(RstDivideReader* reader, int32_t line);
  static int32_t line_of(RstDivideReader* reader);

  int32_t source_position_ = 0;
  int32_t line_size_;
};

class RstDivideReader : public RstRead {
 public:
  // Null divide: -2 "RstDivideReader::create()".
  static RstDivideReader* create(RstDivide* divide);

  explicit RstDivideReader(RstDivide* divide);

  void header(RstHeader& h) override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override;
  int line_size() override;

  // The number of the next line this reader gets.
  int32_t line() const { return line_; }

 private:
  friend class RstDivide;
  RstDivide* divide() const;

  int32_t line_ = 0;
};

class RstDivideNoBuffer : public RstDivide {
 public:
  static RstDivideNoBuffer* create(RstRead* source);
  explicit RstDivideNoBuffer(RstRead* source) : RstDivide(source) {}
  int read(uint8_t* line, RstDivideReader* reader) override;
};

class RstDivideOneBuffer : public RstDivide {
 public:
  static RstDivideOneBuffer* create(RstRead* source);
  explicit RstDivideOneBuffer(RstRead* source) : RstDivide(source) {}
  ~RstDivideOneBuffer() override;
  // Makes the cache line; without it the divide cannot work and fails.
  bool initiate() override;
  int read(uint8_t* line, RstDivideReader* reader) override;

 private:
  BlockBuffer* cache_ = nullptr;
};

class RstDivideNBuffer : public RstDivide {
 public:
  // n 0 or below: -2 "RstDivideNBuffer::create()".
  static RstDivideNBuffer* create(RstRead* source, int n);
  RstDivideNBuffer(RstRead* source, int n) : RstDivide(source), capacity_(n) {}
  ~RstDivideNBuffer() override;
  int read(uint8_t* line, RstDivideReader* reader) override;

 private:
  int capacity_;
  std::vector<BlockBuffer*> cache_;  // oldest first
};

class RstDivideFullBuffer : public RstDivide {
 public:
  static RstDivideFullBuffer* create(RstRead* source);
  explicit RstDivideFullBuffer(RstRead* source);
  ~RstDivideFullBuffer() override;
  // Answers from its copy: the source may have gone.
  void header(RstHeader& h) override { h = header_; }
  int read(uint8_t* line, RstDivideReader* reader) override;
  int skip(int n, RstDivideReader* reader) override;

  // True while the source is still held.
  bool source_open() const { return source_open_; }
  int32_t cached_lines() const { return static_cast<int32_t>(lines_.size()); }

 private:
  // Reads one more source line into the cache; false at the end (then the
  // source is ended) or when the cache line cannot be made.
  bool cache_next(const char* where);
  // Ends the source once a raw image is cached whole.
  void end_source_when_complete();

  RstHeader header_;
  bool source_open_ = true;
  bool raw_;
  std::vector<BlockBuffer*> lines_;  // index = line number
};

class RstDividePageBuffer : public RstDivide {
 public:
  // No source: -2; a coded source or a page above 2^31 - 1 bytes: -3; both
  // "RstDividePageBuffer::create()".
  static RstDividePageBuffer* create(RstRead* source);
  explicit RstDividePageBuffer(RstRead* source);
  ~RstDividePageBuffer() override;
  void header(RstHeader& h) override { h = header_; }
  // Reads the whole page, then ends the source.
  bool initiate() override;
  RstDivideReader* create_reader() override;
  int read(uint8_t* line, RstDivideReader* reader) override;
  int skip(int n, RstDivideReader* reader) override;

  // True while the source is still held.
  bool source_open() const { return source_open_; }

 private:
  struct LineEntry {
    int32_t start;
    int32_t count;
  };
  void release_when_read();

  RstHeader header_;
  bool source_open_ = true;
  bool page_read_ = false;
  uint8_t* block_ = nullptr;
  LineEntry* table_ = nullptr;
};
