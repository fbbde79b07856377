#include "sdk/Analytics.h"

QString analyticsParameterName(AnalyticsParameter parameter) {
    switch (parameter) {
    case AnalyticsParameter::networkId:
        return QStringLiteral("networkId");
    case AnalyticsParameter::networkName:
        return QStringLiteral("networkName");
    case AnalyticsParameter::gatewayLocation:
        return QStringLiteral("gatewayLocation");
    case AnalyticsParameter::publicIP:
        return QStringLiteral("publicIP");
    case AnalyticsParameter::gatewayInternalIP:
        return QStringLiteral("gatewayInternalIP");
    case AnalyticsParameter::errorCode:
        return QStringLiteral("errorCode");
    case AnalyticsParameter::errorMessage:
        return QStringLiteral("errorMessage");
    case AnalyticsParameter::latency:
        return QStringLiteral("latency");
    case AnalyticsParameter::vpnProtocol:
        return QStringLiteral("vpnProtocol");
    case AnalyticsParameter::wifiSSID:
        return QStringLiteral("wifiSSID");
    }
    return {};
}

QString AnalyticsEvent::parameter(AnalyticsParameter key) const {
    if (!parameters) {
        return {};
    }
    const auto found = parameters->find(key);
    return found == parameters->end() ? QString() : found->second;
}

QVariantMap AnalyticsEvent::parameterMap() const {
    QVariantMap map;
    if (parameters) {
        for (const auto& [key, value] : *parameters) {
            map.insert(analyticsParameterName(key), value);
        }
    }
    return map;
}
