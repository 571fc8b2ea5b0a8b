// The node graph: links, the ownership mode machine, end() and the splice of
// a deleted node out of the reading graph.
#include "raster/core/rst_root.h"

#include <algorithm>
#include <new>

#include "raster/core/rst_status_context.h"

// A loop over a copy of this node's lists notes here when a call it makes
// deletes the node, so that it stops touching it.
struct RstRoot::Watch {
  explicit Watch(RstRoot* node) : node(node), next(node->watches_) { node->watches_ = this; }
  ~Watch() {
    if (gone) return;
    for (Watch** w = &node->watches_; *w; w = &(*w)->next)
      if (*w == this) {
        *w = next;
        break;
      }
  }
  RstRoot* node;
  Watch* next;
  bool gone = false;
};

namespace {
bool contains(const std::vector<RstRoot*>& list, const RstRoot* node) {
  return std::find(list.begin(), list.end(), node) != list.end();
}
void remove_from(std::vector<RstRoot*>& list, const RstRoot* node) {
  list.erase(std::remove(list.begin(), list.end(), node), list.end());
}
// In a destructor nothing may be reported (the default observer throws), so
// a list that cannot grow loses the entry.
void append_quietly(std::vector<RstRoot*>& list, RstRoot* node) {
  try {
    list.push_back(node);
  } catch (const std::bad_alloc&) {
  }
}
// Splice step: self leaves list and others join at its end. Removing self
// frees a slot, so the common single link allocates nothing.
void replace_in(std::vector<RstRoot*>& list, RstRoot* self, const std::vector<RstRoot*>& others) {
  remove_from(list, self);
  for (RstRoot* other : others)
    if (!contains(list, other)) append_quietly(list, other);
}
}  // namespace

RstRoot::~RstRoot() {
  for (Watch* w = watches_; w; w = w->next) w->gone = true;
  // Splice out of the reading graph: my readers read my sources directly.
  for (RstRoot* src : sources_) replace_in(src->sinks_, this, sinks_);
  for (RstRoot* sink : sinks_) replace_in(sink->sources_, this, sources_);
}

void RstRoot::delete_self() { delete this; }

void RstRoot::add_source(RstRoot* src) {
  if (!src) return;
  // Make room in all four lists first, so that the link is all or nothing.
  try {
    sources_.reserve(sources_.size() + 1);
    held_.reserve(held_.size() + 1);
    src->sinks_.reserve(src->sinks_.size() + 1);
    src->holders_.reserve(src->holders_.size() + 1);
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, "RstRoot::add_source()");
    return;
  }
  sources_.push_back(src);
  held_.push_back(src);
  src->sinks_.push_back(this);
  src->holders_.push_back(this);
}

void RstRoot::refer(int how) {
  switch (mode_) {
    case mode_free:
      if (how == how_pin) {
        ++pin_count_;
        mode_ = mode_pinned;
      }
      break;
    case mode_pinned:
      if (how == how_unpin) {
        if (--pin_count_ <= 0) {
          pin_count_ = 0;
          mode_ = mode_free;
        }
      } else if (how == how_pin) {
        ++pin_count_;
      } else if (how == how_end_pinned) {
        mode_ = mode_ended_pinned;
      } else if (how == how_keep) {
        mode_ = mode_kept;
      }
      break;
    case mode_ended_pinned:
      if (how == how_unpin) {
        if (--pin_count_ <= 0) {
          // The node was ended while pinned: end it now as its owner would,
          // so that readers still holding it are torn down, not left dangling.
          pin_count_ = 0;
          mode_ = mode_free;
          end(this);
        }
      } else if (how == how_pin) {
        // Counted, so that a nested factory's unpin cannot reach 0 while an
        // outer factory still pins the node.
        ++pin_count_;
      } else if (how == how_keep) {
        mode_ = mode_kept;
      }
      break;
    default:  // kept: final
      break;
  }
}

bool RstRoot::initiate_once() {
  if (initiated_) return initiate_result_;
  initiated_ = true;
  // A failing initiate may leave by exception; it counts as failed.
  initiate_result_ = false;
  initiate_result_ = initiate();
  return initiate_result_;
}

void RstRoot::drop_holder(RstRoot* user) {
  remove_from(holders_, user);
  remove_from(user->held_, this);
}

void RstRoot::end(RstRoot* user) {
  if (!user) return;
  if (mode_ == mode_pinned) {
    // Nothing is deleted while pinned.
    if (user == this) {
      mode_ = mode_ended_pinned;
    } else {
      drop_holder(user);
      if (holders_.empty()) mode_ = mode_ended_pinned;
    }
    return;
  }
  if (mode_ == mode_ended_pinned) {
    // Deleted at the last unpin; a reader's release still drops its link so
    // that no holder entry outlives its node.
    if (user != this) drop_holder(user);
    return;
  }

  // Free or kept.
  if (user == this) {
    if (!sinks_.empty()) {
      end_readers();  // their answers release and finally delete this node
      return;
    }
    end_sources();
    delete_self();
  } else if (contains(sinks_, user)) {
    drop_holder(user);
    if (!holders_.empty()) return;
    end_sources();
    delete_self();
  } else {
    // A source tells this reader that it is ending: drop the link from the
    // source's side, then go when nothing else is held. A node that was never
    // linked to this one is ignored (the two would call each other forever).
    if (!contains(sources_, user) && !contains(held_, user)) return;
    Watch watch(this);
    user->end(this);
    if (watch.gone || !held_.empty()) return;
    if (sinks_.empty()) delete_self();
    else end_readers();
  }
}

void RstRoot::end_sources() {
  Watch watch(this);
  std::vector<RstRoot*> list;
  try {
    list = sources_;
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, "RstRoot::end_sources()");
    return;
  }
  for (auto it = list.rbegin(); it != list.rend() && !watch.gone; ++it)
    if (contains(sources_, *it)) (*it)->end(this);
}

void RstRoot::end_readers() {
  Watch watch(this);
  std::vector<RstRoot*> readers, holders;
  try {
    readers = sinks_;
    holders = holders_;
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, "RstRoot::end_readers()");
    return;
  }
  for (auto it = readers.rbegin(); it != readers.rend() && !watch.gone; ++it)
    if (contains(sinks_, *it) && !contains(holders_, *it)) (*it)->end(this);
  for (auto it = holders.rbegin(); it != holders.rend() && !watch.gone; ++it)
    if (contains(holders_, *it)) (*it)->end(this);
}

void rst_refer(RstRoot* node, int how) {
  if (node) node->refer(how);
}

bool rst_initiate(RstRoot* node) { return node && node->initiate_once(); }
