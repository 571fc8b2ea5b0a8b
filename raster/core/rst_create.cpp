// The create guard and the last step of every factory.
#include "raster/core/rst_create.h"

#include "raster/core/rst_status_context.h"

RstCreateGuard::RstCreateGuard(RstRoot* a) {
  if (!reserve(1)) return;
  push(a);
  pin_all();
}

RstCreateGuard::RstCreateGuard(RstRoot* a, RstRoot* b) {
  if (!reserve(2)) return;
  push(a);
  push(b);
  pin_all();
}

RstCreateGuard::RstCreateGuard(RstRoot* a, RstRoot* b, RstRoot* c) {
  if (!reserve(3)) return;
  push(a);
  push(b);
  push(c);
  pin_all();
}

RstCreateGuard::RstCreateGuard(RstRoot* a, RstRoot* b, RstRoot* c, RstRoot* d) {
  if (!reserve(4)) return;
  push(a);
  push(b);
  push(c);
  push(d);
  pin_all();
}

bool RstCreateGuard::reserve(size_t n) {
  try {
    nodes_.reserve(n);
    return true;
  } catch (const std::bad_alloc&) {
    // Nothing is pinned yet: the inputs stay as the caller had them.
    rst_report(RstCode::no_memory, "RstCreateGuard::RstCreateGuard()");
    return false;
  }
}

void RstCreateGuard::pin_all() {
  for (RstRoot* node : nodes_) rst_refer(node, RstRoot::how_pin);
}

RstCreateGuard::~RstCreateGuard() {
  int how = armed_ ? RstRoot::how_keep : RstRoot::how_unpin;
  for (RstRoot* node : nodes_) {
    // An unpin can end a node; a report made on the way has reached the
    // messager and the last status, and must not leave a destructor.
    try {
      rst_refer(node, how);
    } catch (const RstStatus&) {
    }
  }
}

RstRoot* rst_create_end_node(RstRoot* node, RstCreateGuard& guard) {
  if (!node) {
    rst_report(RstCode::no_memory, "rst_create_end()");
    return nullptr;
  }
  if (!node->initiate_once()) return nullptr;
  guard.disarm();
  return node;
}

bool rst_create_end_owned(RstRoot* node) {
  if (!node) {
    rst_report(RstCode::no_memory, "rst_create_end()");
    return false;
  }
  return node->initiate_once();
}
