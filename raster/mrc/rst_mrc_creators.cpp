// The MRC nodes handed to the format readers: the composed page of a TIFF-FX
// mixed raster content mask page, and the PDF module behind the PDF front.
#include "raster/mrc/rst_mrc_creators.h"

#include <memory>

#include "raster/core/rst_owner.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_scale_command.h"
#include "raster/mrc/rst_compose_mrc_canvas.h"
#include "raster/mrc/rst_make_mrc_layers.h"
#include "raster/mrc/rst_pdf_document.h"
#include "raster/mrc/rst_read_and_decode_tiff_mrc.h"
#include "raster/mrc/rst_read_imt_to_mrc_canvas.h"
#include "raster/mrc/rst_read_pdf_to_mrc_canvas.h"
#include "raster/mrc/rst_stripe.h"

namespace {

int32_t pdf_document_info(int32_t* page_count, int32_t* version, const char* strings[8]) {
  PdfDocInfo info{};
  info.version = *version;
  int32_t result = pdf_get_document_info(&info);
  *page_count = info.page_count;
  *version = info.version;
  const char* fields[8] = {info.title,   info.author,   info.subject,       info.keywords,
                           info.creator, info.producer, info.creation_date, info.mod_date};
  for (int i = 0; i < 8; ++i) strings[i] = fields[i];
  return result;
}

bool pdf_page_objects(InputStorage* storage, uint32_t page, RstFormatCreators::PDFPageObjects& out) {
  RstOwner<RstReadPDFToMRCCanvasImpl> node(RstReadPDFToMRCCanvasImpl::create(storage, page));
  if (!node) return false;
  InputStorage* image = node->imt_storage();
  if (!image) return false;
  image->rewind();
  struct Release {
    void operator()(RstPrivateHeader* h) const { rst_release(h); }
  };
  std::unique_ptr<RstReadIMTHeader, Release> header(RstReadIMTToMRCCanvas::private_header(image));
  if (!header || header->status() != 1) return false;
  const RstIMSFileHeader& file = header->file_header();
  out.width = int32_t(file.page_width);
  out.height = int32_t(file.page_height);
  out.x_resolution = int32_t(file.x_resolution);
  out.y_resolution = int32_t(file.y_resolution);
  out.objects.clear();
  for (const RstIMSObject& o : header->objects()) {
    if (o.is_end()) continue;
    out.objects.push_back({o.record.tag, o.header});
  }
  return true;
}

// The page at its canvas size; the canvas is deleted when no page is made.
RstRead* read_pdf_page(InputStorage* storage, uint32_t page) {
  RstOwner<RstReadPDFToMRCCanvasImpl> node(RstReadPDFToMRCCanvasImpl::create(storage, page));
  if (!node) return nullptr;
  std::unique_ptr<RstMRCCanvas> canvas(node->make());
  if (!canvas) return nullptr;
  RstScale::Linear linear;
  RstComposeMRCCanvas* composed = RstComposeMRCCanvas::create(canvas.get(), 1.0, linear);
  if (composed) canvas.release();  // the composed page owns it
  return composed;
}

}  // namespace

void rst_register_mrc_creators() {
  RstFormatCreators& c = rst_format_creators();
  c.read_tiff_mrc = &RstReadAndDecodeTIFFMRC::create;
  c.pdf_mutex = &rst_pdf_mutex;
  c.pdf_open_document = &pdf_open_document;
  c.pdf_document_info = &pdf_document_info;
  c.pdf_close_document = &pdf_close_document;
  c.pdf_page_objects = &pdf_page_objects;
  c.read_pdf_page = &read_pdf_page;
  c.make_mrc_3layers_white_bg = &RstMakeMRC3Layers::create_white_bg;
  c.make_mrc_2layers_fore = &RstMakeMRC2LayersFore::create;
  c.make_mrc_2layers_back = &RstMakeMRC2LayersBack::create;
  c.stripe = [](RstRead* source, const std::vector<uint32_t>& heights, int mode, int count) {
    return RstStripe::create(source, heights, mode, count);
  };
}
