#pragma once
// Between cpp-httplib and the console: a console request read from an httplib request, and
// the console's reply written into an httplib response (streamed when it streams).

#include "console_http.h"

#include <httplib.h>

#include <string>

namespace dovrix::server::console {

// `path` is the request's path, percent-decoded, and `root` the console's ("/dovrix/console").
ConsoleRequest consoleRequestOf(const httplib::Request& request, const std::string& path,
                                const std::string& root, const Client& client, bool secure);
void writeConsoleReply(ConsoleReply reply, httplib::Response& response);

// A query string or url-encoded form body; malformed parts are skipped, and a name given
// twice keeps its first value.
Parameters parametersOf(std::string_view text);

} // namespace dovrix::server::console
