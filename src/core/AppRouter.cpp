#include "core/AppRouterProtocol.h"

#include "platform/Application.h"

AppRouterProtocol* appRouter() {
    auto* application = platform::Application::instance();
    return application ? dynamic_cast<AppRouterProtocol*>(application->delegate()) : nullptr;
}
