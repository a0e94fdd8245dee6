#pragma once

// The transport under the HTTP exchange. Its operations mirror the Windows
// Internet calls the exchange needs: open, connect, open request, time-outs,
// send, read, raw headers, close. WinINet implements it on Windows, libcurl
// elsewhere. Every wait inside it keeps the window responsive: it calls
// ProcessPendingEvents at least every 50 ms, in every phase.

#include <memory>

#include "text/text.h"

namespace animal_ids::internet {

// No body longer than this is accepted. A transport that bounds what it
// holds still delivers at least one byte more, so that the exchange can
// tell a body too long from one cut short.
inline constexpr long long kMaxBodyBytes = 64LL * 1024 * 1024;

struct Session;
struct Connection;
struct Request;

struct SessionCloser {
  void operator()(Session* session) const;
};
struct ConnectionCloser {
  void operator()(Connection* connection) const;
};
struct RequestCloser {
  void operator()(Request* request) const;
};
using SessionHandle = std::unique_ptr<Session, SessionCloser>;
using ConnectionHandle = std::unique_ptr<Connection, ConnectionCloser>;
using RequestHandle = std::unique_ptr<Request, RequestCloser>;

// proxyList in the Windows form ("http=host:port"); empty connects directly.
SessionHandle OpenSession(const Text& userAgent, const Text& proxyList);
ConnectionHandle Connect(Session& session, const Text& host, int port);
RequestHandle OpenRequest(Connection& connection, const Text& verb, const Text& path);

// Connect bounds the connection set-up, receive each silence while waiting
// for the answer, send each silence while the request goes out. total bounds
// everything from the start of SendRequest to the end of the body, every
// redirect included: once it has passed, SendRequest returns false and
// ReadBody kFailed, however steadily bytes still arrive.
void SetTimeouts(Request& request, int connectMs, int receiveMs, int sendMs, int totalMs);

// Sends the request with the header lines (each ending in CR LF) and the
// body, follows http redirects, and waits until the final response's headers
// have arrived. False when no response arrived.
bool SendRequest(Request& request, const Text& headers, const Bytes& body);

enum class ReadResult { kData, kEnd, kFailed };

// Delivers up to capacity bytes of the body; kEnd once the body has ended
// as the transport saw it, kFailed when reading failed or was cut short.
ReadResult ReadBody(Request& request, char* buffer, int capacity, int& delivered);

// Which transport this program has: "libcurl" or "WinINet". The two see
// some misbehaviour differently (the Windows functions cannot see a chunked
// body cut inside a chunk, and may fail the send of a reply that has no
// status line); the tests hold each to what it can see.
const char* TransportName();

// The final response's header block as received, lines ending in CR LF.
Text RawHeaders(Request& request);

}  // namespace animal_ids::internet
