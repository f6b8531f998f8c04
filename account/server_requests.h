#pragma once
// The account server's requests as the game holds them: the base URL, the path below it and
// the query's parameters with their values as typed. The transport (QtHttpGet) writes the
// URL, percent-encoding every value.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dovrix {

struct ServerRequest {
    std::string base; // absolute, ends with '/'
    std::string path; // below the base: "dovrix/account", "dovrix/pars"
    // In order; none at all is a request without a query.
    std::vector<std::pair<std::string_view, std::string>> query;
};

// accountPath ?o=operation &u=user &p=password
ServerRequest accountRequest(std::string_view base, std::string_view accountPath,
                             std::string_view operation, std::string_view user,
                             std::string_view password);

// The account request of an update, with &l=level after the password.
ServerRequest updateRequest(std::string_view base, std::string_view accountPath,
                            std::string_view user, std::string_view password, int16_t level);

// parListPath, no query.
ServerRequest parListRequest(std::string_view base, std::string_view parListPath);

// parListPath ?Level=level &Moves=moves &Par=oldPar
ServerRequest parUploadRequest(std::string_view base, std::string_view parListPath, int16_t level,
                               int32_t moves, int16_t oldPar);

} // namespace dovrix
