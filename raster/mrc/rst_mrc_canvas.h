// RstMRCCanvas: one mixed raster content page in memory, a size, a
// background colour and an ordered list of placed objects (an image, an image
// through a 1-bit mask, a colour through a 1-bit mask). Objects hold links to
// pull nodes, not pixels: each link is a fan-out of its source that hands a
// new reader to whoever composes the page.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/color/color_transformer.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_read.h"

class RstMRCCanvas : public Cloneable<RstMRCCanvas> {
 public:
  class ConstantColor {
   public:
    ConstantColor() = default;
    // Reports -2 "RstMRCCanvas::ConstantColor::ConstantColor()" for no type,
    // fewer values than the type has channels or 0 bits; made either way.
    ConstantColor(const std::vector<uint8_t>& values, RstColorType* type, int32_t bits);

    std::vector<uint8_t> values;
    RstColorType* color_type = nullptr;
    int32_t bits = 0;
  };

  // A shareable link to a source: the fan-out over it and one reader of its
  // own. The source belongs to the fan-out; the fan-out and the source go
  // with their last reader.
  class RstLink {
   public:
    // Null source: -2 "RstMRCCanvas::RstLink::RstLink()", an empty link.
    explicit RstLink(RstRead* source);
    // A new reader of the same fan-out.
    RstLink(const RstLink& other);
    RstLink& operator=(const RstLink&) = delete;
    ~RstLink();

    // A new reader of the fan-out (its own line position); null for an empty
    // link or when it cannot be made.
    RstRead* reader() const;
    bool empty() const { return own_ == nullptr; }

   private:
    RstDivide* divide_ = nullptr;  // held by the readers
    RstDivideReader* own_ = nullptr;
  };

  class ObjectVisitor;

  // Placement rectangle in canvas pixels, bounds inclusive.
  struct Rect {
    uint32_t left = 0;
    uint32_t right = 0;
    uint32_t top = 0;
    uint32_t bottom = 0;
  };

  class MRCObject : public Cloneable<MRCObject> {
   public:
    explicit MRCObject(const Rect& rect) : rect(rect) {}
    ~MRCObject() override = default;
    static void destroy(MRCObject* object) { delete object; }
    virtual int accept(ObjectVisitor& visitor) = 0;
    Rect rect;
  };

  class UnmaskedImage : public MRCObject {
   public:
    // The object over the image node; null only when memory runs out (the
    // node stays the caller's).
    static UnmaskedImage* create(RstRead* image, const Rect& rect);
    UnmaskedImage(RstRead* image, const Rect& rect) : MRCObject(rect), image_(image) {}
    MRCObject* clone() const override;
    int accept(ObjectVisitor& visitor) override;
    RstRead* image_reader() const { return image_.reader(); }
    bool links_complete() const { return !image_.empty(); }

   private:
    RstLink image_;
  };

  class MaskedImage : public MRCObject {
   public:
    // The mask must be 1 bit x 1 sample, else -3
    // "RstMRCCanvas::MaskedImage::create()"; null on failure, both nodes
    // left to the caller.
    static MaskedImage* create(RstRead* image, RstRead* mask, const Rect& rect);
    MaskedImage(RstRead* image, RstRead* mask, const Rect& rect) : MRCObject(rect), image_(image), mask_(mask) {}
    MRCObject* clone() const override;
    int accept(ObjectVisitor& visitor) override;
    RstRead* image_reader() const { return image_.reader(); }
    RstRead* mask_reader() const { return mask_.reader(); }
    bool links_complete() const { return !image_.empty() && !mask_.empty(); }

   private:
    RstLink image_;
    RstLink mask_;
  };

  class MaskedColor : public MRCObject {
   public:
    // The same mask test, -3 "RstMRCCanvas::MaskedColor::create()".
    static MaskedColor* create(const ConstantColor& color, RstRead* mask, const Rect& rect);
    MaskedColor(const ConstantColor& color, RstRead* mask, const Rect& rect)
        : MRCObject(rect), color_(color), mask_(mask) {}
    MRCObject* clone() const override;
    int accept(ObjectVisitor& visitor) override;
    const ConstantColor& color() const { return color_; }
    RstRead* mask_reader() const { return mask_.reader(); }
    bool links_complete() const { return !mask_.empty(); }

   private:
    ConstantColor color_;
    RstLink mask_;
  };

  class ObjectVisitor {
   public:
    virtual ~ObjectVisitor() = default;
    // Each returns a status: above 0 success or warning, 0 or below error.
    virtual int visit_unmasked_image(UnmaskedImage& object) = 0;
    virtual int visit_masked_image(MaskedImage& object) = 0;
    virtual int visit_masked_color(MaskedColor& object) = 0;
  };

  // An empty canvas; -1 "RstMRCCanvas::create()" and null without memory.
  static RstMRCCanvas* create(uint32_t width, uint32_t height, const ConstantColor& background);

  RstMRCCanvas(uint32_t width, uint32_t height, const ConstantColor& background)
      : width_(width), height_(height), background_(background) {}
  // Clones every object into the new list; -1 "RstMRCCanvas::RstMRCCanvas()"
  // when a clone or the list fails (the copy then holds no objects).
  RstMRCCanvas(const RstMRCCanvas& other);
  RstMRCCanvas& operator=(const RstMRCCanvas&) = delete;
  ~RstMRCCanvas() override;

  // A copy; null when it cannot be made whole (-1 "RstMRCCanvas::clone()"
  // when it cannot be allocated).
  RstMRCCanvas* clone() const override;

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  const ConstantColor& background() const { return background_; }
  void set_background(const ConstantColor& color) { background_ = color; }
  // Appends an object the canvas owns from then on; false (the object
  // destroyed) when the list cannot grow.
  bool append(MRCObject* object);
  const std::vector<MRCObject*>& objects() const { return objects_; }

 private:
  uint32_t width_;
  uint32_t height_;
  ConstantColor background_;
  std::vector<MRCObject*> objects_;
  bool complete_ = true;  // false when a copy failed to clone every object
};
