// RstRoot: base of every image node. Nodes form a pull pipeline; each keeps
// four non-owning lists (sources, sinks = its readers, holders, held) and an
// ownership mode. Nodes are released only through end(): ending the last node
// of a pipeline deletes everything upstream that nothing else holds.
#pragma once

#include <cstdint>
#include <vector>

class RstHeader;

class RstRoot {
 public:
  // Ownership modes.
  static constexpr int32_t mode_free = 0;
  static constexpr int32_t mode_pinned = 1;
  static constexpr int32_t mode_ended_pinned = 2;
  static constexpr int32_t mode_kept = 3;  // left to the caller by a failed factory; final
  // Inputs of refer().
  static constexpr int how_unpin = 0;
  static constexpr int how_pin = 1;
  static constexpr int how_end_pinned = 2;
  static constexpr int how_keep = 3;

  RstRoot() = default;
  RstRoot(const RstRoot&) = delete;
  RstRoot& operator=(const RstRoot&) = delete;

  // Fills h with this node's image header.
  virtual void header(RstHeader& h) = 0;
  // user gives up its hold on this node; user == this: the owner ends it.
  // A subclass that overrides one end should bring in the other with `using`.
  virtual void end(RstRoot* user);
  virtual void end() { end(this); }
  virtual ~RstRoot();
  // Prepares the node before its first line; runs at most once.
  virtual bool initiate() { return true; }

  // The mode machine: how is one of how_unpin .. how_keep.
  void refer(int how);
  // Runs initiate the first time; every later call returns that first result.
  bool initiate_once();

  // Links src: appended to sources and held here, this to src's sinks and
  // holders. A multi-input node calls it once per input, in argument order.
  void add_source(RstRoot* src);
  // end(this) on every source, last to first.
  void end_sources();
  // Ends the readers that do not hold this node, then asks every holder, last
  // to first, to end its hold.
  void end_readers();

  // The first source; null when there is none.
  RstRoot* source() const { return sources_.empty() ? nullptr : sources_.front(); }

  bool initiated() const { return initiated_; }
  int32_t pin_count() const { return pin_count_; }
  int32_t mode() const { return mode_; }
  const std::vector<RstRoot*>& sources() const { return sources_; }
  const std::vector<RstRoot*>& sinks() const { return sinks_; }
  const std::vector<RstRoot*>& holders() const { return holders_; }
  const std::vector<RstRoot*>& held() const { return held_; }

 private:
  struct Watch;
  void drop_holder(RstRoot* user);
  void delete_self();

  bool initiated_ = false;
  int32_t pin_count_ = 0;
  int32_t mode_ = mode_free;
  std::vector<RstRoot*> sources_;
  std::vector<RstRoot*> sinks_;
  std::vector<RstRoot*> holders_;
  std::vector<RstRoot*> held_;
  bool initiate_result_ = true;
  Watch* watches_ = nullptr;  // loops that must learn when this node is deleted
};

// refer() on a node; nothing for null.
void rst_refer(RstRoot* node, int how);
// initiate_once() on a node; false for null.
bool rst_initiate(RstRoot* node);
