#pragma once
// Where the account server and the progress share are, and how the school network is known.
// Built in at compile time (CMake cache variables); DOVRIX_SERVER_URL and
// DOVRIX_PROGRESS_SHARE override the server's base URL and the share for deployment and tests,
// and DOVRIX_CA_FILE names certificates to trust besides the system's.

#include "environment.h"

#include <string>

namespace dovrix {

struct Deployment {
    std::string serverUrl;     // absolute, ends with '/'
    std::string accountPath;   // "dovrix/account" by default
    std::string parListPath;   // "dovrix/pars" by default
    std::string progressShare; // the folder that holds Dovrix/ and Dovrix/NewPars/
    std::string districtDomain = "VORNA";
    std::string homeDrive = "H:";
    // A PEM file of authorities trusted for https:// besides the system's (a school's own,
    // or a test's); empty for the system's alone.
    std::string caFile;

    // The built-in values with the environment's overrides applied.
    static Deployment fromEnvironment(const Environment& environment);
};

} // namespace dovrix
