#pragma once

#include "toolkit/PopoverViewDelegate.h"

// Counts what a popover view reports of its buttons, and who pressed last.
class RecordingPopoverDelegate : public PopoverViewDelegate {
public:
    int confirmed = 0;
    int canceled = 0;
    QObject* lastSender = nullptr;
    void popoverConfirmed(QObject* sender) override {
        ++confirmed;
        lastSender = sender;
    }
    void popoverCanceled(QObject* sender) override {
        ++canceled;
        lastSender = sender;
    }
};
