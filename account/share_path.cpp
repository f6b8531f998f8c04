#include "share_path.h"

namespace dovrix {

namespace {

bool isSeparator(char c, PathStyle style) {
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

bool isFullPath(std::string_view folder, PathStyle style) {
    if (style == PathStyle::Posix) {
        return folder.starts_with('/');
    }
    const auto separator = [](char c) { return isSeparator(c, PathStyle::Windows); };
    if (folder.size() >= 3 && isLetter(folder[0]) && folder[1] == ':' && separator(folder[2])) {
        return true;
    }
    // \\server\share: two separators, a server name, a separator and a share name.
    if (folder.size() < 2 || !separator(folder[0]) || !separator(folder[1])) {
        return false;
    }
    const std::string_view rest = folder.substr(2);
    const std::size_t end = rest.find_first_of("\\/");
    return end != 0 && end != std::string_view::npos && end + 1 < rest.size() &&
           !separator(rest[end + 1]);
}

std::optional<std::string> pathInFolder(std::string_view folder, std::string_view relativePath,
                                        PathStyle style) {
    if (folder.empty() || relativePath.empty() || isSeparator(relativePath.front(), style) ||
        // A colon in a Windows name would name a drive or a file's hidden stream.
        (style == PathStyle::Windows && relativePath.find(':') != std::string_view::npos)) {
        return std::nullopt;
    }
    const char separator = style == PathStyle::Windows ? '\\' : '/';
    std::string path(folder);
    if (!isSeparator(path.back(), style)) {
        path.push_back(separator);
    }
    std::size_t partStart = 0;
    for (std::size_t i = 0; i <= relativePath.size(); ++i) {
        if (i < relativePath.size() && !isSeparator(relativePath[i], style)) {
            path.push_back(relativePath[i]);
            continue;
        }
        if (relativePath.substr(partStart, i - partStart) == "..") {
            return std::nullopt;
        }
        if (i < relativePath.size()) {
            path.push_back(separator);
        }
        partStart = i + 1;
    }
    return path;
}

} // namespace dovrix
