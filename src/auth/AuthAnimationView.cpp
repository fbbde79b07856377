#include "auth/AuthAnimationView.h"

#include "toolkit/PDLottieAnimationView.h"

#include <QEvent>
#include <QVBoxLayout>

AuthAnimationView::AuthAnimationView(QWidget* parent) : XibView(parent) {
    loadView();
    if (!m_animationView) {
        setupAnimation();
    }
    appearWithParent(this);
}

bool AuthAnimationView::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange && !m_visibilitySet) {
        appearWithParent(this);
    }
    return XibView::event(event);
}

QWidget* AuthAnimationView::loadViewFromNib() {
    auto* background = new QWidget;
    background->setObjectName(QStringLiteral("animationBgView"));
    m_animationBgView = background;
    return background;
}

void AuthAnimationView::setupAnimation() {
    auto* animation = new LOTAnimationView;
    // Pinned to all four edges of its container.
    auto* layout = new QVBoxLayout(m_animationBgView);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(animation);
    animation->show();
    animation->setLoopAnimation(true);
    m_animationView = animation;
}

void AuthAnimationView::setVisible(bool visible) {
    m_visibilitySet = true;
    XibView::setVisible(visible);
    if (isHidden()) {
        stop();
    } else {
        play();
    }
}

void AuthAnimationView::play() {
    if (m_animationView) {
        m_animationView->play();
    }
}

void AuthAnimationView::stop() {
    if (m_animationView) {
        m_animationView->stop();
    }
}
