#pragma once

class QWidget;

// Told when a view wants another height (the owner holds its height).
class SizeChangeableViewDelegate {
public:
    virtual ~SizeChangeableViewDelegate() = default;
    virtual void viewSizeChanged(QWidget* view, double height) = 0;
};
