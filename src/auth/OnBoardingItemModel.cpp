#include "auth/OnBoardingItemModel.h"

#include "core/LocalizedStrings.h"
#include "platform/Scheduler.h"
#include "toolkit/Colors.h"
#include "toolkit/NSPageControl.h"
#include "toolkit/PDLottieAnimationView.h"

#include <QLabel>

#include <algorithm>

namespace onboarding {

std::vector<OnBoardingItemModelPtr> pages() {
    return {
        std::make_shared<OnBoardingItemModel>(L10n::onBoardingTitle_1(), L10n::onBoardingDescription_1(),
                                              QStringLiteral("sra_data")),
        std::make_shared<OnBoardingItemModel>(L10n::onBoardingTitle_2(), L10n::onBoardingDescription_2(),
                                              QStringLiteral("traffic_data")),
        std::make_shared<OnBoardingItemModel>(L10n::onBoardingTitle_3(), L10n::onBoardingDescription_3(),
                                              QStringLiteral("wifi_data")),
        std::make_shared<OnBoardingItemModel>(L10n::onBoardingTitle_4(), L10n::onBoardingDescription_4(),
                                              QStringLiteral("edge_data")),
    };
}

QString identifierForObject(const std::vector<OnBoardingItemModelPtr>& pages, const std::any& object) {
    const auto* model = std::any_cast<OnBoardingItemModelPtr>(&object);
    if (!model || !*model) {
        return QStringLiteral("0");
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (pages[i] && *pages[i] == **model) {
            return QString::number(i);
        }
    }
    return QStringLiteral("0");
}

std::optional<std::size_t> indexForIdentifier(const QString& identifier, std::size_t pageCount) {
    // Only plain decimal digits: no sign, blank or base prefix.
    if (identifier.isEmpty() || identifier.size() > 9 ||
        !std::all_of(identifier.begin(), identifier.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return std::nullopt;
    }
    const auto index = static_cast<std::size_t>(identifier.toUInt());
    if (index >= pageCount) {
        return std::nullopt;
    }
    return index;
}

} // namespace onboarding

// OnBoardingItemBase ---------------------------------------------------------------------------------------

OnBoardingItemBase::OnBoardingItemBase(QObject* parent) : platform::ViewController(parent) {}

void OnBoardingItemBase::viewDidLoad() {
    platform::ViewController::viewDidLoad();
    if (!m_dataObject) {
        return;
    }
    if (m_animationView) {
        m_animationView->setAnimation(m_dataObject->filename);
    }
    if (m_titleTextField) {
        m_titleTextField->setText(m_dataObject->title);
    }
    if (m_descriptionTextField) {
        m_descriptionTextField->setText(m_dataObject->description);
    }
}

void OnBoardingItemBase::startAnimation() {
    if (m_animationView) {
        m_animationView->play();
    }
}

void OnBoardingItemBase::stopAnimation() {
    if (m_animationView) {
        m_animationView->stop(false);
    }
}

// OnBoardingPagesBase --------------------------------------------------------------------------------------

OnBoardingPagesBase::OnBoardingPagesBase(QObject* parent) : PageController(parent) {}

void OnBoardingPagesBase::viewDidLoad() {
    PageController::viewDidLoad();
    setDelegate(this);
    m_dataArray = onboarding::pages();
    setArrangedObjects(std::vector<std::any>(m_dataArray.begin(), m_dataArray.end()));
    if (m_pageControl) {
        m_pageControl->setNumberOfPages(static_cast<int>(m_dataArray.size()));
        m_pageControl->setPageIndicatorTintColor(toolkit::secondaryText);
        m_pageControl->setCurrentPageIndicatorTintColor(colorFromHexString(QStringLiteral("#266FE2")));
        m_pageControl->setDotLength(12);
        m_pageControl->setDotMargin(8);
    }
}

void OnBoardingPagesBase::viewWillAppear() {
    PageController::viewWillAppear();
    QPointer<OnBoardingPagesBase> self = this;
    platform::DispatchQueue::main().asyncAfter(animationStartDelay, [self] {
        if (!self) {
            return;
        }
        if (OnBoardingItemBase* page = self->selectedPage()) {
            page->startAnimation();
        }
    });
}

bool OnBoardingPagesBase::canSelectNext() const {
    return selectedIndex() + 1 < static_cast<int>(m_dataArray.size());
}

bool OnBoardingPagesBase::isLastPageSelected() const {
    return selectedIndex() == static_cast<int>(m_dataArray.size()) - 1;
}

OnBoardingItemBase* OnBoardingPagesBase::selectedPage() {
    return qobject_cast<OnBoardingItemBase*>(selectedViewController());
}

QString OnBoardingPagesBase::identifierForObject(PageController&, const std::any& object) {
    return onboarding::identifierForObject(m_dataArray, object);
}

std::unique_ptr<platform::ViewController>
OnBoardingPagesBase::viewControllerForIdentifier(PageController&, const QString& identifier) {
    const auto index = onboarding::indexForIdentifier(identifier, m_dataArray.size());
    if (!index) {
        return std::make_unique<platform::ViewController>();
    }
    std::unique_ptr<OnBoardingItemBase> page = makePage(m_dataArray[*index]);
    if (!page) {
        return std::make_unique<platform::ViewController>();
    }
    return page;
}

void OnBoardingPagesBase::pageControllerWillStartLiveTransition(PageController&) {
    if (OnBoardingItemBase* page = selectedPage()) {
        page->stopAnimation();
    }
}

void OnBoardingPagesBase::pageControllerDidEndLiveTransition(PageController&) {
    completeTransition();
    if (OnBoardingItemBase* page = selectedPage()) {
        page->startAnimation();
    }
    selectedPageChanged();
    if (m_pageControl) {
        m_pageControl->setCurrentPage(selectedIndex());
    }
}
