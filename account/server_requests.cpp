#include "server_requests.h"

#include "account_protocol.h"

namespace dovrix {

using namespace protocol;

ServerRequest accountRequest(std::string_view base, std::string_view accountPath,
                             std::string_view operation, std::string_view user,
                             std::string_view password) {
    return {std::string(base),
            std::string(accountPath),
            {{kOperationParameter, std::string(operation)},
             {kUserParameter, std::string(user)},
             {kPasswordParameter, std::string(password)}}};
}

ServerRequest updateRequest(std::string_view base, std::string_view accountPath,
                            std::string_view user, std::string_view password, int16_t level) {
    ServerRequest request = accountRequest(base, accountPath, kUpdateOperation, user, password);
    request.query.emplace_back(kLevelParameter, std::to_string(level));
    return request;
}

ServerRequest parListRequest(std::string_view base, std::string_view parListPath) {
    return {std::string(base), std::string(parListPath), {}};
}

ServerRequest parUploadRequest(std::string_view base, std::string_view parListPath, int16_t level,
                               int32_t moves, int16_t oldPar) {
    return {std::string(base),
            std::string(parListPath),
            {{kUploadLevelParameter, std::to_string(level)},
             {kUploadMovesParameter, std::to_string(moves)},
             {kUploadParParameter, std::to_string(oldPar)}}};
}

} // namespace dovrix
