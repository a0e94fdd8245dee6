#pragma once

// Table cases print as their description in GoogleTest's messages.

#include <ostream>

namespace animal_ids::testing {

template <typename Case>
requires requires(const Case& c) { *c.what; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

}  // namespace animal_ids::testing
