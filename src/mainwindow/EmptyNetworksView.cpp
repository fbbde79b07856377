#include "mainwindow/EmptyNetworksView.h"

#include "core/GlobalConstants.h"
#include "mainwindow/HomeTabLook.h"
#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QVBoxLayout>

EmptyNetworksView::EmptyNetworksView(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* EmptyNetworksView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(24, 0, 24, 0);
    column->setSpacing(10);
    column->addStretch();
    m_titleField = new QLabel;
    m_titleField->setTextFormat(Qt::PlainText);
    m_titleField->setWordWrap(true);
    m_titleField->setAlignment(Qt::AlignCenter);
    m_titleField->setFont(hometab::interFont(20, QFont::Medium));
    m_titleField->setStyleSheet(QStringLiteral("color: #FFFFFF; background: transparent;"));
    m_subtitleField = new QLabel;
    m_subtitleField->setWordWrap(true);
    m_subtitleField->setFont(hometab::interFont(14));
    m_subtitleField->setStyleSheet(QStringLiteral("color: #6F9CD9; background: transparent;"));
    column->addWidget(m_titleField);
    column->addWidget(m_subtitleField);
    column->addStretch();
    return content;
}

void EmptyNetworksView::setup(EmptyNetworksViewState state) {
    const QString product = GlobalConstants::productDisplayName();
    switch (state) {
    case EmptyNetworksViewState::noAccess:
        setup(QStringLiteral("You Don\u2019t Have Access to Any Networks Yet"),
              QStringLiteral("In order to use ") + product +
                  QStringLiteral(", you must first obtain access to a network from your workspace manager."));
        return;
    case EmptyNetworksViewState::notFound:
        setup(QStringLiteral("We Couldn\u2019t Find Any Matching Network"), std::nullopt);
        return;
    case EmptyNetworksViewState::forcedUpdateAvailable:
        setup(QStringLiteral("Update Available!"),
              QStringLiteral("In order to use ") + product +
                  QStringLiteral(", you must first install newest application version."));
        return;
    }
}

void EmptyNetworksView::setup(const QString& title, const std::optional<QString>& subtitle) {
    m_titleField->setText(title);
    if (!subtitle) {
        m_subtitleField->hide();
        return;
    }
    setAttributedStringValue(m_subtitleField,
                             makeAttributedString(*subtitle, Qt::AlignHCenter, m_subtitleField->font(),
                                                  colorFromHexString(QStringLiteral("#6F9CD9")), 20));
    m_subtitleField->show();
}
