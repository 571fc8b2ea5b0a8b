// Reading IFDs, pages and the page chain into read-side headers.
#include "raster/formats/rst_read_tiff_header.h"

#include <algorithm>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

RstReadTIFFHeaderBase::~RstReadTIFFHeaderBase() {
  for (RstReadTIFFHeaderBase* child : children) delete child;
  children.clear();
  // The chain is unlinked page by page, so a long chain is not destroyed by
  // recursion.
  RstReadTIFFHeaderBase* page = next_page;
  next_page = nullptr;
  while (page) {
    RstReadTIFFHeaderBase* following = page->next_page;
    page->next_page = nullptr;
    delete page;
    page = following;
  }
}

uint32_t RstReadTIFFHeaderBase::read(InputStorage* input, uint32_t byte_order, uint32_t offset, bool read_sub_ifds,
                                     int32_t level) {
  Walk walk(tiff6_header());
  return read_ifd(input, byte_order, offset, read_sub_ifds, level, walk, 0);
}

uint32_t RstReadTIFFHeaderBase::read_ifd(InputStorage* input, uint32_t byte_order, uint32_t offset, bool read_sub_ifds,
                                         int32_t level, Walk& walk, int depth) {
  if (!input) return 0;
  int32_t p0 = input->tell();
  RstTIFF6Header* header = tiff6_header();
  header->byte_order = byte_order;
  walk.visited.insert(offset);
  if (RstReadTIFFTagsBase::read(input, byte_order, offset, level) == 0) return 0;
  if (reader() && reader()->refused_offset()) walk.stop();
  if (read_sub_ifds && !header->sub_ifds.empty()) {
    if (!rst_resize(children, header->sub_ifds.size(), static_cast<RstReadTIFFHeaderBase*>(nullptr))) {
      rst_report(RstCode::no_memory, "RstReadTIFFHeaderBase::read()");
      return 0;
    }
    size_t read_count = 0;
    for (uint32_t sub_offset : header->sub_ifds) {
      // A SubIFD that leads back to an IFD already read, lies outside the
      // data or nests too deep ends the SubIFDs of this header.
      if (depth + 1 > max_sub_ifd_depth || walk.visited.count(sub_offset) ||
          !rst_tiff_ifd_offset_usable(*input, sub_offset)) {
        walk.stop();
        break;
      }
      RstReadTIFFHeaderBase* child = new_header();
      if (!child) {
        header->status = -1;
        break;
      }
      children[read_count++] = child;
      child->read_ifd(input, byte_order, sub_offset, true, level, walk, depth + 1);
    }
    children.resize(read_count);
  }
  return uint32_t(std::max<int64_t>(int64_t{input->tell()} - p0, 1));
}

uint32_t RstReadTIFFHeaderBase::read_page(InputStorage* input, uint32_t page, bool read_sub_ifds, int32_t level) {
  Walk walk(tiff6_header());
  return read_page(input, page, read_sub_ifds, level, walk);
}

uint32_t RstReadTIFFHeaderBase::read_page(InputStorage* input, uint32_t page, bool read_sub_ifds, int32_t level,
                                          Walk& walk) {
  RstTIFF6Header* header = tiff6_header();
  if (!input) {
    header->status = -12;
    return 0;
  }
  int32_t p0 = input->tell();
  RstTIFFImageFileHeader ifh;
  if (!read_image_file_header(input, ifh)) {
    header->status = -12;
    return 0;
  }
  if (page == 0) page = 1;
  RstTIFFDataInput data(input, rst_tiff_data_order(ifh.byte_order));
  RstReadTIFFImageFileDirectory scratch;
  uint32_t offset = ifh.first_ifd_offset;
  // Pages after the first must lie inside the data and must not lead back to
  // an IFD already passed; otherwise the page asked for is not in the chain.
  auto beyond_chain = [&](uint32_t i) {
    return offset == 0 || walk.visited.count(offset) || (i > 1 && !rst_tiff_ifd_offset_usable(*input, offset));
  };
  for (uint32_t i = 1; i < page; ++i) {
    if (beyond_chain(i)) {
      header->status = -206;
      return 0;
    }
    walk.visited.insert(offset);
    if (!rst_tiff_seek(*input, offset)) input->seek_end();
    scratch.read(data, true);
    offset = scratch.next_ifd_offset;
  }
  if (beyond_chain(page)) {
    header->status = -206;
    return 0;
  }
  read_ifd(input, ifh.byte_order, offset, read_sub_ifds, level, walk, 0);
  return uint32_t(std::max<int64_t>(int64_t{input->tell()} - p0, 0));
}

void RstReadTIFFHeaderBase::read_chain(InputStorage* input, int32_t level) {
  RstTIFF6Header* first = tiff6_header();
  Walk walk(first);
  read_page(input, 0, true, level, walk);
  RstReadTIFFHeaderBase* current = this;
  uint32_t pages = 1;
  while (current->tiff6_header()->status > 0 && current->ifd.next_ifd_offset != 0) {
    uint32_t next = current->ifd.next_ifd_offset;
    // A chain that leads back, leaves the data or runs past the page cap
    // ends here; the pages read so far stay.
    if (pages >= max_pages || walk.visited.count(next) || !rst_tiff_ifd_offset_usable(*input, next)) {
      walk.stop();
      break;
    }
    RstReadTIFFHeaderBase* following = new_header();
    if (!following) {
      first->status = -1;
      break;
    }
    current->next_page = following;
    following->read_ifd(input, first->byte_order, next, true, level, walk, 0);
    ++pages;
    current = following;
  }
}

RstTIFFIFDReader* RstReadTIFFFXHeader::reader() {
  if (!reader_) {
    RstTIFFFXIFDReader* made = rst_new<RstTIFFFXIFDReader>(static_cast<RstTIFFFXHeader*>(this), &ifd);
    reader_.reset(made);  // none when its count could not be made
    if (!reader_) rst_report(RstCode::no_memory, "RstReadTIFFFXHeader::RstReadTIFFFXHeader()");
  }
  return reader_.get();
}

RstReadTIFFHeaderBase* RstReadTIFFFXHeader::new_header() { return rst_new<RstReadTIFFFXHeader>(); }

bool RstReadTIFFFXHeader::strip_rows(std::vector<uint32_t>& out) {
  if (!strip_row_counts.empty()) {
    if (strip_row_counts.size() == strip_offsets.size()) {
      if (!rst_resize(out, strip_row_counts.size())) {
        rst_report(RstCode::no_memory, "RstReadTIFFHeader::tile_specs()");
        return false;
      }
      // The counts never add up to more rows than the page has.
      uint32_t left = image_length;
      for (size_t i = 0; i < out.size(); ++i) {
        out[i] = std::min(strip_row_counts[i], left);
        left -= out[i];
      }
      return true;
    }
    // Counts that do not match the strips are not used.
    rst_report(13, "RstReadTIFFHeader::tile_specs()");
  }
  return RstTIFF6Header::strip_rows(out);
}

RstReadTIFFHeader::RstReadTIFFHeader(InputStorage* input, int32_t level) { read_chain(input, level); }

RstReadTIFFHeader::RstReadTIFFHeader(InputStorage* input, uint32_t page, bool read_sub_ifds, int32_t level) {
  read_page(input, page, read_sub_ifds, level);
}

RstReadTIFFHeader::RstReadTIFFHeader(InputStorage* input, uint32_t byte_order, uint32_t offset, bool read_sub_ifds,
                                     int32_t level) {
  read(input, byte_order, offset, read_sub_ifds, level);
}
