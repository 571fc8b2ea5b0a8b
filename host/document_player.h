// Playing a checked document into a print session.
#pragma once

#include <vector>

#include "host/document.h"
#include "host/driver_table.h"

namespace pkhost {

class PrintSession;

enum class PlayResult { Printed, AbortedByDocument, Failed };

// Runs the document from StartDoc to EndDoc. `devMode` is the application's
// DEVMODE, the base of the settings `resetdc` changes.
PlayResult PlayDocument(const Document& doc, PrintSession& session, const std::vector<uint8_t>& devMode, RunLog& log);

}  // namespace pkhost
