#include "toolkit/NSViewControllerBase.h"

#include "core/AppRouterProtocol.h"

NSViewControllerBase::NSViewControllerBase(QObject* parent) : platform::ViewController(parent) {}

AppRouterProtocol* NSViewControllerBase::appRouter() const {
    return ::appRouter();
}
