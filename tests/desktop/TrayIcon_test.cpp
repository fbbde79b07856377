// The tray icon as a panel receives it: pixels that read on dark and light panels, a tooltip that names
// the connection state, a start that complains about nothing, and its menu where a host asks for it.
#include "DesktopScenario.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QImage>

using namespace desktop;

namespace {

// The largest image of the item's IconPixmap property (a(iiay): width, height, ARGB32 in network order).
QImage largestIconPixmap(const QVariant& property) {
    QImage largest;
    if (!property.canConvert<QDBusArgument>()) {
        return largest;
    }
    const QDBusArgument argument = property.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        if (width <= largest.width() || bytes.size() < qsizetype(width) * height * 4) {
            continue;
        }
        QImage image(width, height, QImage::Format_ARGB32);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const auto* p =
                    reinterpret_cast<const uchar*>(bytes.constData()) + (qsizetype(y) * width + x) * 4;
                image.setPixel(x, y, qRgba(p[1], p[2], p[3], p[0]));
            }
        }
        largest = image;
    }
    argument.endArray();
    return largest;
}

// The tooltip's title (ToolTip is (sa(iiay)ss): icon name, pixmaps, title, text).
QString toolTipTitle(const QVariant& property) {
    if (!property.canConvert<QDBusArgument>()) {
        return {};
    }
    const QDBusArgument argument = property.value<QDBusArgument>();
    QString iconName;
    QString title;
    QString text;
    argument.beginStructure();
    argument >> iconName;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
    }
    argument.endArray();
    argument >> title >> text;
    argument.endStructure();
    return title;
}

using TrayIconTest = DesktopScenario;

} // namespace

TEST_F(TrayIconTest, TheIconIsLightInsideADarkOutlineAndTheToolTipNamesTheState) {
    startClient();
    waitForTrayItem();
    QImage icon;
    ASSERT_TRUE(waitFor([&] {
        icon = largestIconPixmap(session->tray()->itemProperty(QStringLiteral("IconPixmap")));
        return !icon.isNull();
    })) << "the item has no icon";
    int light = 0;
    int dark = 0;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const QColor pixel = icon.pixelColor(x, y);
            if (pixel.alpha() > 200) {
                light += pixel.lightness() > 230 ? 1 : 0;
                dark += pixel.lightness() < 60 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(light, 0) << "nothing light to see on a dark panel";
    EXPECT_GT(dark, 0) << "nothing dark to see on a light panel";

    QString toolTip;
    waitFor([&] {
        toolTip = toolTipTitle(session->tray()->itemProperty(QStringLiteral("ToolTip")));
        return toolTip.contains(QStringLiteral("Disconnected"));
    });
    EXPECT_EQ(toolTip, QStringLiteral("Veltrix: Disconnected"));
}

TEST_F(TrayIconTest, AStartWithATrayComplainsAboutNothing) {
    startClient();
    waitForTrayItem();
    ASSERT_TRUE(
        waitFor([&] { return !session->tray()->itemProperty(QStringLiteral("IconPixmap")).isNull(); }));
    ASSERT_TRUE(waitFor([&] {
        const std::optional<TrayHost::MenuEntry> menu = session->tray()->menu();
        return menu && menu->find(QStringLiteral("Sign In"));
    }));
    const QString output = session->clientLog();
    for (const char* complaint : {"No Icon set", "No content for view"}) {
        EXPECT_FALSE(output.contains(QLatin1String(complaint))) << complaint;
    }
}

TEST_F(TrayIconTest, AHostsContextMenuCallShowsTheTrayMenuAtItsPosition) {
    startClient();
    waitForTrayItem();
    runEventsFor(1000); // the client starts hearing what the host asks of its icon
    const QPoint asked(session->x11().screenGeometry().center().x(), 14);
    // A menu is no window a manager lists, nor one accessibility lists: seen on the screen, right of and
    // below the position, not left of it.
    const QPoint inside = asked + QPoint(20, 20);
    const QPoint before = asked + QPoint(-20, 20);
    const QColor desktop = session->x11().pixel(inside);
    session->tray()->contextMenu(asked);
    EXPECT_TRUE(waitFor([&] { return session->x11().pixel(inside) != desktop; })) << "no menu showed there";
    EXPECT_EQ(session->x11().pixel(before), desktop);
}
