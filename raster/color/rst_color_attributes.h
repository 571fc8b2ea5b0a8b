// The sample layout of an image as the transformer factories read it: bits
// per sample, samples per pixel and sample kind. ColorOutputAttributes is the
// interface (and the output side of every colour transformer);
// RstColorAttributes is a snapshot of a node's header.
#pragma once

class RstRoot;

class ColorOutputAttributes {
 public:
  virtual ~ColorOutputAttributes() = default;
  virtual int bits() const = 0;
  virtual int channels() const = 0;
  virtual int sample_kind() const = 0;
};

class RstColorAttributes : public ColorOutputAttributes {
 public:
  // Copies the three values from the node's header; a null node gives zeros.
  explicit RstColorAttributes(RstRoot* node);
  int bits() const override { return bits_; }
  int channels() const override { return channels_; }
  int sample_kind() const override { return sample_kind_; }

 private:
  int bits_ = 0;
  int channels_ = 0;
  int sample_kind_ = 0;
};
