#include "locations/LocationBars.h"

#include "core/Log.h"
#include "platform/Bundle.h"
#include "toolkit/HoverableButton.h"
#include "toolkit/NSViewLayerBacked.h"
#include "toolkit/TextAttributes.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

// FilterButton ---------------------------------------------------------------------------------------------

FilterButton::FilterButton(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* FilterButton::loadViewFromNib() {
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* button = new NSButtonWithHandCursor;
    button->setFlat(true);
    button->setFocusPolicy(Qt::TabFocus);
    button->setFont(toolkit::interFont(14, QFont::Medium));
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_button = button;
    column->addWidget(button, 1);
    m_bottomView = new NSViewLayerBacked;
    m_bottomView->setFixedHeight(2);
    m_bottomView->setBgColor(selectedColor());
    m_bottomView->hide();
    auto* line = new QHBoxLayout;
    line->setContentsMargins(12, 0, 12, 0);
    line->addWidget(m_bottomView);
    column->addLayout(line);
    connect(button, &QAbstractButton::clicked, this, &FilterButton::sendTap);
    return content;
}

QAbstractButton* FilterButton::filterButton() const {
    return m_button;
}

QWidget* FilterButton::bottomView() const {
    return m_bottomView;
}

void FilterButton::configure(PDLocationFilterType filter, bool isSelected) {
    m_filter = filter;
    m_marked = isSelected;
    m_button->setText(rawValue(filter));
    applyTitleAttributes(m_button, isSelected ? selectedColor() : unselectedColor(), Qt::AlignHCenter);
    if (isSelected) {
        m_bottomView->setBgColor(selectedColor());
    }
    m_bottomView->setVisible(isSelected);
}

void FilterButton::sendTap() {
    if (auto* delegate = m_delegate.get()) {
        delegate->filterButtonTapped(this);
    }
}

// LocationFilterView ---------------------------------------------------------------------------------------

LocationFilterView::LocationFilterView(QWidget* parent) : XibView(parent) {
    loadView();
}

QWidget* LocationFilterView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* row = new QHBoxLayout(content);
    row->setContentsMargins(8, 0, 8, 0);
    row->setSpacing(0);
    for (int slot = 0; slot < kSlots; ++slot) {
        auto* button = new FilterButton;
        button->setDelegate(this);
        m_slots.append(button);
        row->addWidget(button, 1);
    }
    return content;
}

QList<FilterButton*> LocationFilterView::buttons() const {
    QList<FilterButton*> result;
    for (const auto& button : m_slots) {
        result.append(button);
    }
    return result;
}

void LocationFilterView::configure(const QList<PDLocationFilterType>& filters, PDLocationFilterType applied) {
    for (const auto& button : m_slots) {
        button->setDelegate(this);
    }
    if (filters.isEmpty()) {
        return;
    }
    QList<PDLocationFilterType> shown = filters;
    if (shown.size() > kSlots) {
        QStringList dropped;
        for (qsizetype i = kSlots; i < shown.size(); ++i) {
            dropped << rawValue(shown[i]);
        }
        vlog::error(QStringLiteral("More filters than tabs; left out: ") +
                    dropped.join(QStringLiteral(", ")));
        shown.resize(kSlots);
    }
    m_availableFilters = shown;
    layoutButtons(applied);
}

void LocationFilterView::layoutButtons(PDLocationFilterType applied) {
    const QList<PDLocationFilterType> filters = m_availableFilters.value_or(QList<PDLocationFilterType>{});
    for (qsizetype i = 0; i < m_slots.size(); ++i) {
        FilterButton* button = m_slots[i];
        if (i >= filters.size()) {
            button->hide();
            continue;
        }
        button->show();
        button->configure(filters[i], rawValue(filters[i]) == rawValue(applied));
    }
}

void LocationFilterView::filterButtonTapped(FilterButton* button) {
    // A tab that never got a filter stands for nothing.
    if (!button || !button->filter()) {
        return;
    }
    const PDLocationFilterType filter = *button->filter();
    layoutButtons(filter);
    if (auto* delegate = m_delegate.get()) {
        delegate->filterSelected(filter);
    }
}

// LocationTopView ------------------------------------------------------------------------------------------

LocationTopView::LocationTopView(QWidget* parent) : XibView(parent) {
    loadView();
    setFixedHeight(kHeight);
}

QWidget* LocationTopView::loadViewFromNib() {
    auto* content = new QWidget;
    auto* row = new QHBoxLayout(content);
    row->setContentsMargins(10, 0, 14, 0);
    auto makeButton = [](const QString& title, const char* image) {
        auto* button = new NSButtonWithHandCursor;
        button->setFlat(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setText(title);
        button->setIcon(platform::Bundle::main().image(QString::fromLatin1(image)));
        button->setIconSize(QSize(20, 20));
        button->setFont(toolkit::interFont(14, QFont::Medium));
        button->setFixedHeight(32);
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(title) + 36);
        applyTitleAttributes(button, titleColor(), Qt::AlignHCenter);
        return button;
    };
    m_goBackButton = makeButton(QStringLiteral("Go Back"), "locationGoBack");
    m_settingsButton = makeButton(QStringLiteral("Settings"), "locationSettings");
    row->addWidget(m_goBackButton);
    row->addStretch(1);
    row->addWidget(m_settingsButton);
    connect(m_goBackButton, &QAbstractButton::clicked, this, [this] {
        if (auto* delegate = m_delegate.get()) {
            delegate->goBackTapped();
        }
    });
    connect(m_settingsButton, &QAbstractButton::clicked, this, [this] {
        if (auto* delegate = m_delegate.get()) {
            delegate->settingsTapped();
        }
    });
    return content;
}

QAbstractButton* LocationTopView::goBackButton() const {
    return m_goBackButton;
}

QAbstractButton* LocationTopView::settingsButton() const {
    return m_settingsButton;
}
