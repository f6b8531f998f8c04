#include "request_urls.h"

#include "account_protocol.h"

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

namespace {

// Appends separator + name + '=' + value, the value percent-encoded.
void appendParameter(std::string& url, char separator, std::string_view name,
                     std::string_view value) {
    url.push_back(separator);
    url.append(name).push_back('=');
    url.append(percentEncode(value));
}

} // namespace

std::string accountRequestUrl(std::string_view base, std::string_view accountPath,
                              std::string_view operation, std::string_view user,
                              std::string_view password) {
    std::string url;
    url.append(base).append(accountPath);
    appendParameter(url, '?', protocol::kOperationParameter, operation);
    appendParameter(url, '&', protocol::kUserParameter, user);
    appendParameter(url, '&', protocol::kPasswordParameter, password);
    return url;
}

std::string updateRequestUrl(std::string_view base, std::string_view accountPath,
                             std::string_view user, std::string_view password, int16_t level) {
    std::string url =
        accountRequestUrl(base, accountPath, protocol::kUpdateOperation, user, password);
    appendParameter(url, '&', protocol::kLevelParameter, std::to_string(level));
    return url;
}

std::string parListUrl(std::string_view base, std::string_view parListPath) {
    std::string url;
    url.append(base).append(parListPath);
    return url;
}

std::string parUploadUrl(std::string_view base, std::string_view parListPath, int16_t level,
                         int32_t moves, int16_t oldPar) {
    std::string url = parListUrl(base, parListPath);
    appendParameter(url, '?', protocol::kUploadLevelParameter, std::to_string(level));
    appendParameter(url, '&', protocol::kUploadMovesParameter, std::to_string(moves));
    appendParameter(url, '&', protocol::kUploadParParameter, std::to_string(oldPar));
    return url;
}

} // namespace dovrix
