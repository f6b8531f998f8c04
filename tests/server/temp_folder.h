#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it, and a
// file's whole content.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

namespace dovrix::testing {

class TempFolder {
public:
    TempFolder() {
#ifdef _WIN32
        // No mkdtemp: a random name, taken only if nobody has it.
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate = std::filesystem::temp_directory_path() /
                                   ("dovrix-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) {
                path_ = candidate;
            }
        }
        if (path_.empty()) {
            throw std::runtime_error("cannot make a temporary folder");
        }
#else
        std::string pattern =
            (std::filesystem::temp_directory_path() / "dovrix-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot make a temporary folder");
        }
        path_ = pattern;
#endif
    }
    ~TempFolder() { std::filesystem::remove_all(path_, ignored_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
    std::error_code ignored_;
};

// nullopt when the file cannot be opened.
inline std::optional<std::string> fileContent(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return file ? std::optional(content.str()) : std::nullopt;
}

} // namespace dovrix::testing
