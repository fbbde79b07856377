#pragma once

class QObject;

// How a popover view of the modal overlay reports its buttons; `sender` is the pressed control, or null.
class PopoverViewDelegate {
public:
    virtual ~PopoverViewDelegate() = default;
    virtual void popoverConfirmed(QObject* sender) = 0;
    virtual void popoverCanceled(QObject* sender) = 0;
};
