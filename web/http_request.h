#pragma once

// One complete HTTP/1.1 exchange, run on the user-interface thread, which
// keeps the window responsive while it waits.

#include "text/text.h"

namespace animal_ids {

struct HttpReply {
  enum class Outcome {
    kComplete,    // a response arrived and its whole body was read
    kNoResponse,  // no connection, or no response before the time-outs
    kNotHttp,     // what arrived is no HTTP/1.x response: no status line or no header lines
    kTimedOut,    // the exchange's deadline passed before the body had ended
    kTooLarge,    // the body is longer than internet::kMaxBodyBytes
    kIncomplete,  // a response arrived but its body was cut short or failed
  };
  Outcome outcome = Outcome::kNoResponse;
  int status = 0;        // the final response's status code, 0 without a response
  bool encoded = false;  // the body carries a Content-Encoding, which is never undone
  Bytes body;            // what arrived of the body, whatever the status
};

// The longest one exchange may take, from the request to the body's last
// byte, redirects included. The per-phase time-outs (18 s of silence) do
// not end a server that drips a byte now and then; this does. Two minutes
// carry a catalogue of several MiB over the slowest line still in use.
inline constexpr int kHttpDeadlineMs = 120000;

// Changes the deadline of the exchanges that follow (tests shorten it);
// returns the previous one.
int SetHttpDeadline(int ms);

// The verb is method when ToUpper(method) is "POST" (so "post" stays
// "post"), else "GET". headers are extra lines, each ending in CR LF; the
// default Accept, Referer and Accept-Language lines are added unless present.
// postData is sent only when the verb is not GET. proxy, when given, is used
// as "http=" + proxy.
HttpReply HttpRequest(const Text& url, const Text& method = Text(), const Text& proxy = Text(),
                      const Text& headers = Text(), const Text& postData = Text(),
                      Text* responseHeaders = nullptr);

}  // namespace animal_ids
