#include "toolkit/NSPageControl.h"

#include "toolkit/ViewAnimation.h"

#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cstdio>

namespace {

QColor mix(const QColor& from, const QColor& to, double t) {
    const auto channel = [t](float a, float b) { return a + (b - a) * static_cast<float>(t); };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), channel(from.alphaF(), to.alphaF()));
}

QString describe(double value) {
    return QString::number(value, 'f', 1);
}

} // namespace

NSPageControl::NSPageControl(QWidget* parent) : QWidget(parent) {}

void NSPageControl::setCurrentPage(int page) {
    const int old = m_currentPage;
    m_currentPage = std::clamp(page, 0, std::max(0, m_numberOfPages - 1));
    animatePageChange(old, m_currentPage);
}

void NSPageControl::animatePageChange(int from, int to) {
    if (from == to) {
        return;
    }
    // Before the first drawing, or after the page count grew without one, there is no dot to colour; the
    // next drawing paints the new page.
    const auto count = static_cast<int>(m_dots.size());
    if (from >= 0 && from < count) {
        fillColorAnimation(static_cast<std::size_t>(from), m_pageIndicatorTintColor, "oldPageAnimation");
    }
    if (to >= 0 && to < count) {
        fillColorAnimation(static_cast<std::size_t>(to), m_currentPageIndicatorTintColor, "newPageAnimation");
    }
}

void NSPageControl::fillColorAnimation(std::size_t dot, const QColor& color, const QByteArray& key) {
    const QColor start = m_dots[dot].fillColor;
    QPointer<NSPageControl> self = this;
    ViewAnimation::start(this, key, m_animationDuration, timing::easeInOut(),
                         [self, dot, start, color](double t) {
                             if (self && dot < self->m_dots.size()) {
                                 self->m_dots[dot].fillColor = mix(start, color, t);
                                 self->update();
                             }
                         });
}

std::vector<QRectF> NSPageControl::dotFrames(const QSizeF& size, int pages, double length, double margin) {
    std::vector<QRectF> frames;
    const double w = size.width();
    const double h = size.height();
    const double required = length * pages + margin * (pages - 1);
    for (int i = 0; i < pages; ++i) {
        const double x = (w - required) * 0.5 + (length + margin) * i;
        // With y upwards the dot sits at (H - L) / 2 - L / 2; converted once to y downwards.
        const double y = (h - length) * 0.5 - length * 0.5;
        frames.emplace_back(x, h - (y + length), length, length);
    }
    return frames;
}

void NSPageControl::rebuildDots() {
    m_dots.clear();
    const auto frames = dotFrames(size(), m_numberOfPages, m_dotLength, m_dotMargin);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const bool current = static_cast<int>(i) == m_currentPage;
        m_dots.push_back({frames[i], current ? m_currentPageIndicatorTintColor : m_pageIndicatorTintColor});
    }
}

void NSPageControl::paintEvent(QPaintEvent*) {
    const bool animating =
        ViewAnimation::running(this, "oldPageAnimation") || ViewAnimation::running(this, "newPageAnimation");
    // A repaint during a colour change draws the dots as the animation has them.
    if (!animating) {
        const int n = m_numberOfPages;
        const double required = m_dotLength * n + m_dotMargin * (n - 1);
        if (height() < m_dotLength || width() < required) {
            const QString lines =
                QStringLiteral("dirtyRect doesn't have enough space to draw all dots\n"
                               "current Rect :(0.0, 0.0, %1, %2)\nrequired Size:(%3, %4)\n")
                    .arg(describe(width()), describe(height()), describe(required), describe(m_dotLength));
            std::fputs(lines.toUtf8().constData(), stdout);
        }
        rebuildDots();
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (const Dot& dot : m_dots) {
        painter.setBrush(dot.fillColor);
        painter.drawEllipse(dot.frame);
    }
}
