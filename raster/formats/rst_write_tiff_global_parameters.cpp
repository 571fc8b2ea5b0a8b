// Building and writing the global parameters IFD.
#include "raster/formats/rst_write_tiff_global_parameters.h"

#include "raster/core/rst_status_context.h"

namespace {

// A snapshot no record holds, so that a new record builds its entries first.
RstTIFFGlobalParameters unbuilt() {
  RstTIFFGlobalParameters s;
  s.mode_number = -12345;
  return s;
}

}  // namespace

RstWriteTIFFGlobalParameters::RstWriteTIFFGlobalParameters() : ifd_snapshot(unbuilt()) {}

RstWriteTIFFGlobalParameters::RstWriteTIFFGlobalParameters(const RstTIFFGlobalParameters& record)
    : RstTIFFGlobalParameters(record), ifd_snapshot(unbuilt()) {}

bool RstWriteTIFFGlobalParameters::ifd_changed() const {
  return !(static_cast<const RstTIFFGlobalParameters&>(*this) == ifd_snapshot);
}

bool RstWriteTIFFGlobalParameters::create_ifd() {
  using E = RstWriteTIFFIFDEntry;
  std::vector<E>& entries = directory.entries;
  entries.clear();
  size_t wanted = 0;
  auto add = [&](const E& e) {
    ++wanted;
    if (rst_resize(entries, entries.size() + 1)) entries.back() = e;
  };
  fax_profile_byte_ = fax_profile & 0xFF;
  mode_number_byte_ = uint32_t(mode_number) & 0xFF;
  if (profile_type != 0) add(E(401, E::type_long, 1, profile_type));
  if (fax_profile != 0) add(E(402, E::type_byte, 1, fax_profile_byte_));
  if (coding_methods != 0) add(E(403, E::type_long, 1, coding_methods));
  if (!version_year.empty()) add(E(404, E::type_byte, uint32_t(version_year.size()), 0, version_year.data()));
  if (mode_number != -1) add(E(405, E::type_byte, 1, mode_number_byte_));
  if (entries.size() != wanted) {
    rst_report(RstCode::no_memory, "RstWriteTIFFGlobalParameters::create_ifd()");
    return false;
  }
  ifd_snapshot = static_cast<const RstTIFFGlobalParameters&>(*this);
  return true;
}

uint32_t RstWriteTIFFGlobalParameters::ifd_size() {
  if (ifd_changed()) create_ifd();
  return uint32_t(directory.size());
}

uint32_t RstWriteTIFFGlobalParameters::write(RstTIFFDataOutput& output) {
  if (ifd_changed() && !create_ifd()) return 0;
  // VersionYear is read from the field when written.
  for (RstWriteTIFFIFDEntry& e : directory.entries)
    if (e.tag == 404) e.data = version_year.data();
  int32_t start = output.tell();
  uint32_t a = 0, b = 0, c = 0;
  directory.write(output, a, b, c);
  return uint32_t(output.tell() - start);
}
