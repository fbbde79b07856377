#pragma once

#include "toolkit/PopoverViewDelegate.h"

// Counts what a popover view reports of its buttons.
class RecordingPopoverDelegate : public PopoverViewDelegate {
public:
    int confirmed = 0;
    int canceled = 0;
    void popoverConfirmed(QObject*) override { ++confirmed; }
    void popoverCanceled(QObject*) override { ++canceled; }
};
