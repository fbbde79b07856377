#include "toolkit/EmptyNetworksView.h"

#include "core/GlobalConstants.h"
#include "toolkit/Colors.h"
#include "toolkit/TextAttributes.h"

#include <QVBoxLayout>

QString titleOf(EmptyNetworksViewState state) {
    switch (state) {
    case EmptyNetworksViewState::noAccess:
        return QStringLiteral("You Don\u2019t Have Access to Any Networks Yet");
    case EmptyNetworksViewState::notFound:
        return QStringLiteral("We Couldn\u2019t Find Any Matching Network");
    case EmptyNetworksViewState::forcedUpdateAvailable:
        return QStringLiteral("Update Available!");
    }
    return {};
}

std::optional<QString> subtitleOf(EmptyNetworksViewState state) {
    const QString product = GlobalConstants::productDisplayName();
    switch (state) {
    case EmptyNetworksViewState::noAccess:
        return QStringLiteral("In order to use ") + product +
               QStringLiteral(", you must first obtain access to a network from your workspace manager.");
    case EmptyNetworksViewState::notFound:
        return std::nullopt;
    case EmptyNetworksViewState::forcedUpdateAvailable:
        return QStringLiteral("In order to use ") + product +
               QStringLiteral(", you must first install newest application version.");
    }
    return std::nullopt;
}

EmptyNetworksView::EmptyNetworksView(QWidget* parent)
    : XibView(parent), m_subtitleColor(toolkit::secondaryText) {
    loadView();
    toolkit::setTextColor(m_subtitleField, m_subtitleColor);
}

QWidget* EmptyNetworksView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(64, 0, 64, 0);
    layout->setSpacing(12);
    m_titleField = new QLabel;
    m_titleField->setTextFormat(Qt::PlainText);
    m_titleField->setAlignment(Qt::AlignHCenter);
    m_titleField->setWordWrap(true);
    m_titleField->setFont(toolkit::interFont(18, QFont::Medium));
    toolkit::setTextColor(m_titleField, Qt::white);
    m_subtitleField = new QLabel;
    m_subtitleField->setAlignment(Qt::AlignHCenter);
    m_subtitleField->setWordWrap(true);
    m_subtitleField->setFont(toolkit::interFont(14));
    layout->addStretch();
    layout->addWidget(m_titleField);
    layout->addWidget(m_subtitleField);
    layout->addStretch();
    return content;
}

void EmptyNetworksView::setup(const QString& title, const std::optional<QString>& subtitle) {
    m_titleField->setText(title);
    if (!subtitle) {
        m_subtitleField->hide();
        return;
    }
    setAttributedStringValue(m_subtitleField,
                             makeAttributedString(*subtitle, Qt::AlignHCenter, m_subtitleField->font(),
                                                  m_subtitleColor, subtitleLineHeight));
    m_subtitleField->show();
}

void EmptyNetworksView::setup(EmptyNetworksViewState state) {
    setup(titleOf(state), subtitleOf(state));
}
