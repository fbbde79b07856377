#include "platform/TlsTrust.h"

#include <QSslCertificate>

namespace platform {

QSslConfiguration tlsConfiguration() {
    static const QSslConfiguration configuration = [] {
        QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
        const QString bundle = qEnvironmentVariable("SSL_CERT_FILE");
        if (!bundle.isEmpty()) {
            trusting.setCaCertificates(
                QSslCertificate::fromPath(bundle, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString));
        }
        return trusting;
    }();
    return configuration;
}

} // namespace platform
