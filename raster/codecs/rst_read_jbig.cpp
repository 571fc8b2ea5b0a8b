// The JBIG reader nodes and their private headers.
#include "raster/codecs/rst_read_jbig.h"

#include <limits>

#include "raster/codecs/rst_jbig_decoder_stages.h"
#include "raster/codecs/rst_jbig_stage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

namespace {

constexpr uint32_t kNoLimit = 0x7FFFFFFF;

bool usable(InputStorage* storage) { return storage && !storage->is_closed(); }

// Width, height and the raw sample layout common to both kinds.
void fill(RstJBIGHeader& h, const TolvaneImageInfo& info) {
  h.width = info.width;
  h.height = info.height;
  h.header.width = info.width;
  h.header.height = info.height;
  h.header.sample_kind = RstSampleKind::unsigned_int;
  h.header.data_form = RstDataForm::raw;
}

int32_t packed_bytes(const RstHeader& h) {
  int64_t bytes = (int64_t{h.width} * h.bits_per_sample * h.samples_per_pixel + 7) / 8;
  return bytes > 0 && bytes <= std::numeric_limits<int32_t>::max() ? int32_t(bytes) : 0;
}

void close_stage(RstInstanceTolvane*& stage) {
  if (stage) stage->close();
  stage = nullptr;
}

// The private-header protocol shared by both readers.
template <class Header>
Header* read_private_header(InputStorage* storage, const char* where) {
  if (!usable(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstOwner<Header> header(rst_new<Header>(storage));
  if (!header) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  int32_t status = header->status;
  if (status == RstCode::good) return header.release();
  if (status > 1) {
    rst_report(status, where);
    return header.release();
  }
  if (status != RstCode::not_this_format) rst_report(status, where);
  return nullptr;
}

template <class Node, class Header>
Node* create_node(InputStorage* storage, Header* header, const char* where, Header* (*private_header)(InputStorage*)) {
  if (!usable(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstOwner<Header> made;
  if (!header) {
    made.attach(private_header(storage));
    if (!made) {
      rst_report(RstCode::not_this_format, where);
      return nullptr;
    }
    header = made.get();
  }
  // A header whose stage was taken (or never made) cannot start a node.
  if (!header->stage() || header->status < 1) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstOwner<Node> owner(rst_new<Node>(storage, header));
  return rst_create_end(owner);
}

}  // namespace

RstReadJBIGT85Header::RstReadJBIGT85Header(InputStorage* storage) : start_(storage ? storage->tell() : 0) {
  stage_ = rst_jbig_t85_decoder_create(storage, kNoLimit);
  if (!stage_) {
    status = RstCode::no_memory;
    return;
  }
  TolvaneImageInfo info;
  stage_->info(&info);
  fill(*this, info);
  header.bits_per_sample = 1;
  header.samples_per_pixel = 1;
  header.color_type = RstColorType::default_gray_reverse();
}

RstReadJBIGT85Header::~RstReadJBIGT85Header() { close_stage(stage_); }

RstInstanceTolvane* RstReadJBIGT85Header::take_stage() { return std::exchange(stage_, nullptr); }

RstReadJBIGT43Header::RstReadJBIGT43Header(InputStorage* storage) : start_(storage ? storage->tell() : 0) {
  stage_ = rst_jbig_t43_decoder_create(storage, kNoLimit);
  if (!stage_) {
    status = RstCode::no_memory;
    return;
  }
  TolvaneImageInfo info;
  stage_->info(&info);
  fill(*this, info);
  struct Layout {
    uint32_t format;
    int32_t bits, samples;
    RstColorType* type;
  };
  const Layout layouts[] = {
      {0x30008, 1, 3, RstColorType::default_rgb()},   {0x30060, 1, 3, RstColorType::default_cmy()},
      {0x40060, 1, 4, RstColorType::default_cmyk()},  {0x80027, 8, 1, RstColorType::itu_lab()},
      {0x80047, 8, 1, RstColorType::default_lstar()}, {0x180027, 8, 3, RstColorType::itu_lab()},
  };
  for (const Layout& l : layouts) {
    if (l.format != info.format) continue;
    header.bits_per_sample = l.bits;
    header.samples_per_pixel = l.samples;
    header.color_type = l.type;
  }
  if (!info.colormap) return;
  auto* map = rst_new<RstColormap>(8, 3, 256);
  RstCountedPtr<RstColormap> held(map);
  if (!held.has_count() || map->size() != 3 * 256) {
    // Without its colormap the image would be delivered as bare indices.
    rst_report(RstCode::no_memory, "");
    close_stage(stage_);
    status = RstCode::no_memory;
    return;
  }
  uint8_t* d = map->data();
  for (int i = 0; i < 256; ++i) {
    d[3 * i] = info.colormap[i];
    d[3 * i + 1] = info.colormap[256 + i];
    d[3 * i + 2] = info.colormap[512 + i];
  }
  header.colormap = held;
}

RstReadJBIGT43Header::~RstReadJBIGT43Header() { close_stage(stage_); }

RstInstanceTolvane* RstReadJBIGT43Header::take_stage() { return std::exchange(stage_, nullptr); }

RstReadJBIG::RstReadJBIG(InputStorage* storage, const RstHeader& header, int32_t start)
    : storage_(storage), line_bytes_(packed_bytes(header)), header_(header), start_(start) {}

void RstReadJBIG::reset() { storage_->seek(start_); }

int RstReadJBIG::read_stage(RstInstanceTolvane* stage, uint8_t* line, const char* where) {
  if (!stage || failed_ || !line) return 0;
  int32_t status = stage->line(line);
  if (status > 0) return line_bytes_;
  if (status < 0) {
    // The lines before the fault stay delivered; the fault ends the image,
    // said once.
    failed_ = true;
    rst_report(RstCode::recoverable_decode, where);
  }
  return 0;
}

void RstReadJBIG::restart(RstInstanceTolvane*& stage, RstInstanceTolvane* (*make)(InputStorage*, uint32_t),
                          const char* where) {
  close_stage(stage);
  failed_ = false;
  storage_->seek(start_);
  stage = make(storage_, kNoLimit);
  if (!stage || stage->status < 1) {
    close_stage(stage);
    rst_report(0, where);
  }
}

RstReadJBIGT85* RstReadJBIGT85::create(InputStorage* storage, RstReadJBIGT85Header* header) {
  return create_node<RstReadJBIGT85>(storage, header, "RstReadJBIGT85::create()", &RstReadJBIGT85::private_header);
}

RstReadJBIGT85Header* RstReadJBIGT85::private_header(InputStorage* storage) {
  return read_private_header<RstReadJBIGT85Header>(storage, "RstReadJBIGT85::private_header()");
}

RstReadJBIGT85Creator RstReadJBIGT85::bridge_args() { return RstReadJBIGT85Creator(); }

RstReadJBIGT85::RstReadJBIGT85(InputStorage* storage, RstReadJBIGT85Header* header)
    : RstReadJBIG(storage, header->header, header->start()), stage_(header->take_stage()) {}

RstReadJBIGT85::~RstReadJBIGT85() { close_stage(stage_); }

int RstReadJBIGT85::read(uint8_t* line) { return read_stage(stage_, line, "RstReadJBIGT85::read()"); }

void RstReadJBIGT85::reset() { restart(stage_, &rst_jbig_t85_decoder_create, "RstReadJBIGT85::reset()"); }

RstReadJBIGT43* RstReadJBIGT43::create(InputStorage* storage, RstReadJBIGT43Header* header) {
  return create_node<RstReadJBIGT43>(storage, header, "RstReadJBIGT43::create()", &RstReadJBIGT43::private_header);
}

RstReadJBIGT43Header* RstReadJBIGT43::private_header(InputStorage* storage) {
  return read_private_header<RstReadJBIGT43Header>(storage, "RstReadJBIGT43");
}

RstReadJBIGT43::RstReadJBIGT43(InputStorage* storage, RstReadJBIGT43Header* header)
    : RstReadJBIG(storage, header->header, header->start()), stage_(header->take_stage()) {}

RstReadJBIGT43::~RstReadJBIGT43() { close_stage(stage_); }

int RstReadJBIGT43::read(uint8_t* line) { return read_stage(stage_, line, "RstReadJBIGT43::read()"); }

void RstReadJBIGT43::reset() { restart(stage_, &rst_jbig_t43_decoder_create, "RstReadJBIGT43::reset()"); }
