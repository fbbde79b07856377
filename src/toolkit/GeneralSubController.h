#pragma once

#include "toolkit/NSViewControllerBase.h"

// The base of the main window's tab controllers: the container recognises its tabs by it.
class GeneralSubController : public NSViewControllerBase {
    Q_OBJECT
public:
    using NSViewControllerBase::NSViewControllerBase;

signals:
    // The tab has handed its work over to the home tab (a network chosen to connect), which its container
    // then shows.
    void homeTabRequested();
};
