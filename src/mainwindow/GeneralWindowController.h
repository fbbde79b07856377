#pragma once

#include "toolkit/BaseWindowViewController.h"

// The main window; its content is a GeneralViewController.
class GeneralWindowController : public BaseWindowViewController {
    Q_OBJECT
public:
    explicit GeneralWindowController(QObject* parent = nullptr);
};
