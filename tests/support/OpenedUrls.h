#pragma once

#include "platform/Workspace.h"

#include <QList>
#include <QUrl>

// Takes the desktop's place in opening URLs for as long as it lives, and keeps every URL it was given.
// With `opens` false it plays a desktop without a browser: nothing opens.
class OpenedUrls {
public:
    OpenedUrls() {
        platform::Workspace::shared().setOpener([this](const QUrl& url) {
            urls.append(url);
            return opens;
        });
    }
    ~OpenedUrls() { platform::Workspace::shared().setOpener({}); }
    OpenedUrls(const OpenedUrls&) = delete;
    OpenedUrls& operator=(const OpenedUrls&) = delete;

    QList<QUrl> urls;
    bool opens = true;
};
