// RstPrivateHeader: base of the per-format private headers that a probed page
// carries. release() destroys the header; each format adds its own fields.
#pragma once

class RstPrivateHeader {
 public:
  virtual void release() { delete this; }
  virtual ~RstPrivateHeader() = default;
};

// Releases a private header; none is ignored.
inline void rst_release(RstPrivateHeader* header) {
  if (header) header->release();
}
