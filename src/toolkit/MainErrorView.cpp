#include "toolkit/MainErrorView.h"

#include "platform/Bundle.h"
#include "toolkit/CapsuleButton.h"
#include "toolkit/Colors.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

// A multi-line plain text that wraps at word boundaries, or inside a word too long for a line, and is
// clipped at the bottom of its bounds. Its height for a width is exactly what it paints.
class WrappingTextField : public QWidget {
public:
    using QWidget::QWidget;

    QString text() const { return m_text; }
    void setText(const QString& text) {
        m_text = text;
        setAccessibleName(text); // painted, not a label: screen readers read it from here
        update();
    }
    QColor textColor() const { return m_color; }
    void setTextColor(const QColor& color) {
        m_color = color;
        update();
    }

    // Lays the text out at `width` in `font`; calls `line` for each line with its top.
    template <class F>
    static double layOut(const QString& text, double width, const QFont& font, F&& line) {
        // A line break in the text (the posture message's closing line) starts a new line.
        QTextLayout layout(QString(text).replace(QLatin1Char('\n'), QChar::LineSeparator), font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.setCacheEnabled(true);
        double height = 0.0;
        layout.beginLayout();
        for (QTextLine textLine = layout.createLine(); textLine.isValid(); textLine = layout.createLine()) {
            textLine.setLineWidth(std::max(1.0, width));
            textLine.setPosition(QPointF(0.0, height));
            height += textLine.height();
        }
        layout.endLayout();
        line(layout);
        return std::ceil(height);
    }

    static double heightForWidth(const QString& text, double width, const QFont& font) {
        return layOut(text, width, font, [](const QTextLayout&) {});
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setClipRect(rect());
        painter.setPen(m_color);
        layOut(m_text, width(), font(), [&](QTextLayout& layout) {
            // Only whole lines; when the owner gives less room than the text needs, the last line that
            // fits ends in an ellipsis.
            for (int i = 0; i < layout.lineCount(); ++i) {
                const QTextLine line = layout.lineAt(i);
                const bool more = i + 1 < layout.lineCount();
                const bool nextFits = more && layout.lineAt(i + 1).rect().bottom() <= height();
                if (line.rect().bottom() > height()) {
                    break;
                }
                if (!more || nextFits) {
                    line.draw(&painter, QPointF(0.0, 0.0));
                    continue;
                }
                const QString rest = layout.text().mid(line.textStart()).replace(QChar::LineSeparator, ' ');
                const QFontMetricsF metrics(font());
                painter.drawText(QPointF(0.0, line.y() + line.ascent()),
                                 metrics.elidedText(rest + QChar(0x2026), Qt::ElideRight, width()));
                break;
            }
        });
    }

private:
    QString m_text;
    QColor m_color = Qt::white;
};

namespace {

constexpr int kIndicatorWidth = 4;
constexpr int kTextLeft = 20;
constexpr int kTop = 14;
constexpr int kTitleHeight = 17;
constexpr int kTitleGap = 4;
constexpr int kBottom = 22;
constexpr int kCloseSize = 16;
constexpr int kRightInset = 14;
constexpr int kActionWidth = 104;
constexpr int kActionHeight = 30;
constexpr int kButtonGap = 16;

} // namespace

SilentUpdateTimeinterval silentUpdateTimeinterval(int days) {
    if (days < 2) {
        return SilentUpdateTimeinterval::new_;
    }
    return days <= 3 ? SilentUpdateTimeinterval::normal : SilentUpdateTimeinterval::old;
}

std::optional<SilentUpdateTimeinterval> NotificationPopupType::timeinterval() const {
    if (m_kind != Kind::silentUpdate) {
        return std::nullopt;
    }
    return m_timeinterval;
}

QColor NotificationPopupType::indicatorColor() const {
    switch (m_kind) {
    case Kind::silentUpdate:
        switch (m_timeinterval) {
        case SilentUpdateTimeinterval::old:
            return colorFromHexString(QStringLiteral("#F66161"));
        case SilentUpdateTimeinterval::normal:
            return colorFromHexString(QStringLiteral("#FFCA5D"));
        case SilentUpdateTimeinterval::new_:
            return colorFromHexString(QStringLiteral("#3ACC73"));
        }
        break;
    case Kind::error:
        return colorFromHexString(QStringLiteral("#F66161"));
    case Kind::update:
        return colorFromHexString(QStringLiteral("#3ACC73"));
    case Kind::silentUpdateSucccess:
        return toolkit::accent;
    }
    return colorFromHexString(QStringLiteral("#F66161"));
}

std::optional<Qt::CursorShape> NotificationPopupType::cursor() const {
    if (m_kind == Kind::update) {
        return Qt::PointingHandCursor;
    }
    return std::nullopt;
}

bool NotificationPopupType::operator==(const NotificationPopupType& other) const {
    return m_kind == other.m_kind && timeinterval() == other.timeinterval();
}

QString MainErrorView::defaultTitle() {
    return QStringLiteral("Something Went Wrong With Your Connection");
}

MainErrorView::MainErrorView(QWidget* parent)
    : XibView(parent), m_bgColor(toolkit::windowBackground),
      m_descriptionFieldColor(colorFromHexString(QStringLiteral("#FFFFFF"))) {
    loadView();
    setupUI();
}

MainErrorView::~MainErrorView() = default;

QWidget* MainErrorView::loadViewFromNib() {
    auto* content = new NSViewLayerBacked;
    content->setCornerRadius(6);
    content->setMasksToBounds(true);
    // The banner shares the window's navy: a hairline sets it apart.
    content->setBorderColor(toolkit::separator);
    content->setBorderWidth(1);

    m_viewIndicatorButton = new NSViewLayerBacked(content);
    m_viewIndicatorButton->setObjectName(QStringLiteral("viewIndicatorButton"));

    m_titleField = new QLabel(content);
    m_titleField->setObjectName(QStringLiteral("titleField"));
    m_titleField->setTextFormat(Qt::PlainText);
    m_titleField->setFont(toolkit::interFont(14, QFont::Medium));
    toolkit::setTextColor(m_titleField, Qt::white);

    m_descriptionField = new WrappingTextField(content);
    m_descriptionField->setObjectName(QStringLiteral("descriptionField"));
    m_descriptionField->setFont(toolkit::interFont(12));

    m_tryAgainButton = new CapsuleButton(QString(), CapsuleButton::Style::filled, content);
    m_tryAgainButton->setObjectName(QStringLiteral("tryAgainButton"));
    m_tryAgainButton->setFont(toolkit::interFont(13, QFont::Medium));
    m_tryAgainButton->hide();
    connect(m_tryAgainButton, &QAbstractButton::clicked, this, [this] { actionButtonTapped(); });

    m_closeButton = new NSButtonWithHandCursor(content);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setFlat(true);
    m_closeButton->setIcon(platform::Bundle::main().image(QStringLiteral("networksCrossImage")));
    m_closeButton->setIconSize(QSize(kCloseSize, kCloseSize));
    m_closeButton->setAccessibleName(QStringLiteral("Close"));
    connect(m_closeButton, &QAbstractButton::clicked, this, [this] { close(); });
    return content;
}

void MainErrorView::setupUI() {
    applyTitleAttributes(m_tryAgainButton, Qt::white, Qt::AlignHCenter);
    m_descriptionField->setTextColor(m_descriptionFieldColor);
    if (auto* content = qobject_cast<NSViewLayerBacked*>(view())) {
        content->setBgColor(m_bgColor);
    }
}

QString MainErrorView::titleText() const {
    return m_title;
}

QString MainErrorView::descriptionText() const {
    return m_descriptionField->text();
}

void MainErrorView::show(const NotificationPopupType& type, const std::optional<QString>& title,
                         const QString& description) {
    m_notificationType = type;
    m_title = title.value_or(defaultTitle());
    m_descriptionField->setText(description);
    m_viewIndicatorButton->setBgColor(type.indicatorColor());
    if (const auto cursor = type.cursor()) {
        setCursor(*cursor);
    } else {
        setCursor(Qt::ArrowCursor);
    }
    const bool silentUpdate = type.kind() == NotificationPopupType::Kind::silentUpdate;
    m_tryAgainButton->setVisible(silentUpdate);
    m_closeButton->setVisible(!silentUpdate);
    if (silentUpdate) {
        setTitle(m_tryAgainButton, QStringLiteral("Update Now"), Qt::white);
    }
    layoutContent();
    reportHeight();
}

double MainErrorView::descriptionHeight() const {
    return WrappingTextField::heightForWidth(m_descriptionField->text(), m_descriptionField->width(),
                                             m_descriptionField->font());
}

void MainErrorView::reportHeight() {
    m_reportedWidth = width();
    if (MainErrorViewDelegate* delegate = m_delegate.get()) {
        delegate->viewSizeChanged(this, descriptionHeight() + kChromeHeight);
    }
}

void MainErrorView::layoutContent() {
    const int w = width();
    const int h = height();
    const bool action = !m_tryAgainButton->isHidden();
    const int rightArea = kRightInset + (action ? kActionWidth : kCloseSize) + kButtonGap;
    const int textWidth = std::max(1, w - kTextLeft - rightArea);
    m_viewIndicatorButton->setGeometry(0, 0, kIndicatorWidth, h);
    m_titleField->setGeometry(kTextLeft, kTop, textWidth, kTitleHeight);
    const int descriptionTop = kTop + kTitleHeight + kTitleGap;
    m_descriptionField->setGeometry(kTextLeft, descriptionTop, textWidth,
                                    std::max(0, h - descriptionTop - kBottom));
    // A description cut short by its owner can still be read whole.
    m_descriptionField->setToolTip(
        descriptionHeight() > m_descriptionField->height() ? m_descriptionField->text() : QString());
    m_closeButton->setGeometry(w - kRightInset - kCloseSize, kTop, kCloseSize, kCloseSize);
    m_tryAgainButton->setGeometry(w - kRightInset - kActionWidth, (h - kActionHeight) / 2, kActionWidth,
                                  kActionHeight);
    elideTitle();
}

void MainErrorView::elideTitle() {
    m_titleField->setText(
        m_titleField->fontMetrics().elidedText(m_title, Qt::ElideRight, m_titleField->width()));
}

void MainErrorView::resizeEvent(QResizeEvent* event) {
    XibView::resizeEvent(event);
    layoutContent();
    // A new width wraps the description anew: the owner hears the height it needs now.
    if (m_reportedWidth >= 0 && m_reportedWidth != width()) {
        reportHeight();
    }
}

void MainErrorView::close() {
    if (MainErrorViewDelegate* delegate = m_delegate.get()) {
        delegate->errorViewCloseTapped();
    }
}

void MainErrorView::actionButtonTapped() {
    MainErrorViewDelegate* delegate = m_delegate.get();
    if (!delegate) {
        return;
    }
    if (m_notificationType.kind() == NotificationPopupType::Kind::silentUpdate) {
        delegate->errorViewUpdateNowTapped();
    } else {
        delegate->errorViewTryAgainTapped();
    }
}

void MainErrorView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (m_notificationType.kind() != NotificationPopupType::Kind::update) {
        return;
    }
    if (MainErrorViewDelegate* delegate = m_delegate.get()) {
        delegate->errorViewBannerClicked();
    }
}
