#include "user_names.h"

#include "text_case.h"
#include "utf8.h"

namespace dovrix {

bool isAcceptableText(std::string_view text, std::size_t least, std::size_t most) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    const auto length = utf16Length(text);
    return length && *length >= least && *length <= most;
}

std::string userKey(std::string_view user) {
    return toLowerCase(user);
}

bool isSchoolLogOnName(std::string_view user) {
    return user.find('.') != std::string_view::npos;
}

} // namespace dovrix
