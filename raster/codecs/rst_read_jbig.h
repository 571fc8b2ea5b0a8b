// The JBIG reader nodes: RstReadJBIGT85 delivers the 1-bit reversed-gray
// lines of a bare T.85 image entity, RstReadJBIGT43 the colour, palette or
// gray lines of T.43 data. Each gets its header from a private header that
// reads the start of the code with a decoding stage, and then pulls its lines
// from that stage.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jbig_header.h"
#include "raster/codecs/rst_stage.h"
#include "raster/core/input_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"

// The private headers: the constructor makes the decoding stage at the
// storage's position and fills the record from what it describes; the header
// keeps the stage until a node takes it.
class RstReadJBIGT85Header : public RstJBIGT85Header {
 public:
  explicit RstReadJBIGT85Header(InputStorage* storage);
  ~RstReadJBIGT85Header() override;

  // The stage, given up to the caller (null when there is none).
  RstInstanceTolvane* take_stage();
  RstInstanceTolvane* stage() const { return stage_; }
  // Where the code starts in the storage.
  int32_t start() const { return start_; }

 private:
  RstInstanceTolvane* stage_ = nullptr;
  int32_t start_ = 0;
};

class RstReadJBIGT43Header : public RstJBIGT43Header {
 public:
  // Besides the T.85 fields: the sample layout of the format word and the
  // palette as a colormap of 8 bits, 3 channels and 256 entries.
  explicit RstReadJBIGT43Header(InputStorage* storage);
  ~RstReadJBIGT43Header() override;

  RstInstanceTolvane* take_stage();
  RstInstanceTolvane* stage() const { return stage_; }
  int32_t start() const { return start_; }

 private:
  RstInstanceTolvane* stage_ = nullptr;
  int32_t start_ = 0;
};

class RstReadJBIG : public RstRead {
 public:
  RstReadJBIG(InputStorage* storage, const RstHeader& header, int32_t start);

  void header(RstHeader& h) override { h = header_; }
  bool initiate() override { return true; }
  // Back to the start of the code.
  void reset() override;
  int line_size() override { return line_bytes_; }

 protected:
  // One line from the stage: the line size, or 0 at the end and after a
  // fault (reported once as warning 4 with where).
  int read_stage(RstInstanceTolvane* stage, uint8_t* line, const char* where);
  // Rewinds and replaces the stage by a fresh one (null: reported 0 with
  // where); the old one is closed.
  void restart(RstInstanceTolvane*& stage, RstInstanceTolvane* (*make)(InputStorage*, uint32_t), const char* where);

  InputStorage* storage_;
  int32_t line_bytes_;
  RstHeader header_;
  int32_t start_;
  bool failed_ = false;
};

class RstReadJBIGT85Creator;

class RstReadJBIGT85 : public RstReadJBIG {
 public:
  // What RstReadProcessBridge<RstReadJBIGT85>::create(source) builds the
  // reader with: a creator without private header.
  static RstReadJBIGT85Creator bridge_args();

  // Missing or closed storage: -2 "RstReadJBIGT85::create()". With a header
  // the node takes its stage; without, the header is read at the storage's
  // position (none: -12 with the same text) and released again.
  static RstReadJBIGT85* create(InputStorage* storage, RstReadJBIGT85Header* header);
  // Missing or closed storage: -2; no memory: -1; a header of status 0 or
  // less is released (reported unless -12); "RstReadJBIGT85::private_header()".
  static RstReadJBIGT85Header* private_header(InputStorage* storage);

  RstReadJBIGT85(InputStorage* storage, RstReadJBIGT85Header* header);
  ~RstReadJBIGT85() override;

  int read(uint8_t* line) override;
  void reset() override;

 private:
  RstInstanceTolvane* stage_;
};

class RstReadJBIGT43 : public RstReadJBIG {
 public:
  // As RstReadJBIGT85, with "RstReadJBIGT43::create()" and, for the private
  // header, "RstReadJBIGT43".
  static RstReadJBIGT43* create(InputStorage* storage, RstReadJBIGT43Header* header);
  static RstReadJBIGT43Header* private_header(InputStorage* storage);

  RstReadJBIGT43(InputStorage* storage, RstReadJBIGT43Header* header);
  ~RstReadJBIGT43() override;

  int read(uint8_t* line) override;
  void reset() override;

 private:
  RstInstanceTolvane* stage_;
};

// What the read-process bridge keeps to make a T.85 reader over its copy of
// the code: a private header, none for the bridge.
class RstReadJBIGT85Creator {
 public:
  explicit RstReadJBIGT85Creator(RstReadJBIGT85Header* header = nullptr) : header_(header) {}
  // RstReadJBIGT85::create over the storage; the storage stays the caller's.
  RstReadJBIGT85* create(InputStorage* storage) const { return RstReadJBIGT85::create(storage, header_); }
  RstReadJBIGT85* create_reader(InputStorage* storage) const { return create(storage); }

 private:
  RstReadJBIGT85Header* header_;
};
