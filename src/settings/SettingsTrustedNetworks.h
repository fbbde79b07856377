#pragma once

#include "sdk/PDTypes.h"
#include "toolkit/ElidedLabel.h"
#include "toolkit/TableView.h"
#include "toolkit/WeakDelegate.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include <deque>
#include <optional>

// Changes of the trusted Wi-Fi list. The SDK replaces the list as a whole, so a change made before the
// SDK applied the one before would be computed from a list that lacks it: changes are queued and each is
// sent, computed from the list the SDK holds then, only once the one before was applied.
class TrustedNetworksEditor : public QObject {
    Q_OBJECT
public:
    explicit TrustedNetworksEditor(QObject* parent = nullptr);

    // The list the SDK holds now (applied settings), and whether the administrator fixed it.
    static QList<PDWiFiNetwork> currentList();
    static bool isLocked();
    // The list as it will be once every queued change is applied.
    QList<PDWiFiNetwork> expectedList() const;
    bool containsSsid(const QString& ssid) const;

    void add(const PDWiFiNetwork& network);
    // Every entry with that SSID goes.
    void remove(const QString& ssid);
    // Changes sent or waiting.
    int pendingChanges() const { return static_cast<int>(m_queue.size()); }

signals:
    // A change was applied by the SDK (on the main thread).
    void listChanged();

private:
    struct Change {
        bool add = false;
        PDWiFiNetwork network;
    };
    static QList<PDWiFiNetwork> applied(QList<PDWiFiNetwork> list, const Change& change);
    void sendNext();

    std::deque<Change> m_queue; // the front one is with the SDK
    bool m_sent = false;
};

class SettingsTrustedItemViewCellDelegate {
public:
    virtual ~SettingsTrustedItemViewCellDelegate() = default;
    virtual void removeTrustedNetwork(const PDWiFiNetwork& network) = 0;
};

// One trusted network: its name and a remove button.
class SettingsTrustedItemViewCell : public QWidget {
    Q_OBJECT
public:
    explicit SettingsTrustedItemViewCell(QWidget* parent = nullptr);

    ElidedLabel* networkTitleField() const { return m_title; }
    QPushButton* removeButton() const { return m_remove; }
    std::optional<PDWiFiNetwork> network() const { return m_network; }
    void setDelegate(SettingsTrustedItemViewCellDelegate* delegate) { m_delegate = delegate; }

    void configure(const PDWiFiNetwork& network);
    void removeButtonTap();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<ElidedLabel> m_title;
    QPointer<QPushButton> m_remove;
    WeakDelegate<SettingsTrustedItemViewCellDelegate> m_delegate;
    std::optional<PDWiFiNetwork> m_network;
};

class SettingsTrustedNetworksViewCellDelegate {
public:
    virtual ~SettingsTrustedNetworksViewCellDelegate() = default;
    virtual void trustedNetworksDidChange() = 0;
};

// The Network page's last row: the Wi-Fi network the machine is on, with a button that trusts it, and the
// trusted networks below, each with a remove button.
class SettingsTrustedNetworksViewCell : public QWidget,
                                        public TableViewDataSource,
                                        public SettingsTrustedItemViewCellDelegate {
    Q_OBJECT
public:
    static constexpr int itemHeight = 38;
    inline static const QString notDetectedSSID = QStringLiteral("Not detected");

    explicit SettingsTrustedNetworksViewCell(QWidget* parent = nullptr);

    QPushButton* addToTrustedButton() const { return m_add; }
    ElidedLabel* newTrustedNetworkTitleField() const { return m_currentName; }
    TableView* trustedNetworksTableView() const { return m_table; }
    // The SSID the add button trusts, as its key: the one read at the last reload, none when none was
    // detected.
    std::optional<QString> currentSsid() const { return m_currentSsid; }
    // The refusal of a duplicate while it is open.
    QMessageBox* duplicateAlert() const { return m_alert; }

    void setDelegate(SettingsTrustedNetworksViewCellDelegate* delegate) { m_delegate = delegate; }
    // Where the changes go; the page keeps it, so a change outlives the row that asked for it.
    void setEditor(TrustedNetworksEditor* editor);

    // Reads the current network and shows it with the list.
    void reloadTrustedNetworks();
    void updateTableHeight();
    void addCurrentNetwork();
    void removeNetwork(const PDWiFiNetwork& network);

    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    int heightOfRow(TableView& table, int row) override;
    bool shouldSelectRow(TableView& table, int row) override;
    void removeTrustedNetwork(const PDWiFiNetwork& network) override;

private:
    void listChanged();

    QPointer<ElidedLabel> m_currentName;
    QPointer<QPushButton> m_add;
    QPointer<TableView> m_table;
    QPointer<QMessageBox> m_alert;
    QPointer<TrustedNetworksEditor> m_editor;
    WeakDelegate<SettingsTrustedNetworksViewCellDelegate> m_delegate;
    std::optional<QString> m_currentSsid;
    QString m_currentSsidText;    // as the row shows it
    QList<PDWiFiNetwork> m_shown; // the list as the inner table last loaded it
};
