// The host's documents: a small line-based text format (described in
// host/README.md) read and checked in full, images included, before any
// device context is made, and played into a print session.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/journal.h"

namespace pkhost {

class PrintSession;

enum class Unit { Point, Millimetre, Dot };

struct PathOp {
  enum Kind { Move, Line, Bezier, Close } kind;
  std::vector<double> pts;  // x y pairs (three for a Bézier)
};

struct Statement {
  enum Kind {
    Document,
    UnitSet,
    Page,
    Pen,
    Brush,
    Font,
    TextColor,
    Background,
    Text,
    Rect,
    Ellipse,
    Polygon,
    Line,
    Path,
    Image,
    Clip,
    Rop,
    Escape,
    ResetDc,
    Abort
  } kind;
  int line = 0;
  Unit unit = Unit::Point;   // the unit in force for the statement's numbers
  std::vector<double> nums;  // coordinates and sizes in `unit`
  std::u16string text;       // document name, text
  PenDesc pen;               // width in `nums[0]`
  BrushDesc brush;
  FontDesc font;  // size in `nums[0]`
  ULONG color = 0;
  bool flag = false;   // background: opaque; clip: set
  ULONG fillMode = 1;  // FP_ALTERNATEMODE or FP_WINDINGMODE
  std::vector<PathOp> path;
  bool stroke = false, fill = false;
  std::shared_ptr<const Bitmap> image;
  ULONG code = 0;                                   // rop4, escape code
  std::vector<uint8_t> data;                        // escape input
  ULONG outSize = 0;                                // escape output size
  std::vector<std::pair<int, long long>> settings;  // resetdc set id=value
};

struct Document {
  std::u16string name = u"gdihost document";
  std::vector<Statement> statements;
};

// Parses a document; images are read relative to `baseDir`. On failure
// `error` is "<name>:<line>:<column>: <message>".
bool ParseDocument(const std::string& text, const std::string& displayName, const std::string& baseDir, Document* doc,
                   std::string* error);

// "id=value" of --set and resetdc.
bool ParseSetting(const std::string& text, std::pair<int, long long>* out);

// The built-in test page.
Document TestPageDocument(const std::u16string& printerName);

}  // namespace pkhost
