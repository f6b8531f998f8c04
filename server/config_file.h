#pragma once
// The server's configuration file (--config FILE), as its system service reads it: one
// command-line option per line, named without its dashes.
//
//   # a comment
//   socket = /run/dovrix-account-server/account.sock   # nginx's door
//   log-requests

#include "expected.h"

#include <string>
#include <vector>

namespace dovrix::server {

// The arguments with each "--config FILE" replaced, in place, by the options FILE holds
// ("name = value" becomes --name value; a name alone, --name). Options after it still
// override. What went wrong names the file and line.
Expected<std::vector<std::string>> expandConfigFiles(const std::vector<std::string>& arguments);

} // namespace dovrix::server
