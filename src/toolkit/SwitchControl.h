#pragma once

#include <QColor>
#include <QEasingCurve>
#include <QPointer>
#include <QWidget>

class NSSwitchCustom;

class NSSwitchDelegate {
public:
    virtual ~NSSwitchDelegate() = default;
    virtual void switchValueChanged(NSSwitchCustom* sender) = 0;
};

// A plain view painting its layer's colour with rounded corners: the switch's track.
class NSSwitchLayerView : public QWidget {
    Q_OBJECT
public:
    explicit NSSwitchLayerView(QWidget* parent = nullptr);

    QColor layerBackgroundColor() const { return m_background; }
    void setLayerBackgroundColor(const QColor& color);
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);
    // A 1-px line just inside the edge; none while invalid.
    QColor edgeColor() const { return m_edge; }
    void setEdgeColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void paintLayer(QPainter& painter) const;

private:
    QColor m_background;
    QColor m_edge;
    double m_cornerRadius = 0.0;
};

// The round thumb: its layer colour, and a ring (invisible by default) stroked over it.
class NSSwitchThumbView : public NSSwitchLayerView {
    Q_OBJECT
public:
    using NSSwitchLayerView::NSSwitchLayerView;

    double lineWidth = 0.125;
    QColor lineColor = Qt::transparent;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// An on/off switch drawn by the client: a capsule track whose colour shows the state and a round thumb
// that slides from one end to the other. A click flips it (with the slide) and then emits clicked(), so the
// owner's handler sees the new value.
class NSSwitchCustom : public QWidget {
    Q_OBJECT
public:
    // The track takes `size` once; it does not follow later resizing.
    explicit NSSwitchCustom(QWidget* parent = nullptr, const QSize& size = QSize(40, 20));

    // Told on every setOn; not owned.
    NSSwitchDelegate* delegate = nullptr;
    QEasingCurve mediaTimingFunction;
    double thumbAnimationDuration = 0.2;
    double deltaSpacing = 2.0;

    bool on() const { return m_on; }
    // Paints the track, stores the state, moves the thumb (sliding when `animated`) and tells the delegate,
    // also when the state does not change.
    virtual void setOn(bool on, bool animated);

    QColor onColor() const { return m_onColor; }
    // Shown at the next setOn with true.
    void setOnColor(const QColor& color) { m_onColor = color; }
    QColor offColor() const { return m_offColor; }
    // Paints the track at once, whatever the state.
    void setOffColor(const QColor& color);
    QColor thumbColor() const { return m_thumbColor; }
    void setThumbColor(const QColor& color);
    // The track's edge while off, which sets a dark track off from the window; none by default. Shown at the
    // next setOn.
    QColor offEdgeColor() const { return m_offEdgeColor; }
    void setOffEdgeColor(const QColor& color) { m_offEdgeColor = color; }

    NSSwitchLayerView* backgroundView() const { return m_backgroundView; }
    NSSwitchThumbView* thumbView() const { return m_thumbView; }

    // What a click does: flips the state with the slide, then emits clicked(); nothing while disabled.
    void toggle();

    // Where the thumb rests in each state.
    QPoint thumbOrigin(bool on) const;

    QSize sizeHint() const override { return m_frameSize; }

signals:
    void clicked();

protected:
    virtual void setupViews();
    virtual void setupThumb();
    virtual void setupBackground();
    virtual void animateThumb(bool toOn);
    virtual void placeThumb(bool toOn);
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QSize m_frameSize;
    bool m_on = false;
    bool m_pressed = false;
    QColor m_onColor = QColor(40, 150, 245);
    QColor m_offColor = QColor(114, 114, 114);
    QColor m_thumbColor = Qt::white;
    QColor m_offEdgeColor;
    QPointer<NSSwitchLayerView> m_backgroundView;
    QPointer<NSSwitchThumbView> m_thumbView;
};

// The settings rows' switch: dimmed colours while disabled. Enabling or disabling repaints the track
// without reporting a value change.
class SwitchControl : public NSSwitchCustom {
    Q_OBJECT
public:
    explicit SwitchControl(QWidget* parent = nullptr, const QSize& size = QSize(40, 20));

    QColor disabledOnColor;
    QColor disabledOffColor;
    // The `animated` flag of the last setOn.
    bool isAnimated = false;

    void setOn(bool on, bool animated) override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void paintTrackForEnabledState();
};
