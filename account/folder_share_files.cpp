#include "folder_share_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

namespace dovrix {

FolderShareFiles::FolderShareFiles(std::string folder) : folder_(std::move(folder)) {}

std::optional<QString> FolderShareFiles::resolve(const std::string& relativePath) const {
    const auto path = pathInFolder(folder_, relativePath, kPathStyle);
    if (!path) {
        return std::nullopt;
    }
    // Qt's own form of the path: on Windows \\fs1\dovrix$\Dovrix becomes //fs1/dovrix$/Dovrix,
    // elsewhere a backslash is part of a name and stays.
    return QDir::fromNativeSeparators(QString::fromStdString(*path));
}

std::optional<std::string> FolderShareFiles::read(const std::string& relativePath) {
    const auto path = resolve(relativePath);
    if (!path) {
        return std::nullopt;
    }
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return content.toStdString();
}

namespace {

bool writeWhole(QFileDevice& file, const std::string& content) {
    const auto size = static_cast<qint64>(content.size());
    return file.write(content.data(), size) == size;
}

} // namespace

bool FolderShareFiles::write(const std::string& relativePath, const std::string& content) {
    const auto path = resolve(relativePath);
    if (!path) {
        return false;
    }
    QSaveFile file(*path);
    // A folder the player may not create files in (a student's own file in Dovrix/ on the
    // school share) is written in place: better than nothing saved at all. QSaveFile does so
    // itself only on Unix; elsewhere the existing file is opened here.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        QFile existing(*path);
        return QFileInfo(*path).isFile() &&
               existing.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               writeWhole(existing, content) && existing.flush();
    }
    if (!writeWhole(file, content)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace dovrix
