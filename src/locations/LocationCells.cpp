#include "locations/LocationCells.h"

#include "locations/LocationsPopups.h"
#include "platform/Bundle.h"
#include "toolkit/Colors.h"
#include "toolkit/FlagImageCache.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedLayout>

#include <algorithm>

namespace {

constexpr int kSideMargin = 16;
constexpr int kBadgeSize = 12;
constexpr double kRowRadius = 5.0;

// Rows come and go while the list scrolls: their images are loaded and rendered once. Kept for the
// process (never destroyed after the application object).
const QIcon& bundleImage(const char* name) {
    static auto* images = new QHash<QString, QIcon>;
    const QString key = QString::fromLatin1(name);
    auto found = images->find(key);
    if (found == images->end()) {
        found = images->insert(key, platform::Bundle::main().image(key));
    }
    return *found;
}

const QPixmap& badgePixmap(bool isPrivate) {
    static const auto* privateBadge =
        new QPixmap(bundleImage("location_badge_private").pixmap(QSize(kBadgeSize, kBadgeSize) * 2));
    static const auto* publicBadge =
        new QPixmap(bundleImage("location_badge_public").pixmap(QSize(kBadgeSize, kBadgeSize) * 2));
    return isPrivate ? *privateBadge : *publicBadge;
}

// A flat button that shows only its image.
NSButtonWithHandCursor* imageButton(const char* image, int size) {
    auto* button = new NSButtonWithHandCursor;
    button->setFlat(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setFixedSize(size, size);
    button->setIconSize(QSize(size, size));
    button->setIcon(bundleImage(image));
    return button;
}

// A full-size look (hover, selection) under the row's content, hidden until switched on.
NSViewLayerBacked* lookView(QWidget* parent, const QColor& color) {
    auto* view = new NSViewLayerBacked(parent);
    view->setBgColor(color);
    view->setCornerRadius(kRowRadius);
    view->setAttribute(Qt::WA_TransparentForMouseEvents);
    view->hide();
    return view;
}

QSize flagPixels(const QWidget* view) {
    const int side = qRound(LocationCellView::kFlagSize * std::max(2.0, view->devicePixelRatioF()));
    return QSize(side, side);
}

// The gradient behind the automatic row: it follows the row's bounds.
class GradientView : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient gradient(QPointF(0, height() / 2.0), QPointF(width(), height() / 2.0));
        gradient.setColorAt(0.0, AutomaticLocationCellView::leftGradientColor());
        gradient.setColorAt(1.0, AutomaticLocationCellView::rightGradientColor());
        painter.setOpacity(0.4);
        painter.fillRect(rect(), gradient);
    }
};

void fillBehind(QWidget* parent, QWidget* look) {
    look->setGeometry(parent->rect());
    look->lower();
}

} // namespace

// LocationCellView -----------------------------------------------------------------------------------------

LocationCellView::LocationCellView(QWidget* parent) : QWidget(parent) {
    m_hoveredView = lookView(this, QColor(0xFF, 0xFF, 0xFF, 0x0D));
    m_selectedView = lookView(this, QColor(0x26, 0x64, 0xCB, 0x80));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kSideMargin, 0, kSideMargin - 4, 0);
    row->setSpacing(12);

    // The flag with its badge on the lower right edge.
    auto* flagHolder = new QWidget;
    flagHolder->setFixedSize(kFlagSize + 4, kFlagSize + 4);
    m_flagImageView = new NSImageViewLayerBacked(flagHolder);
    m_flagImageView->setGeometry(0, 2, kFlagSize, kFlagSize);
    m_flagAccessImageView = new QLabel(flagHolder);
    m_flagAccessImageView->setGeometry(kFlagSize + 4 - kBadgeSize, kFlagSize + 4 - kBadgeSize, kBadgeSize,
                                       kBadgeSize);
    m_flagAccessImageView->setScaledContents(true);
    row->addWidget(flagHolder);

    m_locationTitleField = new ElidedLabel(toolkit::interFont(14, QFont::Light), Qt::white);
    row->addWidget(m_locationTitleField, 1);

    auto* splitTunnel = imageButton("locationSplitTunnel", 20);
    m_splitTunnelButton = splitTunnel;
    connect(splitTunnel, &QAbstractButton::clicked, this,
            [this] { showSplitTunnelPopover(m_splitTunnelButton); });
    row->addWidget(splitTunnel);

    auto* favourite = imageButton("favorite_off", 20);
    favourite->setCheckable(true);
    m_favouriteButton = favourite;
    connect(favourite, &QAbstractButton::clicked, this, [this] { emit favoriteTapped(this); });
    row->addWidget(favourite);

    m_separatorView = new NSViewLayerBacked(this);
    m_separatorView->setBgColor(QColor(0xFF, 0xFF, 0xFF, 0x1A));
    m_separatorView->setAttribute(Qt::WA_TransparentForMouseEvents);
    setCursor(Qt::PointingHandCursor);
}

LocationCellView::~LocationCellView() = default;

void LocationCellView::configure(const PDNetworkItemPtr& location, const QString& searchText) {
    m_location = location;
    const PDCacheableImagePtr flag = location ? location->flagImage() : nullptr;
    m_flagImageURL = flag ? flag->imageUrl() : std::nullopt;
    if (!flag || !m_flagImageURL) {
        setFlagImage(QImage());
    } else if (const auto cached =
                   FlagImageCache::shared().cached(FlagImageCache::keyOf(flag), flagPixels(this))) {
        setFlagImage(*cached);
    } else {
        setFlagImage(QImage());
        const std::optional<QString> id = location->id();
        const std::optional<QUrl> url = m_flagImageURL;
        FlagImageCache::shared().load(flag, flagPixels(this), this, [this, id, url](const QImage& image) {
            // The row may show another location by now: then the flag is not its.
            if (m_location && m_location->id() == id && m_flagImageURL == url) {
                setFlagImage(image);
            }
        });
    }

    const bool favorite = location && location->isFavorite();
    m_favouriteButton->setChecked(favorite);
    m_favouriteButton->setIcon(bundleImage(favorite ? "favorite_on" : "favorite_off"));
    m_splitTunnelButton->setVisible(location && location->isSplitTunnelingEnabled());
    m_title = location ? location->locationTitle() : QString();
    m_locationTitleField->setAttributedText(highlightedString(m_title, searchText, Qt::white,
                                                              toolkit::interFont(14, QFont::Light), Qt::white,
                                                              toolkit::interFont(14, QFont::Medium)));
    setToolTip(m_title);                         // the name, whole, wherever the row cut it
    m_flagImageView->setAccessibleName(m_title); // a flag is read as its country
    // Every row has a star: heard alone, each must say whose it is.
    m_favouriteButton->setAccessibleName(QStringLiteral("Favorite ") + m_title);
    m_splitTunnelButton->setAccessibleName(QStringLiteral("Split Tunneling ") + m_title);
    const bool isPrivate = location && location->isPrivate();
    m_flagAccessImageView->setPixmap(badgePixmap(isPrivate));
    m_flagAccessImageView->setProperty("badge", isPrivate ? QStringLiteral("location_badge_private")
                                                          : QStringLiteral("location_badge_public"));
}

void LocationCellView::setFlagImage(const QImage& image) {
    m_flagImage = image;
    m_flagImageView->setImage(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
    m_flagImageView->roundCorners();
    m_flagImageView->setMasksToBounds(true);
}

void LocationCellView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fillBehind(this, m_hoveredView);
    fillBehind(this, m_selectedView);
    m_separatorView->setGeometry(kSideMargin, height() - 1, width() - 2 * kSideMargin, 1);
}

void LocationCellView::select() {
    m_selectedView->show();
}
void LocationCellView::deselect() {
    m_selectedView->hide();
}
void LocationCellView::showSeparator() {
    m_separatorView->show();
}
void LocationCellView::hideSeparator() {
    m_separatorView->hide();
}
void LocationCellView::hover() {
    m_hoveredView->show();
}
void LocationCellView::unhover() {
    m_hoveredView->hide();
}

void LocationCellView::showSplitTunnelPopover(QWidget* sender) {
    LocationsPopupController::present(m_popover, LocationPopupState::splitTunnel, sender);
}

// AutomaticLocationCellView --------------------------------------------------------------------------------

AutomaticLocationCellView::AutomaticLocationCellView(QWidget* parent) : QWidget(parent) {
    m_gradientView = new GradientView(this);
    m_gradientView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_hoveredView = lookView(this, QColor(0xFF, 0xFF, 0xFF, 0x14));
    m_hoveredView->setCornerRadius(0.0);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kSideMargin, 0, kSideMargin - 4, 0);
    row->setSpacing(12);
    auto* icon = new QLabel;
    constexpr int kFlagSize = LocationCellView::kFlagSize;
    icon->setFixedSize(kFlagSize + 4, kFlagSize + 4);
    icon->setAlignment(Qt::AlignCenter);
    // Drawn at twice the screen's scale at least, for a smooth edge, and kFlagSize across in logical pixels
    // at every scale.
    icon->setPixmap(bundleImage("locationAutomatic")
                        .pixmap(QSize(kFlagSize, kFlagSize), std::max(2.0, qApp->devicePixelRatio())));
    row->addWidget(icon);
    m_titleField = new QLabel(QStringLiteral("Automatic"));
    m_titleField->setTextFormat(Qt::PlainText);
    m_titleField->setFont(toolkit::interFont(14, QFont::Medium));
    toolkit::setTextColor(m_titleField, Qt::white);
    row->addWidget(m_titleField, 1);
    auto* info = imageButton("locationInfo", 20);
    info->setAccessibleName(QStringLiteral("Location Information"));
    m_infoButton = info;
    connect(info, &QAbstractButton::clicked, this, [this] { showInfoPopover(m_infoButton); });
    row->addWidget(info);
    row->addSpacing(20); // lines the button up with the split-tunnelling buttons of the rows below
    setCursor(Qt::PointingHandCursor);

    // The gradient follows the row's bounds.
    class Follow : public QObject {
    public:
        using QObject::QObject;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Resize) {
                auto* cell = static_cast<AutomaticLocationCellView*>(watched);
                fillBehind(cell, cell->hoveredView());
                fillBehind(cell, cell->gradientView());
            }
            return false;
        }
    };
    installEventFilter(new Follow(this));
}

AutomaticLocationCellView::~AutomaticLocationCellView() = default;

void AutomaticLocationCellView::configure(const PDNetworkItemPtr& automatic) {
    m_titleField->setText(automatic && !automatic->title().isEmpty() ? automatic->title()
                                                                     : QStringLiteral("Automatic"));
}

void AutomaticLocationCellView::hover() {
    m_hoveredView->show();
}
void AutomaticLocationCellView::unhover() {
    m_hoveredView->hide();
}

void AutomaticLocationCellView::showInfoPopover(QWidget* sender) {
    LocationsPopupController::present(m_popover, LocationPopupState::automatic, sender);
}

void AutomaticLocationCellView::closePopover() {
    if (m_popover) {
        m_popover->close();
    }
}

// LocationHeaderCellView -----------------------------------------------------------------------------------

LocationHeaderCellView::LocationHeaderCellView(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kSideMargin, 8, kSideMargin, 0);
    m_headerTitleField = new QLabel;
    m_headerTitleField->setTextFormat(Qt::PlainText);
    m_headerTitleField->setFont(toolkit::interFont(14, QFont::Medium));
    toolkit::setTextColor(m_headerTitleField, toolkit::secondaryText);
    row->addWidget(m_headerTitleField);
}

void LocationHeaderCellView::configure(const PDNetworkItemPtr& header) {
    m_headerTitleField->setText(header ? header->title() : QString());
}

// LocationsTableView ---------------------------------------------------------------------------------------

LocationsTableView::LocationsTableView(QWidget* parent) : HoverableTableView(parent) {
    setSelectionHighlightStyle(SelectionHighlightStyle::none);
    setFrameShape(QFrame::NoFrame);
}

void LocationsTableView::hoverRow(int row) {
    if (row < 0 || m_eventsDisabled) {
        return;
    }
    HoverableTableView::hoverRow(row);
}

void LocationsTableView::clearHover() {
    if (m_eventsDisabled) {
        return;
    }
    HoverableTableView::clearHover();
}

int LocationsTableView::rowForView(const QWidget* view) const {
    for (const QWidget* at = view; at; at = at->parentWidget()) {
        if (const auto* rowView = qobject_cast<const TableRowView*>(at)) {
            return rowView->tableView() == this ? rowView->row() : -1;
        }
    }
    return -1;
}
