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

PDNetworkItem::PDNetworkItem(Data data) : m_data(std::move(data)) {}

PDNetworkItemPtr PDNetworkRows::value(qsizetype row) const {
    return row >= 0 && row < size() ? m_items->items[(*m_rows)[std::size_t(row)]] : nullptr;
}

bool PDNetworkRows::isHeader(qsizetype row) const {
    return row >= 0 && row < size() && m_items->isHeader((*m_rows)[std::size_t(row)]);
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

std::u16string_view view(QStringView text) {
    return {text.utf16(), std::size_t(text.size())};
}

} // namespace

PDNetworksModel::PDNetworksModel(Content content) : m_content(std::move(content)) {
    auto table = std::make_shared<PDNetworkRows::Items>();
    std::vector<PDNetworkItemPtr>& items = table->items;
    const auto next = [&items] { return static_cast<std::uint32_t>(items.size()); };
    const auto appendGroup = [&](Section& section, const QList<PDNetworkItemPtr>& members) {
        section.from = next();
        items.insert(items.end(), members.cbegin(), members.cend());
        section.to = next();
    };
    appendGroup(m_private, m_content.privateNetworks);
    appendGroup(m_shared, m_content.sharedNetworks);

    // Public locations by continent, each continent's in the workspace's order.
    QHash<QString, std::size_t> continentAt;
    QStringList continentNames;
    std::vector<std::vector<qsizetype>> byContinent;
    for (qsizetype i = 0; i < m_content.publicLocations.size(); ++i) {
        const QString& continent = m_content.publicLocations[i]->continent();
        auto found = continentAt.constFind(continent);
        if (found == continentAt.cend()) {
            found = continentAt.insert(continent, byContinent.size());
            continentNames.append(continent);
            byContinent.emplace_back();
        }
        byContinent[*found].push_back(i);
    }
    m_publicInContentOrder.resize(std::size_t(m_content.publicLocations.size()));
    for (const std::vector<qsizetype>& members : byContinent) {
        Section& continent = m_continents.emplace_back();
        continent.from = next();
        for (const qsizetype member : members) {
            m_publicInContentOrder[std::size_t(member)] = next();
            items.push_back(m_content.publicLocations[member]);
        }
        continent.to = next();
    }
    m_networkCount = next();
    if (m_content.automaticLocation) {
        m_automaticIndex = next();
        items.push_back(m_content.automaticLocation);
    }

    table->headersFrom = next();
    m_private.header = next();
    items.push_back(makeHeader(QStringLiteral("Private Networks"), false));
    m_shared.header = next();
    items.push_back(makeHeader(m_content.sharedGroupName.isEmpty() ? QStringLiteral("Shared Networks")
                                                                   : m_content.sharedGroupName,
                               true));
    for (std::size_t i = 0; i < m_continents.size(); ++i) {
        m_continents[i].header = next();
        items.push_back(makeHeader(continentNames[qsizetype(i)], false));
    }

    m_searchTextAt.reserve(m_networkCount);
    for (std::uint32_t i = 0; i < m_networkCount; ++i) {
        const PDNetworkItem& network = *items[i];
        const QString title = network.title().toCaseFolded();
        QString locationTitle = network.locationTitle().toCaseFolded();
        if (locationTitle == title) {
            locationTitle.clear();
        }
        const QString region = network.vpnConfiguration()
                                   ? network.vpnConfiguration()->gatewayLocation.toCaseFolded()
                                   : QString();
        const QString countryCode = network.countryCode().toCaseFolded();
        SearchText& at = m_searchTextAt.emplace_back();
        at.start = static_cast<std::uint32_t>(m_searchTexts.size());
        std::size_t end = 0;
        for (const QString* text :
             std::initializer_list<const QString*>{&title, &locationTitle, &region, &countryCode}) {
            m_searchTexts.append(view(*text));
            at.ends[end++] = static_cast<std::uint32_t>(m_searchTexts.size());
            m_searchTexts.push_back(u'\0'); // matches across two texts are ruled out by their bounds
        }
        m_longestCountryCode = std::max(m_longestCountryCode, countryCode.size());
    }
    m_items = std::move(table);

    const QSet<QString> favorites(m_content.favoriteIds.cbegin(), m_content.favoriteIds.cend());
    forEachNetwork([&](const PDNetworkItemPtr& network) {
        if (network->id()) {
            if (!m_byId.contains(*network->id())) {
                m_byId.insert(*network->id(), network); // the first of an id wins, as a search in order would
            }
            network->m_favorite = favorites.contains(*network->id());
        }
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

bool PDNetworksModel::matches(std::uint32_t index) const {
    if (m_foldedSearch.isEmpty()) {
        return true;
    }
    const std::u16string_view search = view(m_foldedSearch);
    const SearchText& at = m_searchTextAt[index];
    const std::u16string_view texts(m_searchTexts.data() + at.start, at.ends[3] - at.start);
    const std::size_t codeStart = at.ends[2] + 1 - at.start;
    if (texts.substr(codeStart) == search) {
        return true;
    }
    // The first three texts are found anywhere in them; the country code only whole.
    const std::u16string_view anywhere = texts.substr(0, at.ends[2] - at.start);
    for (std::size_t found = anywhere.find(search); found != std::u16string_view::npos;
         found = anywhere.find(search, found + 1)) {
        std::size_t start = 0;
        for (std::size_t text = 0; text < 3; ++text) {
            const std::size_t end = at.ends[text] - at.start;
            if (found < end) {
                if (found >= start && found + search.size() <= end) {
                    return true;
                }
                break;
            }
            start = end + 1;
        }
    }
    return false;
}

const PDNetworksModel::Indices* PDNetworksModel::currentFinds() const {
    return !m_foldedSearch.isEmpty() && !m_finds.empty() ? &m_finds.back().second : nullptr;
}

PDNetworksModel::Indices PDNetworksModel::find(const Indices* within) const {
    Indices result;
    if (within) {
        result.reserve(within->size());
        std::copy_if(within->cbegin(), within->cend(), std::back_inserter(result),
                     [this](std::uint32_t network) { return matches(network); });
        return result;
    }
    for (std::uint32_t network = 0; network < m_networkCount; ++network) {
        if (matches(network)) {
            result.push_back(network);
        }
    }
    return result;
}

namespace {

// The members of [from, to) that `finds` (sorted) holds, or all of them for no finds.
template <class Visit>
void forEachFound(std::uint32_t from, std::uint32_t to, const std::vector<std::uint32_t>* finds,
                  Visit&& visit) {
    if (!finds) {
        for (std::uint32_t member = from; member < to; ++member) {
            visit(member);
        }
        return;
    }
    const auto first = std::lower_bound(finds->cbegin(), finds->cend(), from);
    std::for_each(first, std::lower_bound(first, finds->cend(), to), visit);
}

} // namespace

void PDNetworksModel::appendSection(Indices& rows, const Section& section, const Indices* finds,
                                    bool headerOnly) {
    const std::size_t headerAt = rows.size();
    rows.push_back(section.header);
    bool found = false;
    forEachFound(section.from, section.to, finds, [&](std::uint32_t member) {
        found = true;
        if (!headerOnly) {
            rows.push_back(member);
        }
    });
    if (!found) {
        rows.resize(headerAt); // no header when none was found
    }
}

bool PDNetworksModel::rebuild() {
    std::lock_guard lock(m_mutex);
    // Each network is matched once for both row sets, and only when the search changed.
    const Indices* finds = currentFinds();
    const bool folded = m_collapsed && m_search.isEmpty();

    auto networkRows = std::make_shared<Indices>();
    appendSection(*networkRows, m_private, finds);
    appendSection(*networkRows, m_shared, finds, folded);

    auto locationRows = std::make_shared<Indices>();
    m_automaticRow = false;
    const auto appendGroups = [&] {
        appendSection(*locationRows, m_private, finds); // the locations window never folds
        appendSection(*locationRows, m_shared, finds);
    };
    const auto appendContinents = [&] {
        for (const Section& continent : m_continents) {
            appendSection(*locationRows, continent, finds);
        }
    };
    if (finds) {
        // A search looks past the filter, whose tabs are away while it runs.
        appendGroups();
        appendContinents();
    } else {
        switch (m_filter) {
        case PDLocationFilterType::privateNetworks:
            appendGroups();
            break;
        case PDLocationFilterType::publicLocations:
            locationRows->reserve(m_networkCount + m_continents.size() + 1);
            if (m_automaticIndex) {
                locationRows->push_back(*m_automaticIndex);
                m_automaticRow = true;
            }
            appendContinents();
            break;
        case PDLocationFilterType::favorites:
            for (const Section* group : {&m_private, &m_shared}) {
                for (std::uint32_t network = group->from; network < group->to; ++network) {
                    if (itemAt(network)->isFavorite()) {
                        locationRows->push_back(network);
                    }
                }
            }
            for (const std::uint32_t location : m_publicInContentOrder) {
                if (itemAt(location)->isFavorite()) {
                    locationRows->push_back(location);
                }
            }
            break;
        }
    }
    // Unchanged rows keep their list, so that what was handed out stays what the model holds.
    bool changed = false;
    for (auto [built, kept] :
         {std::pair{&networkRows, &m_networkRows}, std::pair{&locationRows, &m_locationRows}}) {
        if (!*kept || **built != **kept) {
            *kept = std::move(*built);
            changed = true;
        }
    }
    return changed;
}

QList<PDNetworkItemPtr> PDNetworksModel::items() const {
    std::lock_guard lock(m_mutex);
    // A folded group still counts: the workspace gave those networks.
    QList<PDNetworkItemPtr> networks;
    for (const Section* group : {&m_private, &m_shared}) {
        forEachFound(group->from, group->to, currentFinds(),
                     [&](std::uint32_t network) { networks.append(itemAt(network)); });
    }
    return networks;
}

int PDNetworksModel::numberOfNetworkRows() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_networkRows->size());
}

PDNetworkItemPtr PDNetworksModel::networkItem(int row) const {
    std::lock_guard lock(m_mutex);
    return row >= 0 && std::size_t(row) < m_networkRows->size() ? itemAt((*m_networkRows)[std::size_t(row)])
                                                                : nullptr;
}

PDNetworkRows PDNetworksModel::networkRows() const {
    std::lock_guard lock(m_mutex);
    return rows(m_networkRows);
}

bool PDNetworksModel::isHeaderRow(int row) const {
    std::lock_guard lock(m_mutex);
    return row >= 0 && std::size_t(row) < m_networkRows->size() &&
           m_items->isHeader((*m_networkRows)[std::size_t(row)]);
}

double PDNetworksModel::heightOfNetworkRow(int row) const {
    return isHeaderRow(row) ? kHeaderRowHeight : kNetworkRowHeight;
}

double PDNetworksModel::heightOfNetworkRow(const PDNetworkRows& rows, qsizetype row) {
    return rows.isHeader(row) ? kHeaderRowHeight : kNetworkRowHeight;
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
    const Indices& shown = *m_networkRows;
    for (std::size_t row = 0; row < shown.size(); ++row) {
        if (!m_items->isHeader(shown[row]) && itemAt(shown[row])->id() == m_currentId) {
            return static_cast<int>(row);
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
        Indices finds = find(narrows ? &m_finds.back().second : nullptr);
        m_finds.emplace_back(m_foldedSearch, std::move(finds));
    }
    return rebuild();
}

void PDNetworksModel::refresh() {
    rebuild();
}

int PDNetworksModel::numberOfLocationRows() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_locationRows->size());
}

PDNetworkItemPtr PDNetworksModel::item(int row) const {
    std::lock_guard lock(m_mutex);
    return row >= 0 && std::size_t(row) < m_locationRows->size() ? itemAt((*m_locationRows)[std::size_t(row)])
                                                                 : nullptr;
}

double PDNetworksModel::heightOfLocationRow(const PDNetworkRows& rows, qsizetype row) {
    return rows.isHeader(row) ? kHeaderRowHeight : kLocationRowHeight;
}

PDNetworkRows PDNetworksModel::locationRows() const {
    std::lock_guard lock(m_mutex);
    return rows(m_locationRows);
}

std::optional<int> PDNetworksModel::index(const PDNetworkItemPtr& network) const {
    std::lock_guard lock(m_mutex);
    if (!network) {
        return std::nullopt;
    }
    const std::size_t offset = m_automaticRow ? 1 : 0;
    const Indices& shown = *m_locationRows;
    for (std::size_t row = offset; row < shown.size(); ++row) {
        if (m_items->isHeader(shown[row])) {
            continue;
        }
        const PDNetworkItemPtr& candidate = itemAt(shown[row]);
        if (candidate == network || candidate->isSameNetwork(*network)) {
            return static_cast<int>(row - offset);
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
    const auto own = network && network->id() ? networkWithId(*network->id()) : nullptr;
    if (own && own->m_favorite.exchange(favorite) != favorite && m_favoritesObserver) {
        m_favoritesObserver();
    }
}

bool PDNetworksModel::toggleFavorite(const PDNetworkItemPtr& network) {
    const auto own = network && network->id() ? networkWithId(*network->id()) : nullptr;
    if (!own) {
        return false;
    }
    const bool now = !own->isFavorite();
    setFavorite(own, now);
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
    return itemAt(m_shared.header)->title();
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
