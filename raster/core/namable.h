// Mix-in of the storages that stand for a named file.
#pragma once

#include <string>

class Namable {
 public:
  virtual ~Namable() = default;
  // The path given to the last open.
  virtual std::string name() const = 0;
};
