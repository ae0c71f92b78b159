// Removing a device from the scan list: the slots behind it move down one
// place with everything that belongs to their transmitters (connection,
// rings, images, log bookkeeping, panel state), so that what is shown and
// logged on a slot always belongs to the transmitter on that slot.
#pragma once

#include <cstdint>
#include <functional>

struct t_dev_conn;

// Carried out by the service between two polls (or directly when it does
// not run): flushes the removed device's pending samples to its own file,
// moves slots r+1..7 to r..6 and leaves slot 7 empty and reset.
void remove_device_records(int r, int32_t today);

// The posting side (the user interface goes through service_client): waits
// until no other removal is pending, asks the service and waits until it is
// done; `pump` runs meanwhile. Without a running service the records are
// moved here.
void post_remove_device(int r, bool service_running, const std::function<void()>& pump = {});

// A connection record edited by the user for slot d takes effect: with reset
// (the identity of the connection changed) the device's pending samples go
// to its log under the old name first and its acquisition starts afresh.
void apply_conn_edit(int d, const t_dev_conn& rec, bool reset, int32_t today);

// The posting side: waits until no other edit is pending, hands the record to
// the service and waits until it is in force; without a running service it
// is applied here.
void post_conn_edit(int d, const t_dev_conn& rec, bool reset, bool service_running,
                    const std::function<void()>& pump = {});
