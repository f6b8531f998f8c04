#pragma once
// Paths on the progress share, by the rules of the system the game runs on: on Windows a
// share is a UNC path such as \\fs1\dovrix$ (or a folder on a drive, H:\dovrix), elsewhere a
// folder such as /mnt/dovrix$.

#include <optional>
#include <string>
#include <string_view>

namespace dovrix {

enum class PathStyle { Posix, Windows };

// Whether the folder is a full path, the same whatever the program's working folder:
// \\server\share or a drive's X:\ on Windows ('/' counts as '\'), a path from '/' elsewhere.
bool isFullPath(std::string_view folder, PathStyle style);

// The file at `relativePath` (parts separated by '/') inside `folder`, written with the
// system's separator; nullopt when the relative path is empty, absolute or has a ".." part,
// so that no name can reach outside the folder. On Windows '\' separates parts too, and a
// name with a colon (a drive, a file's stream) is refused.
std::optional<std::string> pathInFolder(std::string_view folder, std::string_view relativePath,
                                        PathStyle style);

} // namespace dovrix
