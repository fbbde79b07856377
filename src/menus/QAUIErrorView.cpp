#include "menus/QAUIErrorView.h"

#include "toolkit/Colors.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"
#include "toolkit/ViewAnimation.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
constexpr int leftInset = 24;
constexpr int rightInset = 17;
constexpr int verticalInset = 14;
constexpr int labelGap = 3;
constexpr double edgeBarWidth = 8.0;
} // namespace

// Toast ----------------------------------------------------------------------------------------------------

QString QAUINotificationView::shortened(const QString& text) {
    if (text.size() <= maximumTextLength) {
        return text;
    }
    return text.left(maximumTextLength) + QStringLiteral("…");
}

QLabel* QAUINotificationView::makeLabel(LabelType type, const QString& text, int width) {
    auto* label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(type == LabelType::title ? toolkit::interFont(14) : toolkit::interFont(12, QFont::Light));
    toolkit::setTextColor(label, Qt::white);
    label->setText(shortened(text));
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setFixedSize(width, std::max(1, label->heightForWidth(width)));
    return label;
}

QAUINotificationView::QAUINotificationView(const QString& title, const QString& description, int width,
                                           QWidget* parent)
    : QWidget(parent) {
    const int labelWidth = std::max(1, width - leftInset - rightInset);
    m_description = makeLabel(LabelType::description, description, labelWidth);
    m_title = makeLabel(LabelType::title, title, labelWidth);
    const int d = m_description->height();
    const int t = m_title->height();
    // Drawn top-down: 14 above the title, 3 between, 14 below the description.
    m_title->setParent(this);
    m_title->move(leftInset, verticalInset);
    m_description->setParent(this);
    m_description->move(leftInset, verticalInset + t + labelGap);
    resize(width, d + verticalInset + labelGap + t + verticalInset);
}

void QAUINotificationView::paintEvent(QPaintEvent*) {
    // The whole card every time: a partial repaint must not move the red edge.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    const QPainterPath outline = roundedRectPath(bounds, 8.0);
    painter.setClipPath(outline);
    painter.fillRect(bounds, QColor::fromRgbF(0.435f, 0.612f, 0.851f, 0.3f));
    painter.fillRect(QRectF(bounds.x(), bounds.y(), edgeBarWidth, bounds.height()),
                     colorFromHexString(QStringLiteral("#FD596FFF")));
}

// Stack ----------------------------------------------------------------------------------------------------

QAUIErrorView::QAUIErrorView(QWidget* parent) : QAUIStackMemberView(parent) {}

QWidget* QAUIErrorView::loadViewFromNib() {
    // The toasts are placed by hand over an empty backdrop that lets clicks through.
    auto* backdrop = new QWidget;
    backdrop->setAttribute(Qt::WA_TransparentForMouseEvents);
    return backdrop;
}

void QAUIErrorView::setTopExtraPadding(double padding) {
    m_topExtraPadding = padding;
    if (padding == m_prevTopExtraPadding) {
        return;
    }
    relayoutNotifications(false);
    reportHeight(height(), true);
    m_prevTopExtraPadding = padding;
}

double QAUIErrorView::height() const {
    double h = 0.0;
    for (const auto& [toast, entry] : m_notifications) {
        h = std::max(h, entry.bottom + toast->height());
    }
    if (h > 0.0 && m_topExtraPadding > 0.0) {
        h += m_topExtraPadding;
    }
    return h;
}

QList<QAUINotificationView*> QAUIErrorView::notifications() const {
    std::vector<std::pair<int, QAUINotificationView*>> sorted;
    for (const auto& [toast, entry] : m_notifications) {
        sorted.emplace_back(entry.order, toast);
    }
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    QList<QAUINotificationView*> result;
    for (const auto& [order, toast] : sorted) {
        result << toast;
    }
    return result;
}

double QAUIErrorView::bottomOffset(const QAUINotificationView* toast) const {
    const auto found = m_notifications.find(const_cast<QAUINotificationView*>(toast));
    return found == m_notifications.end() ? 0.0 : found->second.bottom;
}

void QAUIErrorView::addNotification(const QString& title, const QString& description, bool animated) {
    const QString shownTitle = QAUINotificationView::shortened(title);
    for (const auto& [toast, entry] : m_notifications) {
        if (toast->titleLabel() && toast->titleLabel()->text() == shownTitle) {
            return; // one title is shown once at a time
        }
    }
    auto* toast = new QAUINotificationView(title, description, width(), this);
    m_notifications[toast] = Entry{m_counter++, 0.0, 0.0};
    place(toast);
    toast->show();
    if (animated) {
        setAlphaValue(toast, 0.0);
    }
    relayoutNotifications(animated);
    reportHeight(height(), true);
}

void QAUIErrorView::removeAllNotifications(bool) {
    for (const auto& [toast, entry] : m_notifications) {
        toast->deleteLater();
        toast->hide();
    }
    m_notifications.clear();
}

void QAUIErrorView::place(QAUINotificationView* toast) {
    const auto found = m_notifications.find(toast);
    if (found == m_notifications.end()) {
        return;
    }
    const int top =
        QWidget::height() - static_cast<int>(std::lround(found->second.shownBottom)) - toast->height();
    toast->move(0, top);
}

void QAUIErrorView::resizeEvent(QResizeEvent* event) {
    QAUIStackMemberView::resizeEvent(event);
    // Toasts keep their distance to the bottom edge.
    for (auto& [toast, entry] : m_notifications) {
        place(toast);
    }
}

void QAUIErrorView::relayoutNotifications(bool animated) {
    const QList<QAUINotificationView*> newestFirst = notifications();
    double y = 0.0;
    for (qsizetype i = 0; i < newestFirst.size(); ++i) {
        QAUINotificationView* toast = newestFirst.at(i);
        if (i < maximumToasts) {
            if (alphaValue(toast) == 0.0) {
                ViewAnimation::start(toast, "alpha", dimDuration, timing::easeInOut(),
                                     [toast](double p) { setAlphaValue(toast, p); });
            }
            Entry& entry = m_notifications[toast];
            if (entry.bottom != y) {
                entry.bottom = y;
                if (animated) {
                    const double from = entry.shownBottom;
                    ViewAnimation::start(toast, "position", resizeDuration, timing::easeInOut(),
                                         [this, toast, from, y](double p) {
                                             auto found = m_notifications.find(toast);
                                             if (found != m_notifications.end()) {
                                                 found->second.shownBottom = from + (y - from) * p;
                                                 place(toast);
                                             }
                                         });
                } else {
                    entry.shownBottom = y;
                    place(toast);
                }
            }
            y += toast->height() + heightGap;
            continue;
        }
        m_notifications.erase(toast);
        if (!animated) {
            delete toast;
            continue;
        }
        QPointer<QAUINotificationView> guarded = toast;
        ViewAnimation::stop(toast, "position");
        ViewAnimation::start(
            toast, "alpha", dimDuration, timing::easeInOut(),
            [guarded](double p) {
                if (guarded) {
                    setAlphaValue(guarded, 1.0 - p);
                }
            },
            [guarded] {
                if (guarded) {
                    guarded->deleteLater();
                }
            });
    }
}
