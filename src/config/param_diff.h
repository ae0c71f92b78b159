// The differences between two parameter sets as a user reads them: each
// setting whose shown value differs, once, under the caption its page shows
// (from the text table; with its group where captions repeat), with both
// values formatted as the configuration pages show them (product settings
// with their product number), and every other differing register with its
// number and both values. The selectors whose items are the product names
// differ only when they choose another product, not when a name changes.
#pragma once

#include "config/param_set.h"

#include <QString>

#include <vector>

struct t_diff_line {
  // "Baud rate", "Relay 1: Delay", "Product 3: Product name",
  // "Register 4097 (product 2, register 25)"
  QString what;
  QString a;     // the value in the first set, as shown
  QString b;     // the value in the second set
  int reg = -1;  // the (first) register; -1: the sensor mode
};

// Formats the values with the off-line configuration of m_stat and puts it
// and the selection back as they were (user-interface thread). Empty when
// the sets are equal.
std::vector<t_diff_line> param_set_diff(const t_param_set& a, const t_param_set& b);
