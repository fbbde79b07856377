#pragma once

#include <QSslConfiguration>

namespace platform {

// What an https request of the client trusts. Qt's TLS backend trusts the system's certificate folders and
// ignores SSL_CERT_FILE, the bundle OpenSSL's programs are told to trust; when it is set, its certificates
// are trusted in their place. Read once, on the first encrypted request; any thread.
QSslConfiguration tlsConfiguration();

} // namespace platform
