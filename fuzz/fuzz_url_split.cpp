// URL splitting on any text: it never fails, and its results keep their shape.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "text/text_ops.h"
#include "web/url_split.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace animal_ids;
  const Text url(std::string_view(reinterpret_cast<const char*>(data), size));
  const Text host = UrlHost(url);
  const int port = UrlPort(url);
  const Text path = UrlPath(url);
  (void)port;
  if (ToLower(host) != host) std::abort();
  if (host.size() > url.size() || path.size() > url.size() + 1) std::abort();
  // The path is "/" or the URL's tail from a slash on.
  if (path != Text("/")) {
    if (path.empty() || path.at(0) != '/') std::abort();
    if (url.view().substr(url.view().size() - path.view().size()) != path.view()) std::abort();
  }
  return 0;
}
