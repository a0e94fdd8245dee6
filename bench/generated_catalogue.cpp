#include "bench/generated_catalogue.h"

namespace animal_ids::bench {

std::string GeneratedCatalogue(int n) {
  std::string doc = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<animals>\n";
  for (int i = 1; i <= n; ++i) {
    doc += "<animal id=\"" + std::to_string(1000 + i) + "\" name=\"\xE5\x8A\xA8\xE7\x89\xA9" +
           std::to_string(i) + "\" price=\"" + std::to_string(10 * i) + "\">\n</animal>\n";
  }
  doc += "</animals>\n";
  return doc;
}

}  // namespace animal_ids::bench
