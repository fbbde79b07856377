#include "sdk/PDNetworks.h"

#include "platform/Scheduler.h"

#include <QFile>
#include <QSet>

#include <algorithm>
#include <iterator>
#include <string_view>

PDCacheableImage::PDCacheableImage(std::optional<QUrl> imageUrl) : m_url(std::move(imageUrl)) {}

void PDCacheableImage::load(std::function<void(std::optional<QByteArray>)> completion) const {
    if (!completion) {
        return;
    }
    // The image may go away while the read waits; then the completion gets nothing.
    platform::DispatchQueue::global(platform::QoS::utility)
        .async([weak = weak_from_this(), completion = std::move(completion)] {
            const auto self = weak.lock();
            if (!self) {
                completion(std::nullopt);
                return;
            }
            completion(self->read());
        });
}

std::optional<QByteArray> PDCacheableImage::read() const {
    if (!m_url || !m_url->isLocalFile()) {
        return std::nullopt;
    }
    QFile file(m_url->toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

PDNetworkItem::PDNetworkItem(Data data)
    : m_data(std::move(data)), m_foldedCountryCode(m_data.countryCode.toCaseFolded()) {
    const QString title = m_data.title.toCaseFolded();
    QString locationTitle = m_data.locationTitle.toCaseFolded();
    if (locationTitle == title) {
        locationTitle.clear();
    }
    // Matches across two texts are ruled out by their bounds; the separator only makes them rare.
    constexpr QChar separator(u'\0');
    m_foldedTexts =
        title + separator + locationTitle + separator +
        (m_data.vpnConfiguration ? m_data.vpnConfiguration->gatewayLocation.toCaseFolded() : QString());
    m_foldedTextEnds = {title.size(), title.size() + 1 + locationTitle.size(), m_foldedTexts.size()};
}

namespace {

// Where `search` occurs in `text` from `from` on, or -1. The texts are a few dozen characters: the standard
// library's pass over them for the first character, compared from there, costs less than Qt's rolling hash
// over every character.
qsizetype indexIn(QStringView text, QStringView search, qsizetype from) {
    const std::u16string_view haystack(text.utf16(), std::size_t(text.size()));
    const std::size_t at =
        haystack.find(std::u16string_view(search.utf16(), std::size_t(search.size())), std::size_t(from));
    return at == std::u16string_view::npos ? -1 : qsizetype(at);
}

} // namespace

bool PDNetworkItem::foldedTextsContain(QStringView search) const {
    const qsizetype length = search.size();
    const QStringView texts(m_foldedTexts);
    for (qsizetype at = indexIn(texts, search, 0); at >= 0; at = indexIn(texts, search, at + 1)) {
        qsizetype start = 0;
        for (const qsizetype end : m_foldedTextEnds) {
            if (at < end) {
                if (at >= start && at + length <= end) {
                    return true;
                }
                break;
            }
            start = end + 1;
        }
    }
    return false;
}

bool PDNetworkItem::isSameNetwork(const PDNetworkItem& other) const {
    return m_data.id && other.m_data.id && *m_data.id == *other.m_data.id;
}

std::optional<qsizetype> firstIndexOfNetwork(const QList<PDNetworkItemPtr>& networks,
                                             const PDNetworkItemPtr& network) {
    if (!network) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < networks.size(); ++i) {
        if (networks[i] && (networks[i] == network || networks[i]->isSameNetwork(*network))) {
            return i;
        }
    }
    return std::nullopt;
}

namespace {

PDNetworkItemPtr makeHeader(const QString& title, bool collapsible) {
    PDNetworkItem::Data data;
    data.kind = PDNetworkKind::header;
    data.title = title;
    data.locationTitle = title;
    data.isCollapsible = collapsible;
    return std::make_shared<PDNetworkItem>(std::move(data));
}

} // namespace

PDNetworksModel::PDNetworksModel(Content content) : m_content(std::move(content)) {
    m_privateHeader = makeHeader(QStringLiteral("Private Networks"), false);
    m_sharedHeader = makeHeader(m_content.sharedGroupName.isEmpty() ? QStringLiteral("Shared Networks")
                                                                    : m_content.sharedGroupName,
                                true);
    QHash<QString, qsizetype> continentAt;
    for (const auto& location : m_content.publicLocations) {
        auto found = continentAt.constFind(location->continent());
        if (found == continentAt.cend()) {
            found = continentAt.insert(location->continent(), m_continents.size());
            m_continents.append(Section{makeHeader(location->continent(), false), {}});
        }
        m_continents[*found].members.append(location);
    }
    const QSet<QString> favorites(m_content.favoriteIds.cbegin(), m_content.favoriteIds.cend());
    forEachNetwork([&](const PDNetworkItemPtr& network) {
        if (network->id()) {
            if (!m_byId.contains(*network->id())) {
                m_byId.insert(*network->id(), network); // the first of an id wins, as a search in order would
            }
            network->m_favorite = favorites.contains(*network->id());
        }
        m_longestCountryCode = std::max(m_longestCountryCode, network->m_foldedCountryCode.size());
    });
    m_filter = defaultFilter().value_or(PDLocationFilterType::privateNetworks);
    rebuild();
}

template <class Visit>
void PDNetworksModel::forEachNetwork(Visit&& visit) const {
    for (const auto* list :
         {&m_content.privateNetworks, &m_content.sharedNetworks, &m_content.publicLocations}) {
        for (const auto& network : *list) {
            visit(network);
        }
    }
}

bool PDNetworksModel::matches(const PDNetworkItem& item) const {
    return m_foldedSearch.isEmpty() || item.m_foldedCountryCode == m_foldedSearch ||
           item.foldedTextsContain(m_foldedSearch);
}

PDNetworksModel::Found PDNetworksModel::everyMember() const {
    Found all{m_content.privateNetworks, m_content.sharedNetworks, {}};
    all.continents.reserve(m_continents.size());
    for (const Section& continent : m_continents) {
        all.continents.append(continent.members);
    }
    return all;
}

PDNetworksModel::Found PDNetworksModel::currentFinds() const {
    return !m_foldedSearch.isEmpty() && !m_finds.empty() ? m_finds.back().second : everyMember();
}

PDNetworksModel::Found PDNetworksModel::find(const Found* within) const {
    const Found all = within ? Found{} : everyMember();
    const Found& from = within ? *within : all;
    Found result{found(from.privateNetworks), found(from.sharedNetworks), {}};
    result.continents.reserve(from.continents.size());
    for (const QList<PDNetworkItemPtr>& members : from.continents) {
        result.continents.append(found(members));
    }
    return result;
}

QList<PDNetworkItemPtr> PDNetworksModel::found(const QList<PDNetworkItemPtr>& members) const {
    if (m_foldedSearch.isEmpty()) {
        return members;
    }
    // Copied only from the first member the search does not find: a search that finds them all (a letter
    // typed onto a text that every member holds) shares the list it looked in.
    const auto missed = std::find_if(members.cbegin(), members.cend(),
                                     [this](const PDNetworkItemPtr& member) { return !matches(*member); });
    if (missed == members.cend()) {
        return members;
    }
    QList<PDNetworkItemPtr> result(members.cbegin(), missed);
    std::copy_if(std::next(missed), members.cend(), std::back_inserter(result),
                 [this](const PDNetworkItemPtr& member) { return matches(*member); });
    return result;
}

namespace {

// Joined without copying when either side is empty: lists of thousands are shared, not rebuilt.
QList<PDNetworkItemPtr> joined(const QList<PDNetworkItemPtr>& first, const QList<PDNetworkItemPtr>& second) {
    if (first.isEmpty()) {
        return second;
    }
    if (second.isEmpty()) {
        return first;
    }
    return first + second;
}

} // namespace

bool PDNetworksModel::rebuild() {
    std::lock_guard lock(m_mutex);
    // The header, then the members found; no header when none was. Rows go straight into the list.
    auto section = [](QList<PDNetworkItemPtr>& rows, const PDNetworkItemPtr& header,
                      const QList<PDNetworkItemPtr>& members, bool folded) {
        if (!members.isEmpty()) {
            rows.append(header);
            if (!folded) {
                rows.append(members);
            }
        }
    };

    // Each network is matched once for both row sets, and only when the search changed.
    const Found finds = currentFinds();
    const QList<PDNetworkItemPtr>& privateFound = finds.privateNetworks;
    const QList<PDNetworkItemPtr>& sharedFound = finds.sharedNetworks;
    const bool folded = m_collapsed && m_search.isEmpty();

    QList<PDNetworkItemPtr> networkRows;
    networkRows.reserve(privateFound.size() + (folded ? 0 : sharedFound.size()) + 2);
    section(networkRows, m_privateHeader, privateFound, false);
    section(networkRows, m_sharedHeader, sharedFound, folded);
    // A folded group still counts: the workspace gave those networks.
    m_networkItems = joined(privateFound, sharedFound);

    QList<PDNetworkItemPtr> locationRows;
    m_automaticRow = false;
    switch (m_filter) {
    case PDLocationFilterType::privateNetworks:
        if (folded) {
            section(locationRows, m_privateHeader, privateFound, false);
            section(locationRows, m_sharedHeader, sharedFound, false);
        } else {
            locationRows = networkRows; // the same rows: shared rather than built twice
        }
        break;
    case PDLocationFilterType::publicLocations: {
        qsizetype count = 1;
        for (const QList<PDNetworkItemPtr>& members : finds.continents) {
            count += members.isEmpty() ? 0 : members.size() + 1;
        }
        locationRows.reserve(count);
        if (m_content.automaticLocation && m_search.isEmpty()) {
            locationRows.append(m_content.automaticLocation);
            m_automaticRow = true;
        }
        for (qsizetype i = 0; i < m_continents.size() && i < finds.continents.size(); ++i) {
            section(locationRows, m_continents[i].header, finds.continents[i], false);
        }
        break;
    }
    case PDLocationFilterType::favorites:
        for (const auto* list : {&privateFound, &sharedFound}) {
            std::copy_if(list->cbegin(), list->cend(), std::back_inserter(locationRows),
                         [](const PDNetworkItemPtr& network) { return network->isFavorite(); });
        }
        for (const auto& location : m_content.publicLocations) {
            if (location->isFavorite() && matches(*location)) {
                locationRows.append(location);
            }
        }
        break;
    }
    // Compared element by element only when the counts agree: a cost of the rows found, no copies.
    const bool changed = networkRows != m_networkRows || locationRows != m_locationRows;
    m_networkRows = std::move(networkRows);
    m_locationRows = std::move(locationRows);
    return changed;
}

QList<PDNetworkItemPtr> PDNetworksModel::items() const {
    std::lock_guard lock(m_mutex);
    return m_networkItems;
}

int PDNetworksModel::numberOfNetworkRows() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_networkRows.size());
}

PDNetworkItemPtr PDNetworksModel::networkItem(int row) const {
    std::lock_guard lock(m_mutex);
    return row >= 0 && row < m_networkRows.size() ? m_networkRows[row] : nullptr;
}

QList<PDNetworkItemPtr> PDNetworksModel::networkRows() const {
    std::lock_guard lock(m_mutex);
    return m_networkRows;
}

bool PDNetworksModel::isHeaderRow(int row) const {
    const auto item = networkItem(row);
    return item && item->isHeader();
}

double PDNetworksModel::heightOfNetworkRow(int row) const {
    return isHeaderRow(row) ? kHeaderRowHeight : kNetworkRowHeight;
}

double PDNetworksModel::heightOfNetworkRow(const PDNetworkItem& row) {
    return row.isHeader() ? kHeaderRowHeight : kNetworkRowHeight;
}

bool PDNetworksModel::isCollapsed() const {
    std::lock_guard lock(m_mutex);
    return m_collapsed;
}

void PDNetworksModel::toggleCollapsed() {
    std::lock_guard lock(m_mutex);
    m_collapsed = !m_collapsed;
    rebuild();
}

int PDNetworksModel::selectedIndex() const {
    std::lock_guard lock(m_mutex);
    if (!m_currentId) {
        return -1;
    }
    for (int row = 0; row < m_networkRows.size(); ++row) {
        const auto& id = m_networkRows[row]->id();
        if (!m_networkRows[row]->isHeader() && id && *id == *m_currentId) {
            return row;
        }
    }
    return -1;
}

QString PDNetworksModel::searchText() const {
    std::lock_guard lock(m_mutex);
    return m_search;
}

bool PDNetworksModel::setSearchText(const QString& text) {
    std::lock_guard lock(m_mutex);
    const QString search = text.trimmed();
    if (search == m_search) {
        return false;
    }
    m_search = search;
    m_foldedSearch = m_search.toCaseFolded();
    // The finds kept are those of searches this one extends; the newest of them is where it looks.
    while (!m_finds.empty() && !m_foldedSearch.contains(m_finds.back().first)) {
        m_finds.pop_back();
    }
    if (!m_foldedSearch.isEmpty() && (m_finds.empty() || m_finds.back().first != m_foldedSearch)) {
        // A short search may find an item by its whole country code, which no shorter search found.
        const bool narrows = !m_finds.empty() && m_foldedSearch.size() > m_longestCountryCode;
        Found finds = find(narrows ? &m_finds.back().second : nullptr);
        m_finds.emplace_back(m_foldedSearch, std::move(finds));
    }
    return rebuild();
}

void PDNetworksModel::refresh() {
    rebuild();
}

int PDNetworksModel::numberOfLocationRows() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_locationRows.size());
}

PDNetworkItemPtr PDNetworksModel::item(int row) const {
    std::lock_guard lock(m_mutex);
    return row >= 0 && row < m_locationRows.size() ? m_locationRows[row] : nullptr;
}

double PDNetworksModel::heightOfLocationRow(const PDNetworkItem& row) {
    return row.isHeader() ? kHeaderRowHeight : kLocationRowHeight;
}

QList<PDNetworkItemPtr> PDNetworksModel::locationRows() const {
    std::lock_guard lock(m_mutex);
    return m_locationRows;
}

std::optional<int> PDNetworksModel::index(const PDNetworkItemPtr& network) const {
    std::lock_guard lock(m_mutex);
    if (!network) {
        return std::nullopt;
    }
    const int offset = m_automaticRow ? 1 : 0;
    for (int row = offset; row < m_locationRows.size(); ++row) {
        const auto& candidate = m_locationRows[row];
        if (!candidate->isHeader() && (candidate == network || candidate->isSameNetwork(*network))) {
            return row - offset;
        }
    }
    return std::nullopt;
}

void PDNetworksModel::applyFilter(PDLocationFilterType filter) {
    std::lock_guard lock(m_mutex);
    m_filter = filter;
    rebuild();
}

PDLocationFilterType PDNetworksModel::appliedFilter() const {
    std::lock_guard lock(m_mutex);
    return m_filter;
}

std::optional<PDLocationFilterType> PDNetworksModel::defaultFilter() const {
    std::lock_guard lock(m_mutex);
    if (!m_content.publicLocations.isEmpty()) {
        return PDLocationFilterType::publicLocations;
    }
    if (!m_content.privateNetworks.isEmpty() || !m_content.sharedNetworks.isEmpty()) {
        return PDLocationFilterType::privateNetworks;
    }
    return std::nullopt;
}

QList<PDLocationFilterType> PDNetworksModel::availableFilters() const {
    std::lock_guard lock(m_mutex);
    QList<PDLocationFilterType> filters;
    if (!m_content.privateNetworks.isEmpty() || !m_content.sharedNetworks.isEmpty()) {
        filters.append(PDLocationFilterType::privateNetworks);
    }
    if (!m_content.publicLocations.isEmpty()) {
        filters.append(PDLocationFilterType::publicLocations);
    }
    if (!filters.isEmpty()) {
        filters.append(PDLocationFilterType::favorites);
    }
    return filters;
}

bool PDNetworksModel::hasLocations() const {
    std::lock_guard lock(m_mutex);
    return !m_content.privateNetworks.isEmpty() || !m_content.sharedNetworks.isEmpty() ||
           !m_content.publicLocations.isEmpty();
}

void PDNetworksModel::setFavorite(const PDNetworkItemPtr& network, bool favorite) {
    if (const auto own = network && network->id() ? networkWithId(*network->id()) : nullptr) {
        own->m_favorite = favorite;
    }
}

bool PDNetworksModel::toggleFavorite(const PDNetworkItemPtr& network) {
    const auto own = network && network->id() ? networkWithId(*network->id()) : nullptr;
    if (!own) {
        return false;
    }
    const bool now = !own->isFavorite();
    own->m_favorite = now;
    return now;
}

QList<PDNetworkItemPtr> PDNetworksModel::privateNetworks() const {
    std::lock_guard lock(m_mutex);
    return m_content.privateNetworks;
}

QList<PDNetworkItemPtr> PDNetworksModel::sharedNetworks() const {
    std::lock_guard lock(m_mutex);
    return m_content.sharedNetworks;
}

QString PDNetworksModel::sharedGroupName() const {
    std::lock_guard lock(m_mutex);
    return m_sharedHeader->title();
}

QList<PDNetworkItemPtr> PDNetworksModel::publicLocations() const {
    std::lock_guard lock(m_mutex);
    return m_content.publicLocations;
}

QList<PDNetworkItemPtr> PDNetworksModel::favoriteLocations() const {
    std::lock_guard lock(m_mutex);
    QList<PDNetworkItemPtr> result;
    forEachNetwork([&](const PDNetworkItemPtr& network) {
        if (network->isFavorite()) {
            result.append(network);
        }
    });
    return result;
}

QList<PDNetworkItemPtr> PDNetworksModel::groupedNetworks() const {
    std::lock_guard lock(m_mutex);
    return m_content.privateNetworks + m_content.sharedNetworks;
}

QList<PDNetworkItemPtr> PDNetworksModel::lastUsedNetworks() const {
    std::lock_guard lock(m_mutex);
    return m_content.lastUsed;
}

PDNetworkItemPtr PDNetworksModel::automaticLocation() const {
    std::lock_guard lock(m_mutex);
    return m_content.automaticLocation;
}

QList<PDNetworkItemPtr> PDNetworksModel::allNetworks() const {
    std::lock_guard lock(m_mutex);
    return m_content.privateNetworks + m_content.sharedNetworks + m_content.publicLocations;
}

PDNetworkItemPtr PDNetworksModel::networkWithId(const QString& id) const {
    std::lock_guard lock(m_mutex);
    if (m_content.automaticLocation && m_content.automaticLocation->id() == id) {
        return m_content.automaticLocation;
    }
    return m_byId.value(id);
}

void PDNetworksModel::setCurrentNetworkId(std::optional<QString> id) {
    std::lock_guard lock(m_mutex);
    m_currentId = std::move(id);
}

void PDNetworksModel::noteUsed(const PDNetworkItemPtr& network) {
    std::lock_guard lock(m_mutex);
    if (!network || network->isHeader()) {
        return;
    }
    if (const auto at = firstIndexOfNetwork(m_content.lastUsed, network)) {
        m_content.lastUsed.removeAt(*at);
    }
    m_content.lastUsed.append(network);
    while (m_content.lastUsed.size() > kLastUsedLimit) {
        m_content.lastUsed.removeFirst();
    }
}
