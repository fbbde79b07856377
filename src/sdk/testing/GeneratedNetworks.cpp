#include "sdk/testing/GeneratedNetworks.h"

#include "sdk/Workspace.h"

#include <QDir>

namespace sdk::testing {

PDNetworkItemPtr makeNetworkItem(const QString& id, PDNetworkKind kind, const QString& name,
                                 const QString& continent, const QString& country) {
    PDNetworkItem::Data data;
    data.id = id;
    data.kind = kind;
    data.title = name;
    data.locationTitle = name;
    data.continent = continent;
    data.countryCode = country;
    data.vpnConfiguration = SDVPNConfig{id, id + QStringLiteral(".gw.example.invalid"), name, {}};
    const QUrl flag = flagUrl(country);
    data.flagImage =
        std::make_shared<PDCacheableImage>(flag.isEmpty() ? std::nullopt : std::optional<QUrl>(flag));
    return std::make_shared<PDNetworkItem>(std::move(data));
}

const QStringList& flagCountryCodes() {
    static const QStringList codes = [] {
        QStringList found;
        for (const QString& file :
             QDir(QString::fromUtf8(kFlagDirectory)).entryList({QStringLiteral("*.svg")})) {
            if (!file.startsWith(QLatin1Char('_'))) {
                found << file.chopped(4);
            }
        }
        return found;
    }();
    return codes;
}

PDNetworksModelPtr generatedNetworksModel(int count, int countries) {
    static const QStringList continents{"Africa",        "Antarctica", "Asia",         "Europe",
                                        "North America", "Oceania",    "South America"};
    const QStringList codes =
        countries < 0 ? flagCountryCodes() : flagCountryCodes().mid(0, std::max(1, countries));
    PDNetworksModel::Content content;
    content.publicLocations.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString code = codes.isEmpty() ? QStringLiteral("de") : codes[i % codes.size()];
        content.publicLocations.append(
            makeNetworkItem(QStringLiteral("loc-%1").arg(i), PDNetworkKind::publicLocation,
                            QStringLiteral("%1 - City %2").arg(code.toUpper()).arg(i),
                            continents[static_cast<qsizetype>(i) * continents.size() / count], code));
    }
    content.automaticLocation =
        makeNetworkItem(QStringLiteral("automatic"), PDNetworkKind::automatic, QStringLiteral("Automatic"),
                        QStringLiteral("Europe"), QStringLiteral("de"));
    return std::make_shared<PDNetworksModel>(std::move(content));
}

} // namespace sdk::testing
