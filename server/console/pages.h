#pragma once
// The console's pages, rendered from the Mustache templates in templates/ (built into the
// program), which escape every value for HTML unless a template says otherwise.

#include <kainjow/mustache.hpp>

#include <string>
#include <string_view>

namespace dovrix::server::console {

using PageData = kainjow::mustache::data;
using PageList = kainjow::mustache::list;

// The page `name` (templates/NAME.mustache) with `data`, which the header and footer
// partials share. Throws std::runtime_error for a template that does not render.
std::string renderPage(std::string_view name, PageData data);

// The stylesheet, console.css.
std::string_view stylesheet();

// A path segment for a link: everything but letters, digits and -._~ percent-encoded.
std::string linkSegment(std::string_view text);

} // namespace dovrix::server::console
