#pragma once
// The progress share as a folder of the file system: a UNC path such as \\fs1\dovrix$ on
// Windows, a mounted network share elsewhere.

#include "share_files.h"
#include "share_path.h"

#include <QtGlobal>

namespace dovrix {

class FolderShareFiles : public ShareFiles {
public:
#ifdef Q_OS_WIN
    static constexpr PathStyle kPathStyle = PathStyle::Windows;
#else
    static constexpr PathStyle kPathStyle = PathStyle::Posix;
#endif

    explicit FolderShareFiles(std::string folder);

    // Paths that leave the folder (absolute ones, "..") are refused like missing files.
    std::optional<std::string> read(const std::string& relativePath) override;
    // Writes a temporary file beside the target and renames it over the target, so a crash
    // or a full disk leaves the old file whole. Where the folder does not let the player
    // create files, an existing file the player may write is overwritten in place. Missing
    // folders are not created.
    bool write(const std::string& relativePath, const std::string& content) override;

private:
    std::optional<QString> resolve(const std::string& relativePath) const;

    std::string folder_;
};

} // namespace dovrix
