// The networks tab as a signed-in user meets it on the demo workspace: the list, folding the shared group,
// the current network's state, switching networks from a row and searching.
#include "e2e/ClientHarness.h"

#include "locations/LocationsSubController.h"
#include "mainwindow/GeneralViewController.h"
#include "mainwindow/MainSubController.h"

#include <QTest>

using namespace e2e;

namespace {

constexpr double tunnelSeconds = 5;

class NetworksTabTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(launchToMainWindow());
        advance(0.2);
        openNetworksTab();
    }

    GeneralViewController& general() { return *delegate->generalViewController(); }
    LocationsSubController& tab() { return *delegate->locationsSubController(); }

    void openNetworksTab() {
        TableView* bar = general().menuBarView()->topButtonsView()->topMenuTableView();
        TableRowView* row = bar->rowViewAtRow(static_cast<int>(MainTopTab::networks));
        ASSERT_NE(row, nullptr);
        QTest::mouseClick(row, Qt::LeftButton, {}, row->rect().center());
        advance(0.2);
        ASSERT_EQ(general().embeddedController(), &tab());
    }

    // The rows a user reads, top to bottom: headers as they are, networks with their status line.
    QStringList rows() {
        QStringList read;
        HoverableTableView* table = tab().networksTableView();
        if (!table->isVisible()) {
            return read;
        }
        const auto [first, last] = table->rowsInView();
        for (int row = first; row <= last; ++row) {
            if (auto* cell = qobject_cast<NetworkCellView*>(table->viewAtRow(row))) {
                QString line = cell->networkTitleField()->text();
                NetworkCellStatusView* status = cell->networkCellStatusView();
                if (!status->isHidden() && !status->connectAvailableButton()->isVisible()) {
                    line += QStringLiteral(" (") + status->connectedTextField()->text() + QLatin1Char(')');
                }
                read << line;
            } else if (auto* header = qobject_cast<NetworkHeaderCellView*>(table->viewAtRow(row))) {
                read << header->headerTitleField()->text().toUpper();
            }
        }
        return read;
    }

    int rowOf(const QString& title) {
        HoverableTableView* table = tab().networksTableView();
        const auto [first, last] = table->rowsInView();
        for (int row = first; row <= last; ++row) {
            auto* cell = qobject_cast<NetworkCellView*>(table->viewAtRow(row));
            auto* header = qobject_cast<NetworkHeaderCellView*>(table->viewAtRow(row));
            if ((cell && cell->networkTitleField()->text() == title) ||
                (header && header->headerTitleField()->text() == title)) {
                return row;
            }
        }
        return -1;
    }
    void clickRow(const QString& title) {
        TableRowView* row = tab().networksTableView()->rowViewAtRow(rowOf(title));
        ASSERT_NE(row, nullptr) << title;
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(4, row->height() / 2));
        run();
    }
    QString emptyStateTitle() {
        return tab().emptyNetworksView()->isVisible() ? tab().emptyNetworksView()->titleField()->text()
                                                      : QString();
    }
};

} // namespace

TEST_F(NetworksTabTest, ListsThePrivateNetworksAndTheSharedGroupWhichFoldsFromItsHeader) {
    EXPECT_EQ(rows(), (QStringList{"PRIVATE NETWORKS", "Headquarters", "Engineering Lab", "SHARED NETWORKS",
                                   "Contoso Logistics", "Fabrikam Audit"}));
    clickRow(QStringLiteral("Shared Networks"));
    EXPECT_EQ(rows(),
              (QStringList{"PRIVATE NETWORKS", "Headquarters", "Engineering Lab", "SHARED NETWORKS"}));
    EXPECT_EQ(general().embeddedController(), &tab()) << "a header only folds";
    clickRow(QStringLiteral("Shared Networks"));
    EXPECT_TRUE(rows().contains(QStringLiteral("Fabrikam Audit")));
}

TEST_F(NetworksTabTest, ClickingAnotherNetworkSwitchesTheConnectionAndReturnsHome) {
    delegate->mainSubController()->connectToVPN(nullptr);
    advance(0.1);
    EXPECT_TRUE(rows().contains(QStringLiteral("Headquarters (Connecting...)"))) << rows();
    advance(tunnelSeconds);
    EXPECT_TRUE(rows().contains(QStringLiteral("Headquarters (Connected)"))) << rows();

    // Under the pointer the connected network offers to disconnect, another one to connect.
    auto* hq = qobject_cast<NetworkCellView*>(tab().networksTableView()->viewAtRow(rowOf("Headquarters")));
    ASSERT_NE(hq, nullptr);
    tab().networksTableView()->hoverRow(rowOf(QStringLiteral("Headquarters")));
    EXPECT_EQ(hq->networkCellStatusView()->connectAvailableButton()->text(), QStringLiteral("Disconnect"));
    tab().networksTableView()->clearHover();

    clickRow(QStringLiteral("Engineering Lab"));
    advance(tunnelSeconds);
    ASSERT_NE(VeltrixXPC::currentNetwork(), nullptr);
    EXPECT_EQ(VeltrixXPC::currentNetwork()->id(), QStringLiteral("prv-dev"));
    EXPECT_EQ(VeltrixXPC::connectionState(), SDVPNConnectionState::connected);
    EXPECT_EQ(general().embeddedController(), delegate->mainSubController());
    EXPECT_EQ(general().menuBarView()->topButtonsView()->selectedButton(), MainTopTab::home);

    openNetworksTab();
    EXPECT_TRUE(rows().contains(QStringLiteral("Engineering Lab (Connected)"))) << rows();
    EXPECT_TRUE(rows().contains(QStringLiteral("Headquarters"))) << rows();
}

TEST_F(NetworksTabTest, TheMatchIsEmphasisedAsTheSearchGrowsOnTheSameRows) {
    LocationSearchField* field = tab().searchBarView()->searchField();
    // The emphasised part of the first network's title.
    const auto emphasised = [&] {
        HoverableTableView* table = tab().networksTableView();
        for (int row = 0; row < table->numberOfRows(); ++row) {
            if (auto* cell = qobject_cast<NetworkCellView*>(table->viewAtRow(row))) {
                return emphasisedPart(cell->networkTitleField()->attributedText());
            }
        }
        return QString();
    };
    for (const auto& [typed, expected] : {std::pair{"fa", "Fa"}, {"b", "Fab"}, {"r", "Fabr"}}) {
        QTest::keyClicks(field, QString::fromLatin1(typed));
        run();
        EXPECT_EQ(emphasised(), QString::fromUtf8(expected)) << field->text();
    }
}

TEST_F(NetworksTabTest, SearchNarrowsSaysWhenNothingMatchesAndIsGoneAfterLeaving) {
    LocationSearchField* field = tab().searchBarView()->searchField();
    QTest::keyClicks(field, QStringLiteral("  contoso "));
    run();
    EXPECT_EQ(rows(), (QStringList{"SHARED NETWORKS", "Contoso Logistics"}));
    QTest::keyClicks(field, QStringLiteral("xyz"));
    run();
    EXPECT_EQ(emptyStateTitle(), QStringLiteral("We Couldn\u2019t Find Any Matching Network"));
    EXPECT_TRUE(rows().isEmpty());

    TableView* bar = general().menuBarView()->topButtonsView()->topMenuTableView();
    TableRowView* home = bar->rowViewAtRow(static_cast<int>(MainTopTab::home));
    QTest::mouseClick(home, Qt::LeftButton, {}, home->rect().center());
    advance(0.2);
    openNetworksTab();
    EXPECT_EQ(field->text(), QString());
    EXPECT_EQ(emptyStateTitle(), QString());
    EXPECT_EQ(rows().size(), 6);
}
