#include "mainwindow/ConnectionEstablishedController.h"

#include "core/Preferences.h"
#include "platform/UserDefaults.h"
#include "toolkit/CapsuleButton.h"
#include "toolkit/Colors.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>

#include <cmath>

QString formatConnectionDuration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) {
        seconds = 0;
    }
    const auto part = [](double value, double modulus) {
        return QStringLiteral("%1").arg(static_cast<int>(std::fmod(value, modulus)), 2, 10, QLatin1Char('0'));
    };
    return part(seconds / 3600.0, 24) + QLatin1Char(':') + part(seconds / 60.0, 60) + QLatin1Char(':') +
           part(seconds, 60);
}

ConnectionEstablishedController::ConnectionEstablishedController(QObject* parent)
    : platform::ViewController(parent) {
    setTitle(QStringLiteral("Connection Established")); // what a screen reader calls the sheet
}

QWidget* ConnectionEstablishedController::loadView() {
    auto* view = new SheetPanel;
    view->setFixedSize(340, 230);
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(32, 32, 32, 28);
    column->setSpacing(12);
    auto* title = new QLabel(QStringLiteral("Connection Established"));
    title->setFont(toolkit::interFont(20, QFont::Medium));
    title->setAlignment(Qt::AlignHCenter);
    toolkit::setTextColor(title, Qt::white);
    auto* text = new QLabel;
    text->setWordWrap(true);
    text->setFont(toolkit::interFont(14));
    setAttributedStringValue(
        text,
        makeAttributedString(QStringLiteral("Your connection is secured. Its time, addresses and gateway "
                                            "show on the home tab while it lasts."),
                             Qt::AlignHCenter, text->font(), toolkit::secondaryText, 20));
    m_gotItButton = new CapsuleButton(QStringLiteral("Got it"));
    m_gotItButton->setFlat(true);
    m_gotItButton->setFixedSize(140, 40);
    m_gotItButton->setFont(toolkit::interFont(14, QFont::Medium));
    m_gotItButton->setCursor(Qt::PointingHandCursor);
    connect(m_gotItButton, &QAbstractButton::clicked, this, [this] { gotItTap(); });
    // Esc puts the sheet away for now; only Got it stops it for good.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), view);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (presentingViewController()) {
            dismiss();
        }
    });
    column->addWidget(title);
    column->addWidget(text, 1);
    column->addWidget(m_gotItButton, 0, Qt::AlignHCenter);
    return view;
}

void ConnectionEstablishedController::viewDidLoad() {
    applyTitleAttributes(m_gotItButton, Qt::white, Qt::AlignHCenter);
}

void ConnectionEstablishedController::gotItTap() {
    platform::UserDefaults::standard().set(SettingsUserDefaults::showConnectionEstablished, false);
    if (presentingViewController()) {
        dismiss();
    }
}

ConnectionQualityView::ConnectionQualityView(QWidget* parent) : XibView(parent) {
    loadView();
}

ConnectionQualityView::ConnectionQualityView(const QRect& frame, QWidget* parent)
    : ConnectionQualityView(parent) {
    setGeometry(frame);
}

QWidget* ConnectionQualityView::loadViewFromNib() {
    return new QWidget;
}
