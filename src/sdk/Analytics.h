#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <map>
#include <optional>

// Keys of an analytics event's parameters; every value is a text.
enum class AnalyticsParameter {
    networkId,
    networkName,
    gatewayLocation,
    publicIP,
    gatewayInternalIP,
    errorCode,
    errorMessage,
    latency,
    vpnProtocol,
    wifiSSID,
};
QString analyticsParameterName(AnalyticsParameter parameter);

// What started an event: a button (kind 0) or a menu item (kind 1) with its title, or nothing (kind 3).
struct AnalyticsTrigger {
    enum class Kind : int { button = 0, menuItem = 1, system = 2, empty = 3 };
    Kind kind = Kind::empty;
    std::optional<QString> title;

    static AnalyticsTrigger button(std::optional<QString> title = std::nullopt) {
        return {Kind::button, std::move(title)};
    }
    static AnalyticsTrigger menuItem(std::optional<QString> title) {
        return {Kind::menuItem, std::move(title)};
    }
    static AnalyticsTrigger none() { return {Kind::empty, std::nullopt}; }
    bool operator==(const AnalyticsTrigger&) const = default;
};

struct AnalyticsEvent {
    using Parameters = std::map<AnalyticsParameter, QString>;

    AnalyticsEvent() = default;
    AnalyticsEvent(int category, int type, std::optional<QStringList> contextIncludes,
                   AnalyticsTrigger triggeredBy, std::optional<Parameters> parameters,
                   std::optional<bool> wantsBeIgnoredIfRecentlySent)
        : category(category), type(type), contextIncludes(std::move(contextIncludes)),
          triggeredBy(std::move(triggeredBy)), parameters(std::move(parameters)),
          wantsBeIgnoredIfRecentlySent(wantsBeIgnoredIfRecentlySent) {}

    int category = 0;
    int type = 0;
    std::optional<QStringList> contextIncludes;
    AnalyticsTrigger triggeredBy;
    std::optional<Parameters> parameters;
    std::optional<bool> wantsBeIgnoredIfRecentlySent;

    // The value of one parameter, or an empty text.
    QString parameter(AnalyticsParameter key) const;
    // Parameters keyed by their names, for recording.
    QVariantMap parameterMap() const;

    bool operator==(const AnalyticsEvent&) const = default;
};
