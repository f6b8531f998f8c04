#pragma once
// The progress share as a folder of the file system (a mounted network share at school).

#include "share_files.h"

namespace dovrix {

class FolderShareFiles : public ShareFiles {
public:
    explicit FolderShareFiles(std::string folder);

    // Paths that leave the folder (absolute ones, "..") are refused like missing files.
    std::optional<std::string> read(const std::string& relativePath) override;
    // Writes a temporary file beside the target and renames it over the target, so a crash
    // or a full disk leaves the old file whole. Where the folder does not let the player
    // create files, an existing file the player may write is overwritten in place. Missing
    // folders are not created.
    bool write(const std::string& relativePath, const std::string& content) override;

private:
    std::optional<std::string> resolve(const std::string& relativePath) const;

    std::string folder_;
};

} // namespace dovrix
