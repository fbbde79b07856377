#pragma once

#include "platform/ViewController.h"

class AppRouterProtocol;

// Base of the client's content controllers: gives them the router.
class NSViewControllerBase : public platform::ViewController {
    Q_OBJECT
public:
    explicit NSViewControllerBase(QObject* parent = nullptr);

    // The application delegate as the router; null before the delegate is installed.
    virtual AppRouterProtocol* appRouter() const;
};
