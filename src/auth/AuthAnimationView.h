#pragma once

#include "toolkit/PDLottieAnimationView.h"
#include "toolkit/XibView.h"

#include <QPointer>

// A looping Lottie animation for the sign-in screens that plays exactly while the view is marked visible.
// It names no animation itself: its host gives the Lottie view one.
class AuthAnimationView : public XibView {
    Q_OBJECT
public:
    explicit AuthAnimationView(QWidget* parent = nullptr);

    QWidget* animationBgView() const { return m_animationBgView; }
    LOTAnimationView* animationView() const { return m_animationView; }

    // Every write plays (shown) or stops (hidden), also when the value does not change.
    void setVisible(bool visible) override;

    virtual void setupAnimation();
    // Nothing before the animation view exists.
    virtual void play();
    virtual void stop();

protected:
    QWidget* loadViewFromNib() override;
    bool event(QEvent* event) override;

private:
    QPointer<QWidget> m_animationBgView;
    QPointer<LOTAnimationView> m_animationView;
    bool m_visibilitySet = false;
};
