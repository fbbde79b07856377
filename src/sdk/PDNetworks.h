#pragma once

// Networks and locations of the workspace: items, their flag images and the one live model the lists read.

#include "sdk/PDTypes.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

// A location's flag as the SDK hands it out. `load` hands the file's bytes (an SVG) to the completion, on a
// background thread; nothing when there is no image or it cannot be read. The file is read at each load and
// its bytes are not kept: the client keeps what it decodes from them, once per size.
class PDCacheableImage : public std::enable_shared_from_this<PDCacheableImage> {
public:
    explicit PDCacheableImage(std::optional<QUrl> imageUrl);

    const std::optional<QUrl>& imageUrl() const { return m_url; }
    void load(std::function<void(std::optional<QByteArray>)> completion) const;

private:
    std::optional<QByteArray> read() const;

    std::optional<QUrl> m_url;
};
using PDCacheableImagePtr = std::shared_ptr<PDCacheableImage>;

enum class PDNetworkKind { privateNetwork, sharedNetwork, publicLocation, automatic, header };

// A network, a public location, the automatic location or a section header. Items are shared: the
// same object stands for a network wherever the SDK hands it out, and networks are also compared by id.
class PDNetworkItem {
public:
    struct Data {
        std::optional<QString> id;
        PDNetworkKind kind = PDNetworkKind::publicLocation;
        QString title;         // list and display title
        QString locationTitle; // the name the locations window shows
        QString countryCode;   // lower-case ISO code; empty for none
        QString continent;
        bool isCollapsible = false;
        bool isSplitTunnelingEnabled = false;
        bool isDNSFilteringEnabled = false;
        bool isPrivateDNSEnabled = false;
        std::optional<SDVPNConfig> vpnConfiguration;
        PDCacheableImagePtr flagImage;
    };

    explicit PDNetworkItem(Data data);

    const std::optional<QString>& id() const { return m_data.id; }
    PDNetworkKind kind() const { return m_data.kind; }
    const QString& title() const { return m_data.title; }
    const QString& displayTitle() const { return m_data.title; }
    const QString& locationTitle() const { return m_data.locationTitle; }
    const QString& countryCode() const { return m_data.countryCode; }
    const QString& continent() const { return m_data.continent; }
    bool isHeader() const { return m_data.kind == PDNetworkKind::header; }
    bool isCollapsible() const { return m_data.isCollapsible; }
    // Private to the workspace (its own and shared networks), as against a public gateway location.
    bool isPrivate() const {
        return m_data.kind == PDNetworkKind::privateNetwork || m_data.kind == PDNetworkKind::sharedNetwork;
    }
    bool isShared() const { return m_data.kind == PDNetworkKind::sharedNetwork; }
    bool isAutomatic() const { return m_data.kind == PDNetworkKind::automatic; }
    bool isSplitTunnelingEnabled() const { return m_data.isSplitTunnelingEnabled; }
    bool isDNSFilteringEnabled() const { return m_data.isDNSFilteringEnabled; }
    bool isPrivateDNSEnabled() const { return m_data.isPrivateDNSEnabled; }
    const std::optional<SDVPNConfig>& vpnConfiguration() const { return m_data.vpnConfiguration; }
    // The flag (or the network's image); never null for networks and locations, null for headers.
    const PDCacheableImagePtr& flagImage() const { return m_data.flagImage; }
    const PDCacheableImagePtr& image() const { return m_data.flagImage; }
    bool isFavorite() const { return m_favorite.load(); }
    // Same network: both ids present and equal.
    bool isSameNetwork(const PDNetworkItem& other) const;

private:
    friend class PDNetworksModel;

    Data m_data;
    std::atomic<bool> m_favorite{false};
};
using PDNetworkItemPtr = std::shared_ptr<PDNetworkItem>;

// One of the model's lists as it stood when asked for. Rows are numbers into the model's items, which never
// change: keeping, comparing and dropping thousands of rows costs an array of numbers, and a row's kind is
// known without reading its item.
class PDNetworkRows {
public:
    PDNetworkRows() = default;

    qsizetype size() const { return m_rows ? qsizetype(m_rows->size()) : 0; }
    bool isEmpty() const { return size() == 0; }
    // Null out of range.
    PDNetworkItemPtr value(qsizetype row) const;
    bool isHeader(qsizetype row) const;

private:
    friend class PDNetworksModel;
    // Networks and locations first, then the automatic location, then the headers.
    struct Items {
        std::vector<PDNetworkItemPtr> items;
        std::uint32_t headersFrom = 0;
        bool isHeader(std::uint32_t index) const { return index >= headersFrom; }
    };
    using Indices = std::vector<std::uint32_t>;

    PDNetworkRows(std::shared_ptr<const Items> items, std::shared_ptr<const Indices> rows)
        : m_items(std::move(items)), m_rows(std::move(rows)) {}

    std::shared_ptr<const Items> m_items;
    std::shared_ptr<const Indices> m_rows;
};

// Index of the first item that is the same network (by id), or nothing.
std::optional<qsizetype> firstIndexOfNetwork(const QList<PDNetworkItemPtr>& networks,
                                             const PDNetworkItemPtr& network);

// The workspace's networks as the lists show them. Two row sets live side by side: the networks tab's
// (private networks, then the collapsible shared group) and the locations window's (by filter: private
// and shared networks, public locations under continent headers, or favourites). Both follow one search
// text. Under the Public filter with no search text, location row 0 is the automatic location;
// `index(of:)` counts rows without it. Every member may be called from any thread.
class PDNetworksModel {
public:
    struct Content {
        QList<PDNetworkItemPtr> privateNetworks;
        QString sharedGroupName;
        QList<PDNetworkItemPtr> sharedNetworks;
        QList<PDNetworkItemPtr> publicLocations;
        PDNetworkItemPtr automaticLocation;
        QList<PDNetworkItemPtr> lastUsed; // oldest first
        QStringList favoriteIds;
    };

    explicit PDNetworksModel(Content content);

    // Networks tab.
    QList<PDNetworkItemPtr> items() const; // the networks the tab shows now (no headers)
    int numberOfNetworkRows() const;
    PDNetworkItemPtr networkItem(int row) const;
    // Every row, headers included, as one snapshot: for reading thousands of rows without a lock each.
    PDNetworkRows networkRows() const;
    bool isHeaderRow(int row) const;
    double heightOfNetworkRow(int row) const;
    static double heightOfNetworkRow(const PDNetworkRows& rows, qsizetype row);
    bool isCollapsed() const;
    void toggleCollapsed();
    int selectedIndex() const; // row of the current network, -1 for none
    QString searchText() const;
    bool setSearchText(const QString& text); // true when the rows changed
    void refresh();

    // Locations window.
    int numberOfLocationRows() const;
    PDNetworkItemPtr item(int row) const;
    static double heightOfLocationRow(const PDNetworkRows& rows, qsizetype row);
    // Every row, as one snapshot: for reading thousands of rows without a lock each.
    PDNetworkRows locationRows() const;
    std::optional<int> index(const PDNetworkItemPtr& network) const;
    void applyFilter(PDLocationFilterType filter);
    PDLocationFilterType appliedFilter() const;
    std::optional<PDLocationFilterType> defaultFilter() const;
    QList<PDLocationFilterType> availableFilters() const;
    bool hasLocations() const;
    // Marks or unmarks a favourite; the lists change on the next refresh().
    void setFavorite(const PDNetworkItemPtr& network, bool favorite);
    bool toggleFavorite(const PDNetworkItemPtr& network); // the new state
    // Told after a favourite changed, on the thread that changed it; set before the model is shared.
    void setFavoritesObserver(std::function<void()> observer) { m_favoritesObserver = std::move(observer); }

    // Lists for the menus and the quick-access window.
    QList<PDNetworkItemPtr> privateNetworks() const;
    QList<PDNetworkItemPtr> sharedNetworks() const;
    QString sharedGroupName() const;
    QList<PDNetworkItemPtr> publicLocations() const;
    QList<PDNetworkItemPtr> favoriteLocations() const;
    QList<PDNetworkItemPtr> groupedNetworks() const;  // private, then shared networks
    QList<PDNetworkItemPtr> lastUsedNetworks() const; // oldest first
    PDNetworkItemPtr automaticLocation() const;
    // Every network and location (no headers, no automatic item).
    QList<PDNetworkItemPtr> allNetworks() const;
    PDNetworkItemPtr networkWithId(const QString& id) const;

    // Kept up to date by the SDK.
    void setCurrentNetworkId(std::optional<QString> id);
    void noteUsed(const PDNetworkItemPtr& network);

    static constexpr int kLastUsedLimit = 5;
    static constexpr double kHeaderRowHeight = 30.0;
    static constexpr double kNetworkRowHeight = 52.0;
    static constexpr double kLocationRowHeight = 44.0;

private:
    using Indices = PDNetworkRows::Indices;
    // A run of m_items: a group of networks, or a continent's locations under its header.
    struct Section {
        std::uint32_t header = 0;
        std::uint32_t from = 0;
        std::uint32_t to = 0;
    };
    // Where an item's folded texts lie in m_searchTexts: its title, location title (empty when it is the
    // title's), gateway region and country code, end to end with a separator after each.
    struct SearchText {
        std::uint32_t start = 0;
        std::array<std::uint32_t, 4> ends{};
    };

    // Builds the rows from what the search finds; true when they changed.
    bool rebuild();
    // The networks the search finds now, in m_items' order; null without a search (every network).
    const Indices* currentFinds() const;
    // The networks of `within` (every network, without it) that the search finds.
    Indices find(const Indices* within) const;
    // Whether the search finds the network at m_items[index]: in its titles or gateway region (anywhere), or
    // as its whole country code.
    bool matches(std::uint32_t index) const;
    // Appends the header and what `finds` holds of the section (every member for none); nothing when that is
    // none. `headerOnly` leaves the members out.
    static void appendSection(Indices& rows, const Section& section, const Indices* finds,
                              bool headerOnly = false);
    const PDNetworkItemPtr& itemAt(std::uint32_t index) const { return m_items->items[index]; }
    PDNetworkRows rows(const std::shared_ptr<const Indices>& indices) const { return {m_items, indices}; }
    // Calls `visit` with every network and location, private first (no headers, no automatic item).
    template <class Visit>
    void forEachNetwork(Visit&& visit) const;

    mutable std::recursive_mutex m_mutex;
    Content m_content;
    std::shared_ptr<const PDNetworkRows::Items> m_items; // as the rows number them
    Section m_private;
    Section m_shared;
    // Public locations grouped by continent, in the order the continents first appear.
    std::vector<Section> m_continents;
    std::uint32_t m_networkCount = 0; // m_items from 0 on: the networks and locations
    std::optional<std::uint32_t> m_automaticIndex;
    Indices m_publicInContentOrder; // where each public location is in m_items
    // Every network's folded texts, folded once so that a search folds only its own text, and side by side
    // so that a search over thousands reads one block of memory.
    std::u16string m_searchTexts;
    std::vector<SearchText> m_searchTextAt; // by index in m_items, networks only
    QHash<QString, PDNetworkItemPtr> m_byId;
    bool m_collapsed = false;
    QString m_search;
    QString m_foldedSearch;
    // The finds of the search and of the searches it extends, newest last. A search found in an item's
    // texts was found by every part of it, so typing narrows the last finds instead of every location,
    // and deleting a letter goes back to the finds before.
    std::vector<std::pair<QString, Indices>> m_finds;
    qsizetype m_longestCountryCode = 0; // a search up to this long may find an item by its code alone
    PDLocationFilterType m_filter = PDLocationFilterType::privateNetworks;
    std::optional<QString> m_currentId;
    // Replaced, never changed: a snapshot handed out keeps its rows.
    std::shared_ptr<const Indices> m_networkRows;
    std::shared_ptr<const Indices> m_locationRows;
    bool m_automaticRow = false;
    std::function<void()> m_favoritesObserver;
};
using PDNetworksModelPtr = std::shared_ptr<PDNetworksModel>;
