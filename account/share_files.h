#pragma once
// Files on the school's progress share. Paths are relative to the share and use '/'.

#include <optional>
#include <string>

namespace dovrix {

class ShareFiles {
public:
    virtual ~ShareFiles() = default;
    // The whole file, or nullopt when it cannot be opened or read.
    virtual std::optional<std::string> read(const std::string& relativePath) = 0;
    // Creates or replaces the file, atomically where the folder allows it. Never creates
    // folders. False when the file could not be written.
    virtual bool write(const std::string& relativePath, const std::string& content) = 0;
};

} // namespace dovrix
