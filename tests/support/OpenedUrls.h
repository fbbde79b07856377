#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QUrl>

// Takes the desktop's place in opening URLs of the given schemes, for as long as it lives, and keeps them.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    explicit OpenedUrls(QStringList schemes) : m_schemes(std::move(schemes)) {
        for (const QString& scheme : m_schemes) {
            QDesktopServices::setUrlHandler(scheme, this, "open");
        }
    }
    ~OpenedUrls() override {
        for (const QString& scheme : m_schemes) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }

    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls.append(url); }

private:
    QStringList m_schemes;
};
