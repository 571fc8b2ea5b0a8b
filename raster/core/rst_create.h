// The factory protocol: a factory pins its inputs with an RstCreateGuard,
// checks, reports, builds its node and ends with rst_create_end, which
// initiates the node once. On failure it returns null and the inputs stay the
// caller's (mode "kept"); on success the new node holds them.
#pragma once

#include <new>
#include <type_traits>
#include <vector>

#include "raster/core/rst_owner.h"
#include "raster/core/rst_root.h"
#include "raster/core/rst_status_context.h"

class RstCreateGuard {
 public:
  // Pins every non-null input; null entries are kept and skipped.
  explicit RstCreateGuard(RstRoot* a);
  RstCreateGuard(RstRoot* a, RstRoot* b);
  RstCreateGuard(RstRoot* a, RstRoot* b, RstRoot* c);
  RstCreateGuard(RstRoot* a, RstRoot* b, RstRoot* c, RstRoot* d);
  template <class T>
  explicit RstCreateGuard(const std::vector<T*>& nodes) {
    static_assert(std::is_base_of_v<RstRoot, T>);
    if (!reserve(nodes.size())) return;
    for (T* node : nodes) push(node);
    pin_all();
  }
  // Disarmed: unpins every input. Still armed (failure or an exception on the
  // way): leaves every input to the caller (mode "kept").
  ~RstCreateGuard();
  RstCreateGuard(const RstCreateGuard&) = delete;
  RstCreateGuard& operator=(const RstCreateGuard&) = delete;

  void disarm() { armed_ = false; }
  bool armed() const { return armed_; }

 private:
  bool reserve(size_t n);
  void push(RstRoot* node) { nodes_.push_back(node); }
  void pin_all();

  bool armed_ = true;
  std::vector<RstRoot*> nodes_;
};

// The last step of a factory: null node reports -1 "rst_create_end()"; a node
// whose initiate fails is not returned (it stays linked to its inputs);
// otherwise the guard is disarmed and the node returned.
RstRoot* rst_create_end_node(RstRoot* node, RstCreateGuard& guard);

template <class T>
T* rst_create_end(T* node, RstCreateGuard& guard) {
  static_assert(std::is_base_of_v<RstRoot, T>);
  return rst_create_end_node(node, guard) ? node : nullptr;
}

// The same for a factory that holds its new node in an owner: on success the
// node is taken out and returned; on failure it stays there, and the owner
// ends it when the factory leaves.
bool rst_create_end_owned(RstRoot* node);

template <class T>
T* rst_create_end(RstOwner<T>& owner) {
  static_assert(std::is_base_of_v<RstRoot, T>);
  return rst_create_end_owned(owner.get()) ? owner.release() : nullptr;
}

// Ends a factory that yields several nodes: disarms the guard and returns a
// copy of the list; no node is initiated.
template <class T>
std::vector<T*> rst_create_end_nodes(RstCreateGuard& guard, const std::vector<T*>& nodes) {
  std::vector<T*> copy;
  try {
    copy = nodes;
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, "rst_create_end_nodes()");
    return {};
  }
  guard.disarm();
  return copy;
}
