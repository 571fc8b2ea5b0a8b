// RstComposeMRCCanvas: an MRC canvas as one pull node. create links, without
// touching pixels, a chain that starts with the background colour and paints
// every canvas object over it in list order (decoded, scaled to its place);
// the page then flows line by line. The node owns the canvas once made.
#pragma once

#include <cstdint>

#include "raster/core/rst_owner.h"
#include "raster/core/rst_process.h"
#include "raster/geometry/rst_scale_command.h"
#include "raster/mrc/rst_mrc_canvas.h"

class RstComposeMRCCanvas : public RstReadDecorator {
 public:
  // The page of width x height pixels, or null (the canvas stays the
  // caller's): no canvas or a size of 0: -2; no background node or an
  // object that failed to paint: -1; both "RstComposeMRCCanvas::create()".
  static RstComposeMRCCanvas* create(RstMRCCanvas* canvas, int32_t width, int32_t height,
                                     RstScale::ScaleCommand& command);
  // The page of trunc(canvas size x magnification + 0.5) pixels. A
  // magnification not above 0, or one that makes a side 0 or larger than a
  // 32-bit size: -2 "RstComposeMRCCanvas::create()".
  static RstComposeMRCCanvas* create(RstMRCCanvas* canvas, double magnification, RstScale::ScaleCommand& command);

  RstComposeMRCCanvas(RstRead* composite, RstMRCCanvas* canvas) : RstReadDecorator(composite), canvas_(canvas) {}
  ~RstComposeMRCCanvas() override;
  // Takes the canvas over.
  bool initiate() override {
    owns_canvas_ = true;
    return true;
  }
  bool owns_canvas() const { return owns_canvas_; }

  // Paints the objects over the composite, one visit per kind.
  class MRCObjectVisitor : public RstMRCCanvas::ObjectVisitor {
   public:
    MRCObjectVisitor(RstRead* background, RstScale::ScaleCommand& command, double sx, double sy);
    ~MRCObjectVisitor() override;
    int visit_unmasked_image(RstMRCCanvas::UnmaskedImage& object) override;
    int visit_masked_image(RstMRCCanvas::MaskedImage& object) override;
    int visit_masked_color(RstMRCCanvas::MaskedColor& object) override;

    // The composite node, given up by the visitor; null when painting failed.
    RstRead* take_composite();

    // The node in place of a coded one: its decoder by data form; false
    // (node kept) for a form without one: -50
    // "RstComposeMRCCanvas::MRCObjectVisitor::decode()".
    static bool decode(RstRead*& node);
    // The image at w x h through the scale command; -3
    // "RstComposeMRCCanvas::MRCObjectVisitor::scale()" for w or h 0 or below.
    bool scale(RstRead*& image, int64_t w, int64_t h);
    // The mask at w x h: averaged and diffused back to 1 bit when the
    // composite or the painted node has 8 bits, else nearest neighbour.
    static bool scale_mask(RstRead*& mask, int64_t w, int64_t h, RstRead* composite, RstRead* painted);

    // Target size and position of an object rectangle.
    struct Target {
      int64_t w;
      int64_t h;
      int32_t x;
      int32_t y;
    };
    Target target(const RstMRCCanvas::Rect& rect) const;

   private:
    // The first paint gives the composite the image's colour type (and
    // 8 bits for a 1-bit composite under an 8-bit image); both lose their
    // colormaps.
    bool conform(RstOwner<RstRead>& painted);
    // The first paint of a lower-depth image thresholds the composite.
    bool depth(RstRead* painted);

    // A target far larger than the page would cost work out of all
    // proportion to the pixels it leaves on the page: -3
    // "RstComposeMRCCanvas::MRCObjectVisitor::scale()".
    bool oversized(const Target& t) const;
    // The same for an object's own pixels against the canvas: a huge line of
    // a few code bytes would be decoded and scaled whole.
    bool oversized(RstRead* source) const;
    // Ends a visit: the painted inputs are spent or the composite is dropped.
    int finish(int32_t kept, bool painted);

    RstOwner<RstRead> composite_;
    bool first_paint_ = true;
    RstScale::ScaleCommand& command_;
    double sx_;
    double sy_;
    int64_t page_area_ = 0;
  };

 private:
  RstMRCCanvas* canvas_;
  bool owns_canvas_ = false;
};
