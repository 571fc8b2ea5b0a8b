// The root of the framework's classes: a virtual destructor, so that hints and
// framework objects can be held and deleted through it.
#pragma once

class CObject {
 public:
  virtual ~CObject() = default;

 protected:
  CObject() = default;
};
