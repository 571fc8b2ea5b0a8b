// The test the readers make of a storage handed to them: present, and not in
// an error state (a storage that failed or was closed reports itself closed).
#pragma once

#include "raster/core/input_storage.h"

inline bool rst_is_valid_storage(const InputStream* storage) { return storage && !storage->is_closed(); }
