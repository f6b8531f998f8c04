#include "pages.h"

#include <array>
#include <stdexcept>
#include <utility>

namespace dovrix {
// Generated from templates/*.mustache and console.css (server/CMakeLists.txt).
extern const std::string_view kConsoleTemplate_header;
extern const std::string_view kConsoleTemplate_footer;
extern const std::string_view kConsoleTemplate_sign_in;
extern const std::string_view kConsoleTemplate_classes;
extern const std::string_view kConsoleTemplate_class;
extern const std::string_view kConsoleTemplate_student;
extern const std::string_view kConsoleTemplate_student_password;
extern const std::string_view kConsoleTemplate_student_export;
extern const std::string_view kConsoleTemplate_student_delete;
extern const std::string_view kConsoleTemplate_pars;
extern const std::string_view kConsoleTemplate_teachers;
extern const std::string_view kConsoleTemplate_own_password;
extern const std::string_view kConsoleTemplate_message;
extern const std::string_view kConsoleStylesheet;
} // namespace dovrix

namespace dovrix::server::console {

namespace {

const std::array<std::pair<std::string_view, const std::string_view*>, 11> kPages = {{
    {"sign_in", &kConsoleTemplate_sign_in},
    {"classes", &kConsoleTemplate_classes},
    {"class", &kConsoleTemplate_class},
    {"student", &kConsoleTemplate_student},
    {"student_password", &kConsoleTemplate_student_password},
    {"student_export", &kConsoleTemplate_student_export},
    {"student_delete", &kConsoleTemplate_student_delete},
    {"pars", &kConsoleTemplate_pars},
    {"teachers", &kConsoleTemplate_teachers},
    {"own_password", &kConsoleTemplate_own_password},
    {"message", &kConsoleTemplate_message},
}};

} // namespace

std::string renderPage(std::string_view name, PageData data) {
    for (const auto& [page, text] : kPages) {
        if (page != name) {
            continue;
        }
        data.set("header", std::string(kConsoleTemplate_header));
        data.set("footer", std::string(kConsoleTemplate_footer));
        kainjow::mustache::mustache tmpl{std::string(*text)};
        std::string html = tmpl.render(data);
        if (!tmpl.is_valid()) {
            throw std::runtime_error("page " + std::string(name) + ": " + tmpl.error_message());
        }
        return html;
    }
    throw std::runtime_error("no page " + std::string(name));
}

std::string_view stylesheet() {
    return kConsoleStylesheet;
}

std::string linkSegment(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out.push_back(c);
        } else {
            out += {'%', kHex[byte >> 4], kHex[byte & 0x0F]};
        }
    }
    return out;
}

} // namespace dovrix::server::console
