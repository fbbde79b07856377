#pragma once

#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

// Remembers the regions it was asked to repaint.
class RecordingView : public QWidget {
public:
    using QWidget::QWidget;
    QRegion painted;

protected:
    void paintEvent(QPaintEvent* event) override { painted += event->region(); }
};
