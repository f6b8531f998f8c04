#include "school_names.h"

#include "user_names.h"

namespace dovrix::server {

namespace {

bool isTrimmed(std::string_view text) {
    return !text.empty() && text.front() != ' ' && text.back() != ' ';
}

} // namespace

bool isAcceptableClassName(std::string_view name) {
    return isAcceptableText(name, 1, kLongestClassName) && isTrimmed(name) &&
           name.find(',') == std::string_view::npos;
}

bool isAcceptableTeacherName(std::string_view name) {
    return isAcceptableText(name, 1, kLongestSchoolName) && isTrimmed(name);
}

bool isAcceptableTeacherPassword(std::string_view password) {
    return isAcceptableText(password, kShortestTeacherPassword, kLongestTeacherPassword);
}

std::string nameKeyOf(std::string_view name) {
    return userKey(name);
}

} // namespace dovrix::server
