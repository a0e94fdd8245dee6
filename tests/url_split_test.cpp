#include "web/url_split.h"

#include <gtest/gtest.h>

namespace animal_ids {
namespace {

struct UrlCase {
  const char* url;
  const char* host;
  int port;
  const char* path;
};

const UrlCase kUrlCases[] = {
    {"http://Static.Example.COM/mc/data/animal_v_115.xml?x=1", "static.example.com", 80,
     "/mc/data/animal_v_115.xml?x=1"},
    {"HTTP://Host.Example/Path/A", "host.example", 80, "/Path/A"},
    {"http://127.0.0.1:8080/mc/data/animal_v_115.xml", "127.0.0.1", 8080,
     "/mc/data/animal_v_115.xml"},
    {"http://host.example", "host.example", 80, "/"},
    {"http://host.example:81", "host.example", 81, "/"},
    {"host.example:8080/a/b", "host.example", 8080, "/a/b"},
    {"host.example", "host.example", 80, "/"},
    {"http://host.example:/a", "host.example", 0, "/a"},
    {"http://host.example:abc/a", "host.example", 0, "/a"},
    {"http://host.example:\xA3\xB8\xA3\xB1/a", "host.example", 81, "/a"},  // full-width digits
    // The secure scheme is not stripped: its name becomes the host.
    {"https://host.example/a", "https", 0, "//host.example/a"},
    // An empty host is found at position 1, so the path starts at the prefix's first slash.
    {"http:///a/b", "", 80, "///a/b"},
    // The path starts at the first "/" after the host's first occurrence in
    // the URL, which may lie in the scheme.
    {"http://h/x", "h", 80, "//h/x"},
    {"http://TP/x", "tp", 80, "//TP/x"},
    {"", "", 80, "/"},
};

class UrlSplit : public ::testing::TestWithParam<UrlCase> {};

TEST_P(UrlSplit, SplitsIntoHostPortAndPath) {
  const UrlCase& c = GetParam();
  EXPECT_EQ(UrlHost(c.url).str(), c.host);
  EXPECT_EQ(UrlPort(c.url), c.port);
  EXPECT_EQ(UrlPath(c.url).str(), c.path);
}

INSTANTIATE_TEST_SUITE_P(Cases, UrlSplit, ::testing::ValuesIn(kUrlCases));

// What goes out: only the bytes a URL may not carry change; "%", "?", "#" and "&" stay.
TEST(EncodeUnsafeUrlBytes, EncodesControlsSpaceAndHighBytesOnly) {
  EXPECT_EQ(EncodeUnsafeUrlBytes("/a b?x=1&y=%41#f"), "/a%20b?x=1&y=%41#f");
  EXPECT_EQ(EncodeUnsafeUrlBytes("\x01\x1F\x7F\x80\xE7\xBE\x8A"), "%01%1F%7F%80%E7%BE%8A");
  EXPECT_EQ(EncodeUnsafeUrlBytes(""), "");
}

}  // namespace
}  // namespace animal_ids
