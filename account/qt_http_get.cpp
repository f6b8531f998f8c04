#include "qt_http_get.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslError>
#include <QStringList>
#include <QTimer>
#include <QUrlQuery>

#include <iostream>
#include <memory>

namespace dovrix {

namespace {

// Errors below 200 are those of the transfer itself (connection, host, time-out, proxy);
// content and protocol errors above come with an HTTP reply whose body is still the answer.
bool isTransferFailure(QNetworkReply::NetworkError error) {
    return error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

// One line for whoever looks after the computer: the player's box only says that the server
// could not be reached. The URL goes without its query, which holds the name and password.
void reportTlsFailure(const QUrl& address, const QList<QSslError>& certificateErrors,
                      const QString& transferError) {
    QStringList reasons;
    for (const QSslError& error : certificateErrors) {
        reasons << error.errorString();
    }
    if (reasons.isEmpty()) {
        reasons << transferError;
    }
    const QString url =
        address.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment)
            .toString();
    std::cerr << "dovrix: TLS failed for " << url.toStdString() << ": "
              << reasons.join(QStringLiteral("; ")).toStdString() << std::endl;
}

} // namespace

QUrl requestUrl(const ServerRequest& request) {
    QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(request.base + request.path),
                                 QUrl::StrictMode);
    if (!request.query.empty()) {
        // QUrlQuery leaves '+' and '/' as they are; values encoded first carry them through.
        QUrlQuery query;
        for (const auto& [name, value] : request.query) {
            query.addQueryItem(
                QString::fromLatin1(QByteArray(name.data(), static_cast<qsizetype>(name.size()))),
                QString::fromLatin1(QUrl::toPercentEncoding(QByteArray::fromStdString(value))));
        }
        url.setQuery(query);
    }
    return url;
}

QtHttpGet::QtHttpGet(QObject* parent) : QObject(parent) {
    // A reply arrives whole or not at all; redirects are followed like a browser would.
    manager_.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

void QtHttpGet::trustAuthoritiesFrom(const std::string& pemFile) {
    // Authorities given explicitly stop Qt from loading the system's when it needs them, so
    // the system's are listed too.
    if (tls_.caCertificates().isEmpty()) {
        tls_.setCaCertificates(QSslConfiguration::systemCaCertificates());
    }
    tls_.addCaCertificates(QSslCertificate::fromPath(QString::fromStdString(pemFile), QSsl::Pem,
                                                     QSslCertificate::PatternSyntax::FixedString));
}

std::optional<std::string> QtHttpGet::get(const ServerRequest& serverRequest) {
    const QUrl address = requestUrl(serverRequest);
    if (!address.isValid() || address.isRelative()) {
        return std::nullopt;
    }
    QNetworkRequest request(address);
    // A certificate that no trusted authority vouches for aborts the transfer (a failure of
    // the transfer, below); it is never accepted, and nothing is retried over plain http.
    request.setSslConfiguration(tls_);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);

    if (waiting_++ == 0) {
        emit waitingChanged(true);
    }
    std::unique_ptr<QNetworkReply> reply(manager_.get(request));
    QList<QSslError> certificateErrors;
    connect(reply.get(), &QNetworkReply::sslErrors, reply.get(),
            [&certificateErrors](const QList<QSslError>& errors) { certificateErrors = errors; });
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(&deadline, &QTimer::timeout, reply.get(), &QNetworkReply::abort);
    deadline.start(timeout_);
    if (!reply->isFinished()) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    deadline.stop();
    if (--waiting_ == 0) {
        emit waitingChanged(false);
    }

    if (reply->error() == QNetworkReply::SslHandshakeFailedError) {
        reportTlsFailure(address, certificateErrors, reply->errorString());
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (isTransferFailure(reply->error()) || !status.isValid()) {
        return std::nullopt;
    }
    return reply->readAll().toStdString();
}

} // namespace dovrix
