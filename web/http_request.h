#pragma once

// One complete HTTP/1.1 exchange, run on the user-interface thread, which
// keeps the window responsive while it waits.

#include "text/text.h"

namespace animal_ids {

struct HttpReply {
  enum class Outcome {
    kComplete,    // a response arrived and its whole body was read
    kNoResponse,  // no connection, or no response before the time-outs
    kIncomplete,  // a response arrived but its body was cut short, failed, or was too long
  };
  Outcome outcome = Outcome::kNoResponse;
  int status = 0;  // the final response's status code, 0 without a response
  Bytes body;      // what arrived of the body, whatever the status
};

// The verb is method when ToUpper(method) is "POST" (so "post" stays
// "post"), else "GET". headers are extra lines, each ending in CR LF; the
// default Accept, Referer and Accept-Language lines are added unless present.
// postData is sent only when the verb is not GET. proxy, when given, is used
// as "http=" + proxy.
HttpReply HttpRequest(const Text& url, const Text& method = Text(), const Text& proxy = Text(),
                      const Text& headers = Text(), const Text& postData = Text(),
                      Text* responseHeaders = nullptr);

}  // namespace animal_ids
