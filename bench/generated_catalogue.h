#pragma once

// Catalogues of any size in the form the game publishes, the same bytes as
// the test server's /gen/N, for the benchmarks.

#include <string>

#include "text/text.h"

namespace animal_ids::bench {

// The UTF-8 document of n animals, i = 1..n: id 1000 + i, name "动物" + i, price 10 * i.
std::string GeneratedCatalogue(int n);

}  // namespace animal_ids::bench
