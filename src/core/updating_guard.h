// ctrl_updating set for the lifetime of a guard: the program is filling
// controls itself, so their change handlers return at once. The earlier
// value comes back at the end, so guards may nest.
#pragma once

#include "core/common_data.h"

class updating_guard {
 public:
  updating_guard() : old_(ctrl_updating) { ctrl_updating = true; }
  ~updating_guard() { ctrl_updating = old_; }
  updating_guard(const updating_guard&) = delete;
  updating_guard& operator=(const updating_guard&) = delete;

 private:
  bool old_;
};
