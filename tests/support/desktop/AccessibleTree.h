#pragma once

// The client's widgets as assistive technology reads them (AT-SPI, served on the desktop's own bus): role,
// name, states and extents on the screen. A scenario finds a button by its text and clicks its middle
// through XTest, and reads the texts a window shows. Reads are live; a window that is not showing has no
// nodes.

#include <QDBusConnection>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class PrivateBus;
class QObject;

namespace desktop {

class AccessibleTree {
public:
    // `clientScale` is the client's QT_SCALE_FACTOR: Qt 6.4's AT-SPI bridge gives extents in Qt's own
    // (scaled) pixels rather than the screen's, so they are multiplied back into the screen's.
    explicit AccessibleTree(PrivateBus& bus, double clientScale = 1.0);
    ~AccessibleTree();

    bool isRunning() const { return m_running; }

    struct Node {
        QString role;  // AT-SPI role name: "push button", "label", "frame", "check box", "text", ...
        QString name;  // a button's or label's text, a window's title
        QRect extents; // on the screen, in its pixels
        bool enabled = false;
        bool focusable = false;
        bool focused = false;
        bool checked = false;
        bool selected = false;
        int depth = 0; // 0 for a top-level window
        QRect window;  // the extents of the top-level window it is in
    };

    // Every showing node of process `pid`, depth first, each window followed by what it holds.
    std::vector<Node> showing(qint64 pid);
    // The first showing node named `name` with this role (any role when empty), inside `area` on the screen
    // when one is given.
    std::optional<Node> find(qint64 pid, const QString& role, const QString& name, const QRect& area = {});
    // The names of the showing nodes (labels, buttons, ...) inside `area` on the screen, in tree order; the
    // names lists and their rows carry for screen readers are left out, so each text shown counts once.
    QStringList textsWithin(qint64 pid, const QRect& area);

private:
    QString applicationOf(qint64 pid);
    void collect(const QString& service, const QString& path, int depth, const QRect& window,
                 std::vector<Node>& nodes);

    QDBusConnection m_serviceBus;
    QDBusConnection m_readerBus;
    std::unique_ptr<QObject> m_service;
    double m_clientScale = 1.0;
    bool m_running = false;
    qint64 m_cachedPid = 0;
    QString m_cachedApplication;
};

} // namespace desktop
