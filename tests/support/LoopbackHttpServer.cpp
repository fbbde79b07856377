#include "support/LoopbackHttpServer.h"

#include <QDir>
#include <QFile>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

namespace testsupport {

namespace {

constexpr size_t kFileChunk = 256 * 1024;

std::string text(const QByteArray& bytes) {
    return bytes.toStdString();
}

int localPort(int fd, bool peer) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const int result = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                            : ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    if (result != 0 || address.sin_family != AF_INET) {
        return -1;
    }
    return ntohs(address.sin_port);
}

// httplib does not hand a handler its socket; the connection is found among the process's descriptors by
// its two ports.
int socketOf(const httplib::Request& request) {
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString& name : descriptors.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const int fd = name.toInt(&ok);
        struct stat status {};
        if (!ok || ::fstat(fd, &status) != 0 || !S_ISSOCK(status.st_mode)) {
            continue;
        }
        if (localPort(fd, false) == request.local_port && localPort(fd, true) == request.remote_port) {
            return fd;
        }
    }
    return -1;
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(Scheme scheme) : scheme_(scheme) {
    if (scheme == Scheme::https) {
        const QByteArray certificate = QFile::encodeName(certificateFile());
        const QByteArray key = QFile::encodeName(QStringLiteral(LOOPBACK_TLS_KEY));
        server_ = std::make_unique<httplib::SSLServer>(certificate.constData(), key.constData());
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        dispatch(request, response);
    };
    server_->Get(".*", handler);
    server_->Post(".*", handler);
    server_->Put(".*", handler);
    server_->Patch(".*", handler);
    server_->Delete(".*", handler);
    server_->Options(".*", handler);
    // Idle keep-alive connections hold the server's threads; stop() should not wait long for them.
    server_->set_keep_alive_timeout(1);
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        return;
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server_->is_running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop();
}

bool LoopbackHttpServer::isListening() const {
    return port_ > 0 && server_->is_running();
}

QUrl LoopbackHttpServer::url(const QString& path) const {
    const QString scheme = scheme_ == Scheme::https ? QStringLiteral("https") : QStringLiteral("http");
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(port_).arg(path));
}

QString LoopbackHttpServer::certificateFile() {
    return QStringLiteral(LOOPBACK_TLS_CERTIFICATE);
}

void LoopbackHttpServer::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stallChanged_.notify_all();
    server_->stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void LoopbackHttpServer::route(const QByteArray& method, const QByteArray& path, Handler handler) {
    std::lock_guard lock(mutex_);
    routes_[{method.toUpper(), path}] = std::move(handler);
}

void LoopbackHttpServer::dispatch(const httplib::Request& request, httplib::Response& response) {
    RecordedRequest record;
    record.method = QByteArray::fromStdString(request.method);
    record.path = QByteArray::fromStdString(request.path);
    if (const auto mark = request.target.find('?'); mark != std::string::npos) {
        record.query = QByteArray::fromStdString(request.target.substr(mark + 1));
    }
    for (const auto& [name, value] : request.headers) {
        record.headers.insert(QByteArray::fromStdString(name).toLower(), QByteArray::fromStdString(value));
    }
    record.body = QByteArray::fromStdString(request.body);

    Handler handler;
    {
        std::lock_guard lock(mutex_);
        requests_.append(record);
        auto found = routes_.find({record.method, record.path});
        if (found == routes_.end()) {
            found = routes_.find({QByteArray(), record.path});
        }
        if (found != routes_.end()) {
            handler = found->second;
        }
    }
    if (handler) {
        handler(request, response);
    } else {
        response.status = 404;
    }
}

void LoopbackHttpServer::serveBody(const QByteArray& path, const QByteArray& body,
                                   const QMap<QByteArray, QByteArray>& headers, int status) {
    route({}, path,
          [body = text(body), headers, status](const httplib::Request&, httplib::Response& response) {
              std::string type = "application/octet-stream";
              for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
                  if (it.key().compare("content-type", Qt::CaseInsensitive) == 0) {
                      type = text(it.value());
                  } else {
                      response.set_header(text(it.key()), text(it.value()));
                  }
              }
              response.status = status;
              response.set_content(body, type);
          });
}

void LoopbackHttpServer::serveFile(const QByteArray& path, const QString& filePath) {
    route({}, path,
          [file = QFile::encodeName(filePath).toStdString()](const httplib::Request&,
                                                             httplib::Response& response) {
              const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
              struct stat status {};
              if (fd < 0 || ::fstat(fd, &status) != 0) {
                  if (fd >= 0) {
                      ::close(fd);
                  }
                  response.status = 404;
                  return;
              }
              response.set_content_provider(
                  static_cast<size_t>(status.st_size), "application/octet-stream",
                  [fd, buffer = std::make_shared<std::vector<char>>(kFileChunk)](size_t offset, size_t length,
                                                                                 httplib::DataSink& sink) {
                      const ssize_t got = ::pread(fd, buffer->data(), std::min(length, buffer->size()),
                                                  static_cast<off_t>(offset));
                      return got > 0 && sink.write(buffer->data(), static_cast<size_t>(got));
                  },
                  [fd](bool) { ::close(fd); });
          });
}

void LoopbackHttpServer::serveStatus(const QByteArray& path, int status, const QByteArray& body) {
    serveBody(path, body, {{"Content-Type", "text/plain"}}, status);
}

void LoopbackHttpServer::serveRedirect(const QByteArray& path, const QByteArray& location, int status) {
    route({}, path,
          [location = text(location), status](const httplib::Request&, httplib::Response& response) {
              response.set_redirect(location, status);
          });
}

void LoopbackHttpServer::serveShortBody(const QByteArray& path, const QByteArray& body,
                                        qint64 declaredLength) {
    route({}, path,
          [body = text(body), declaredLength](const httplib::Request&, httplib::Response& response) {
              response.set_content_provider(static_cast<size_t>(declaredLength), "application/octet-stream",
                                            [body](size_t offset, size_t, httplib::DataSink& sink) {
                                                if (offset == 0 && !body.empty()) {
                                                    sink.write(body.data(), body.size());
                                                }
                                                return false; // httplib closes the connection
                                            });
          });
}

void LoopbackHttpServer::serveStall(const QByteArray& path, const QByteArray& firstPart,
                                    qint64 declaredLength) {
    route(
        {}, path,
        [this, part = text(firstPart), declaredLength](const httplib::Request&, httplib::Response& response) {
            std::uint64_t generation = 0;
            {
                std::lock_guard lock(mutex_);
                generation = stallGeneration_;
            }
            response.set_content_provider(
                static_cast<size_t>(declaredLength), "application/octet-stream",
                [this, part, generation](size_t offset, size_t, httplib::DataSink& sink) {
                    if (offset == 0 && !part.empty() && !sink.write(part.data(), part.size())) {
                        return false;
                    }
                    waitWhileStalled(generation);
                    return false;
                });
        });
}

void LoopbackHttpServer::waitWhileStalled(std::uint64_t generation) {
    std::unique_lock lock(mutex_);
    stallChanged_.wait(lock, [&] { return stopping_ || stallGeneration_ != generation; });
}

void LoopbackHttpServer::serveReset(const QByteArray& path, const QByteArray& firstPart,
                                    qint64 declaredLength) {
    route({}, path,
          [part = text(firstPart), declaredLength](const httplib::Request& request,
                                                   httplib::Response& response) {
              const int fd = socketOf(request);
              response.set_content_provider(static_cast<size_t>(declaredLength), "application/octet-stream",
                                            [part, fd](size_t offset, size_t, httplib::DataSink& sink) {
                                                if (offset == 0 && !part.empty()) {
                                                    sink.write(part.data(), part.size());
                                                }
                                                // Let the first part arrive before the reset discards what is
                                                // still queued.
                                                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                                                if (fd >= 0) {
                                                    // Disconnecting a connected TCP socket sends RST; httplib
                                                    // still closes the descriptor.
                                                    sockaddr unspecified{};
                                                    unspecified.sa_family = AF_UNSPEC;
                                                    ::connect(fd, &unspecified, sizeof unspecified);
                                                }
                                                return false;
                                            });
          });
}

void LoopbackHttpServer::releaseStalls() {
    {
        std::lock_guard lock(mutex_);
        ++stallGeneration_;
    }
    stallChanged_.notify_all();
}

QList<RecordedRequest> LoopbackHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int LoopbackHttpServer::requestCount(const QByteArray& path) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(requests_.cbegin(), requests_.cend(),
                                          [&](const RecordedRequest& r) { return r.path == path; }));
}

void LoopbackHttpServer::clearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

} // namespace testsupport
