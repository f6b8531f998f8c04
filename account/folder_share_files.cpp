#include "folder_share_files.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <string_view>

namespace dovrix {

FolderShareFiles::FolderShareFiles(std::string folder) : folder_(std::move(folder)) {}

std::optional<std::string> FolderShareFiles::resolve(const std::string& relativePath) const {
    if (folder_.empty() || relativePath.empty() || relativePath.front() == '/') {
        return std::nullopt;
    }
    std::string_view rest = relativePath;
    while (true) {
        const std::size_t slash = rest.find('/');
        if (rest.substr(0, slash) == "..") {
            return std::nullopt;
        }
        if (slash == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(slash + 1);
    }
    std::string path = folder_;
    if (path.back() != '/') {
        path.push_back('/');
    }
    return path + relativePath;
}

std::optional<std::string> FolderShareFiles::read(const std::string& relativePath) {
    const auto path = resolve(relativePath);
    if (!path) {
        return std::nullopt;
    }
    QFile file(QString::fromStdString(*path));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return content.toStdString();
}

bool FolderShareFiles::write(const std::string& relativePath, const std::string& content) {
    const auto path = resolve(relativePath);
    if (!path) {
        return false;
    }
    QSaveFile file(QString::fromStdString(*path));
    // A folder the player may not create files in (a student's own file in Dovrix/ on the
    // school share) is written in place: better than nothing saved at all.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const auto size = static_cast<qint64>(content.size());
    if (file.write(content.data(), size) != size) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace dovrix
