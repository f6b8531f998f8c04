#include "system_settings.h"

#include "folder_share_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSslCertificate>
#include <QUrl>

#include <array>

namespace dovrix {

namespace {

// Where the settings were found, as an administrator names it: the registry key on Windows;
// elsewhere the first configuration folder that holds the file (QSettings names only the
// first folder, the one it would write to).
QString settingsFileIn(const QSettings& settings) {
#ifdef Q_OS_WIN
    Q_UNUSED(settings);
    return QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Dovrix\\Dovrix");
#else
    const QString folders = qEnvironmentVariable("XDG_CONFIG_DIRS");
    for (const QString& folder : (folders.isEmpty() ? QStringLiteral("/etc/xdg") : folders)
                                     .split(u':', Qt::SkipEmptyParts)) {
        const QString file = folder + QStringLiteral("/Dovrix/Dovrix.conf");
        if (QFileInfo::exists(file)) {
            return file;
        }
    }
    return settings.fileName();
#endif
}

} // namespace

MachineSettings readMachineSettings() {
    const QSettings settings(QSettings::NativeFormat, QSettings::SystemScope,
                             QStringLiteral("Dovrix"), QStringLiteral("Dovrix"));
    MachineSettings machine{
        .location = QDir::toNativeSeparators(settingsFileIn(settings)).toStdString(), .values = {}};
    static constexpr std::array kNames = {"ServerUrl", "ProgressShare", "CaFile", "DistrictDomain",
                                          "HomeDrive"};
    for (const char* name : kNames) {
        const QVariant value = settings.value(QLatin1String(name));
        // A configuration file reads a value with commas as a list (a registry value of
        // several strings too); the setting is the text as written.
        const QString text = value.typeId() == QMetaType::QStringList
                                 ? value.toStringList().join(u',')
                                 : value.toString();
        if (!text.isEmpty()) {
            machine.values.emplace(name, text.toStdString());
        }
    }
    return machine;
}

std::optional<std::string> SystemSettingChecks::folderProblem(const std::string& folder) const {
    if (isFullPath(folder, FolderShareFiles::kPathStyle)) {
        return std::nullopt;
    }
    return FolderShareFiles::kPathStyle == PathStyle::Windows
               ? "it is not a full path such as \\\\fs1\\dovrix$ or H:\\dovrix"
               : "it is not a full path such as /mnt/dovrix$";
}

std::optional<std::string>
SystemSettingChecks::authorityFileProblem(const std::string& file) const {
    const QString path = QString::fromStdString(file);
    const QFileInfo info(path);
    if (!info.exists()) {
        return "the file does not exist";
    }
    QFile content(path);
    if (!info.isFile() || !content.open(QIODevice::ReadOnly)) {
        return "the file cannot be read";
    }
    if (QSslCertificate::fromData(content.readAll(), QSsl::Pem).isEmpty()) {
        return "the file holds no certificate (PEM)";
    }
    return std::nullopt;
}

std::optional<std::string> SystemSettingChecks::serverUrlProblem(const std::string& url) const {
    const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
    const bool usable = address.isValid() &&
                        (address.scheme() == u"http" || address.scheme() == u"https") &&
                        !address.host().isEmpty() && address.port() != 0 &&
                        // Names and passwords do not belong in a shared setting.
                        address.userInfo().isEmpty() && !address.hasQuery() &&
                        !address.hasFragment();
    if (usable) {
        return std::nullopt;
    }
    return "it is not an http:// or https:// address with a server name";
}

} // namespace dovrix
