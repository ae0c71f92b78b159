// Short names for the memory orders of the fields shared by the user
// interface thread and the communication service thread. Data fields use
// relaxed order; handshakes publish with release and take with acquire.
#pragma once

#include <atomic>

inline constexpr auto rlx = std::memory_order_relaxed;
inline constexpr auto acq = std::memory_order_acquire;
inline constexpr auto rls = std::memory_order_release;
inline constexpr auto acq_rls = std::memory_order_acq_rel;
