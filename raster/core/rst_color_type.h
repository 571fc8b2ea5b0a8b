// Colour types: one process-wide object per colour space, made on first use,
// never deleted and compared by identity. The family of a colour space is
// asked through the virtual tests; two objects of one class (s_rgb and
// ntsc_rgb, icc_lab and itu_lab) are still different colour spaces.
#pragma once

class RstColorType {
 public:
  virtual ~RstColorType() = default;
  virtual bool is_gray() const { return false; }
  virtual bool is_gray_reverse() const { return false; }
  virtual bool is_rgb() const { return false; }
  virtual bool is_cmy() const { return false; }
  virtual bool is_cmyk() const { return false; }
  virtual bool is_lab() const { return false; }
  virtual bool is_ycbcr() const { return false; }
  virtual bool is_hsl() const { return false; }
  virtual bool is_lstar() const { return false; }
  virtual int channels() const { return 0; }

  // The objects; never null.
  static RstColorType* none();
  static RstColorType* s_rgb();
  static RstColorType* ntsc_rgb();
  static RstColorType* s_gray();
  static RstColorType* s_gray_reverse();
  static RstColorType* s_ycbcr();
  static RstColorType* hsl();
  static RstColorType* cmy();
  static RstColorType* s_cmyk();
  static RstColorType* icc_lab();
  static RstColorType* itu_lab();
  static RstColorType* icc_lstar();

  // Second names of some of the objects above.
  static RstColorType* default_gray() { return s_gray(); }
  static RstColorType* default_gray_reverse() { return s_gray_reverse(); }
  static RstColorType* default_rgb() { return s_rgb(); }
  static RstColorType* default_cmy() { return cmy(); }
  static RstColorType* default_cmyk() { return s_cmyk(); }
  static RstColorType* default_ycbcr() { return s_ycbcr(); }
  static RstColorType* default_lstar() { return icc_lstar(); }

 protected:
  RstColorType() = default;
  RstColorType(const RstColorType&) = delete;
  RstColorType& operator=(const RstColorType&) = delete;
};

class RstRGBColorType : public RstColorType {
 public:
  bool is_rgb() const override { return true; }
  int channels() const override { return 3; }
};

class RstGrayColorType : public RstColorType {  // 0 = black
 public:
  bool is_gray() const override { return true; }
  int channels() const override { return 1; }
};

class RstGrayReverseColorType : public RstColorType {  // 0 = white
 public:
  bool is_gray_reverse() const override { return true; }
  int channels() const override { return 1; }
};

class RstYCbCrColorType : public RstColorType {
 public:
  bool is_ycbcr() const override { return true; }
  int channels() const override { return 3; }
};

class RstHSLColorType : public RstColorType {
 public:
  bool is_hsl() const override { return true; }
  int channels() const override { return 3; }
};

class RstCMYColorType : public RstColorType {
 public:
  bool is_cmy() const override { return true; }
  int channels() const override { return 3; }
};

class RstCMYKColorType : public RstColorType {
 public:
  bool is_cmyk() const override { return true; }
  int channels() const override { return 4; }
};

class RstLABColorType : public RstColorType {
 public:
  bool is_lab() const override { return true; }
  int channels() const override { return 3; }
};

// L* only; also a gray, so every gray test accepts it.
class RstLstarColorType : public RstGrayColorType {
 public:
  bool is_lstar() const override { return true; }
};
