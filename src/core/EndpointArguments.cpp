#include "core/EndpointArguments.h"

#include "core/Log.h"

EndpointArguments parseEndpointArguments(const QStringList& arguments) {
    EndpointArguments result;
    result.runAsAgent = arguments.contains(QStringLiteral("-RunAsAgent"));
    if (arguments.contains(QStringLiteral("-USE_STAGING_ENV"))) {
        result.targetEnvironment = SDEnvironment::staging;
    } else if (arguments.contains(QStringLiteral("-USE_INTEGRATION_ENV"))) {
        result.targetEnvironment = SDEnvironment::integration;
    }
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("-USE_CUSTOM_MTU")) {
            result.customMTUs.append(arguments[i + 1]);
        }
    }
    const qsizetype custom = arguments.indexOf(QStringLiteral("-USE_CUSTOM_ENV"));
    if (custom >= 0 && custom + 4 < arguments.size()) {
        const QString& portText = arguments[custom + 4];
        bool ok = false;
        const qulonglong parsed = portText.toULongLong(&ok, 10);
        std::uint32_t port = defaultCustomPort;
        if (ok && parsed <= std::numeric_limits<std::uint32_t>::max() && !portText.startsWith('+')) {
            port = static_cast<std::uint32_t>(parsed);
        } else {
            vlog::warning(
                QStringLiteral("-USE_CUSTOM_ENV: unparsable port, using %1").arg(defaultCustomPort));
        }
        result.customEndpoint =
            PDEndpointConfig(arguments[custom + 1], arguments[custom + 2], arguments[custom + 3], port);
    }
    return result;
}
