#include "request_urls.h"

namespace dovrix {

std::string percentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                                byte == '_' || byte == '~';
        if (unreserved) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0x0F]);
        }
    }
    return out;
}

std::string accountRequestUrl(std::string_view base, std::string_view accountPath,
                              std::string_view operation, std::string_view user,
                              std::string_view password) {
    std::string url;
    url.append(base).append(accountPath);
    url.append("?o=").append(percentEncode(operation));
    url.append("&u=").append(percentEncode(user));
    url.append("&p=").append(percentEncode(password));
    return url;
}

std::string updateRequestUrl(std::string_view base, std::string_view accountPath,
                             std::string_view user, std::string_view password, int16_t level) {
    return accountRequestUrl(base, accountPath, "update", user, password) +
           "&l=" + std::to_string(level);
}

std::string parListUrl(std::string_view base, std::string_view parListPath) {
    std::string url;
    url.append(base).append(parListPath);
    return url;
}

std::string parUploadUrl(std::string_view base, std::string_view parListPath, int16_t level,
                         int32_t moves, int16_t oldPar) {
    return parListUrl(base, parListPath) + "?Level=" + std::to_string(level) +
           "&Moves=" + std::to_string(moves) + "&Par=" + std::to_string(oldPar);
}

} // namespace dovrix
