#include "remotelog/RLHttpClient.h"

#include "platform/TlsTrust.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>

#include <memory>

namespace remotelog {

RLHttpClient::RLHttpClient(std::chrono::milliseconds timeout, qint64 answerLimit)
    : m_timeout(timeout), m_answerLimit(answerLimit) {}

RLHttpClient::~RLHttpClient() {
    if (!m_requests) {
        return;
    }
    // The manager, its replies and the lookups still out go with it; their handlers are connected through it.
    if (m_requests->thread() == QThread::currentThread()) {
        delete m_requests;
    } else {
        m_requests->deleteLater();
    }
}

QObject* RLHttpClient::requests() {
    if (!m_requests) {
        m_requests = new QObject;
    }
    return m_requests;
}

namespace {

// Made for the first request sent, not for a lookup: a name that does not resolve costs no manager.
QNetworkAccessManager* managerIn(QObject* requests) {
    auto* manager = requests->findChild<QNetworkAccessManager*>(QString(), Qt::FindDirectChildrenOnly);
    if (!manager) {
        manager = new QNetworkAccessManager(requests);
        manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    }
    return manager;
}

void send(QNetworkAccessManager* manager, std::chrono::milliseconds timeout, qint64 answerLimit,
          const QUrl& url, const RLHttpClient::Headers& headers, const QByteArray& body,
          RLHttpClient::Done done) {
    QNetworkRequest request(url);
    for (const auto& [name, value] : headers) {
        request.setRawHeader(name, value);
    }
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(int(timeout.count()));
    if (url.scheme() == QLatin1String("https")) {
        request.setSslConfiguration(platform::tlsConfiguration());
    }
    QNetworkReply* reply = manager->post(request, body);

    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, tooLarge, limit = answerLimit](qint64 received, qint64) {
                         if (received > limit && !*tooLarge) {
                             *tooLarge = true;
                             reply->abort();
                         }
                     });
    QObject::connect(reply, &QNetworkReply::finished, manager, [reply, tooLarge, done = std::move(done)] {
        reply->deleteLater();
        RLHttpResponse response;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool broken = reply->error() != QNetworkReply::NoError;
        if (*tooLarge) {
            response.transportError = QStringLiteral("answer too large");
        } else if (status <= 0 || (broken && status >= 200 && status <= 299)) {
            // No status, or a 2xx whose body broke off: no complete answer.
            response.transportError = reply->errorString();
            if (response.transportError.isEmpty()) {
                response.transportError = QStringLiteral("no answer");
            }
        } else {
            response.status = status;
            response.body = reply->readAll();
            // A connection reset mid-answer can end without an error: the length tells.
            bool declared = false;
            const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&declared);
            if (declared && response.body.size() < length) {
                response = {};
                response.transportError = QStringLiteral("answer cut off");
            }
        }
        done(response);
    });
}

} // namespace

void RLHttpClient::post(const QUrl& url, const Headers& headers, const QByteArray& body, Done done) {
    // An encrypted request loads the TLS stack (libssl, libcrypto and Qt's backend: about 6 MiB that stay
    // resident) before the name is looked up. Looked up first, a name that does not resolve, as the built-in
    // one, costs nothing of it. The lookup ends with the client.
    if (url.scheme() == QLatin1String("https") && QHostAddress(url.host()).isNull()) {
        // Bound to the requests' object, not to this client: a client dropped from another thread goes at
        // once, its object only later.
        QObject* const context = requests();
        QHostInfo::lookupHost(url.host(), context,
                              [context, timeout = m_timeout, limit = m_answerLimit, url, headers, body,
                               done = std::move(done)](const QHostInfo& found) {
                                  if (found.error() != QHostInfo::NoError) {
                                      RLHttpResponse response;
                                      response.transportError = found.errorString();
                                      done(response);
                                      return;
                                  }
                                  send(managerIn(context), timeout, limit, url, headers, body, done);
                              });
        return;
    }
    send(managerIn(requests()), m_timeout, m_answerLimit, url, headers, body, std::move(done));
}

} // namespace remotelog
