// RstCodeSource: the mark of nodes whose lines are chunks of coded bytes rather
// than image lines (the code readers of a strip or of tiles). Writers that need
// raw lines test for it at run time and refuse such a source.
#pragma once

class RstCodeSource {
 public:
  virtual ~RstCodeSource() = default;
};
