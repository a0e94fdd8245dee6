#pragma once

// Takes an http URL apart for the HTTP exchange. Plain text manipulations
// that never fail: odd input gives the odd results that follow from them.

#include <string>
#include <string_view>

#include "text/text.h"

namespace animal_ids {

// The host name, lower-cased, without port.
Text UrlHost(const Text& url);

// The port number; 80 when the URL names none.
int UrlPort(const Text& url);

// From the first "/" after the host to the end (query included), or "/".
Text UrlPath(const Text& url);

// The bytes a URL may not carry as they are (controls, space, 0x7F and
// above) percent-encoded, the rest unchanged: what both transports send.
std::string EncodeUnsafeUrlBytes(std::string_view url);

}  // namespace animal_ids
