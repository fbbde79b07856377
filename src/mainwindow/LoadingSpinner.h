#pragma once

#include <QColor>
#include <QWidget>

#include <memory>

namespace platform {
class Timer;
}

// A small spinning arc. It turns only while animating and visible, so a hidden or stopped spinner costs no
// timer wakeups; it is hidden while stopped.
class LoadingSpinner : public QWidget {
    Q_OBJECT
public:
    static constexpr double turnSeconds = 1.0;

    explicit LoadingSpinner(QWidget* parent = nullptr);
    ~LoadingSpinner() override;

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_animating; }
    // Whether a timer drives it now.
    bool isTicking() const { return m_timer != nullptr; }

    QColor color() const { return m_color; }
    void setColor(const QColor& color) { m_color = color; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void startTicking();
    void stopTicking();

    QColor m_color = Qt::white;
    bool m_animating = false;
    double m_angle = 0.0;
    std::shared_ptr<platform::Timer> m_timer;
};
