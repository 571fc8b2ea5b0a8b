// The JBIG push writers: RstPushWriteT85 codes bilevel lines as a bare T.85
// image entity, RstPushWriteT43 colour, palette and gray lines as T.43 data.
// Each drives its encoding stage through RstPushWriteTolvane.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jbig_option.h"
#include "raster/codecs/rst_push_write_tolvane.h"
#include "raster/codecs/rst_write_tolvane_header.h"

class RstPushWriteT85 : public RstPushWriteTolvane {
 public:
  // Target missing or closed: -2; input not one bit per pixel of raw lines:
  // -3; reported "RstPushWriteT85:create()". The option defaults to
  // (128, 0, 0); a given one's fields are copied over it.
  static RstPushWriteT85* create(OutputStorage* target, const RstHeader& header, const RstEncodeJBIGT85Option* option,
                                 bool bit_reverse);

  RstPushWriteT85(OutputStorage* target, const RstHeader& header, const RstEncodeJBIGT85Option& option,
                  bool bit_reverse);

  // The input's header, coded as JBIG.
  void header(RstHeader& out) override;
  const RstEncodeJBIGT85Option& option() const { return option_; }

 protected:
  RstInstanceTolvane* create_stage() override;
  int32_t send_header() override;

 private:
  RstEncodeJBIGT85Option option_;
  RstWriteTolvaneHeader record_;
};

class RstPushWriteT43 : public RstPushWriteTolvane {
 public:
  // Target missing or closed: -2; raw lines of 3-bit RGB, 3- or 4-bit CMYK,
  // 8- or 24-bit ITU Lab, or 8-bit gray or L*, else -3; reported
  // "RstPushWriteT43::create()". The option defaults to (128, 0, 200, 0).
  static RstPushWriteT43* create(OutputStorage* target, const RstHeader& header, const RstEncodeJBIGT43Option* option,
                                 bool bit_reverse);
  // True for raw lines of a form create accepts.
  static bool accepts(const RstHeader& header);

  RstPushWriteT43(OutputStorage* target, const RstHeader& header, const RstEncodeJBIGT43Option& option,
                  bool bit_reverse);

  // The input's header, coded as JBIG colour.
  void header(RstHeader& out) override;
  const RstEncodeJBIGT43Option& option() const { return option_; }

 protected:
  RstInstanceTolvane* create_stage() override;
  int32_t send_header() override;

 private:
  RstEncodeJBIGT43Option option_;
  RstWriteTolvaneHeader record_;
};
