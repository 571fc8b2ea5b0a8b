// RstMutex: one unnamed system mutex guarding one process-wide singleton of
// the raster library. Re-entrant for the thread that owns it.
#pragma once

#include "platform/win/win_types.h"

class RstMutex {
 public:
  RstMutex();   // created owned, then released
  ~RstMutex();  // closes the handle
  RstMutex(const RstMutex&) = delete;
  RstMutex& operator=(const RstMutex&) = delete;

  void lock();    // waits without a time limit
  void unlock();  // releases one ownership

 private:
  HANDLE handle_;
};
