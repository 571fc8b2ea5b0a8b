// The document information record of a PDF file, as the PDF header reader
// keeps it for format detection and the PDF module fills it.
#pragma once

#include <cstdint>
#include <string>

// Information of the open PDF document. The version is the PDF version x 100
// (10 x (10 x major + minor) from the core).
struct RstPDFDocumentInfo {
  int32_t version = 130;
  std::string author;
  std::string subject;
  std::string keywords;
  std::string producer;
  std::string creator;
  std::string title;
  int32_t page_count = 0;
  std::string mod_date;
  std::string creation_date;
};
