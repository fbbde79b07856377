#pragma once

// The application's life events as the home tab and the locations window follow them.
class AppStateObserverProtocol {
public:
    virtual ~AppStateObserverProtocol() = default;
    virtual void appWillBecomeActive() = 0;
    virtual void appDidResignActive() = 0;
    virtual void appDidReopen() = 0;
    virtual void appWindowDidShow() = 0;
    virtual void mainWindowWillClose() = 0;
};
