// RstObjectMaker<T>: a node that makes an object instead of delivering lines.
// It takes part in the create protocol and the ownership machine like every
// node; the object make hands out belongs to the caller.
#pragma once

#include "raster/core/rst_root.h"
#include "raster/core/rst_status_context.h"

template <class T>
class RstObjectMaker : public RstRoot {
 public:
  // An object maker has no image header: 0 "RstObjectMaker<T>::header()".
  void header(RstHeader&) override { rst_report(0, "RstObjectMaker<T>::header()"); }
  using RstRoot::end;
  bool initiate() override { return true; }
  virtual T make() = 0;
};
