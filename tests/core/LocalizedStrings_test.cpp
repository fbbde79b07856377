#include "support/CoreTestSupport.h"

#include "core/GlobalConstants.h"
#include "core/LocalizedStrings.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

TEST(LocalizedFormatTest, FillsOnlyObjectPlaceholders) {
    using L10n::format;
    EXPECT_EQ(format("Hello %@, welcome to %@.", {"Ann", "Veltrix"}), "Hello Ann, welcome to Veltrix.");
    EXPECT_EQ(format("%2$@ before %1$@", {"one", "two"}), "two before one");
    EXPECT_EQ(format("100% sure, %d %s %x %n %%", {"unused"}), "100% sure, %d %s %x %n %%")
        << "other specifiers are never interpreted";
    EXPECT_EQ(format("%@ and %@", {"only"}), "only and %@") << "a missing argument leaves the placeholder";
    EXPECT_EQ(format("%3$@ %0$@ %99999999999999999999$@", {"a"}), "%3$@ %0$@ %99999999999999999999$@");
    EXPECT_EQ(format("ends with %", {}), "ends with %");
    EXPECT_EQ(format("%1$", {"a"}), "%1$");
    EXPECT_EQ(format("%@", {"%@ %1$@"}), "%@ %1$@") << "an argument is not formatted again";
}

TEST(LocalizedTableTest, MissingKeyYieldsTheKeyAndFormatsTakeTheProductName) {
    EXPECT_EQ(L10n::localized("no_such_key_in_the_table"), "no_such_key_in_the_table");
    EXPECT_EQ(L10n::localized("no_such_key_%@", {"x"}), "no_such_key_x");
    EXPECT_EQ(L10n::connection_IP_address_failed_to_fetch_label(), "Unable to get IP address");
    EXPECT_TRUE(
        L10n::auto_update_wish_to_update_popup_text().contains(GlobalConstants::productDisplayName()));
    EXPECT_EQ(L10n::auto_update_wish_to_update_popup_text().count("%@"), 1) << "left for the offered version";
    const QString l2tp = L10n::l2tp_no_longer_available_info_popup_description();
    EXPECT_TRUE(l2tp.contains(GlobalConstants::productDisplayName()));
    EXPECT_TRUE(l2tp.contains(GlobalConstants::supportEmailAddress()));
    EXPECT_TRUE(L10n::purchase_processing_error_wrong_response_received().contains(
        L10n::purchase_processing_error_suffix()));
    EXPECT_EQ(&L10n::update_available_title(), &L10n::update_available_title()) << "computed once";
}

TEST(LocalizedTableTest, HoldsEveryKeyWithAsManyPlaceholdersAsArguments) {
    QFile file(":/texts/Localizable.json");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject table = QJsonDocument::fromJson(file.readAll()).object();
    const QStringList keys = L10n::allKeys();
    EXPECT_EQ(keys.size(), 172);
    EXPECT_EQ(table.size(), keys.size()) << "no stray keys";

    const QHash<QString, int> twoArguments = {{"l2tp_no_longer_available_info_popup_description", 2},
                                              {"helper_tool_command_execute_error", 2},
                                              {"auto_update_wish_to_update_popup_text", 2}};
    const QRegularExpression placeholder(R"(%(\d+\$)?@)");
    QStringList formats = {
        "purchase_processing_error_suffix", "purchase_processing_error_receipt_data_not_available",
        "purchase_processing_error_unknown_response_result_received",
        "purchase_processing_error_unknown_response_received",
        "purchase_processing_error_wrong_response_received",
        "purchase_processing_error_invalid_error_response_received", "generic_error_notification_lower",
        "settings_window_open_support_ticket_info_text_smb", "settings_window_open_support_ticket_info_text",
        // filled where they are used: the network's name, the product's name
        "connected_on_launch_to_vpn_notification_title",
        "connected_on_launch_to_vpn_notification_description"};
#define PRODUCT_KEY(name) formats.append(#name);
    VELTRIX_PRODUCT_TEXTS(PRODUCT_KEY)
#undef PRODUCT_KEY
    for (const QString& key : keys) {
        ASSERT_TRUE(table.contains(key)) << key.toStdString();
        const QString text = table.value(key).toString();
        EXPECT_FALSE(text.isEmpty()) << key.toStdString();
        const int expected = twoArguments.value(key, formats.contains(key) ? 1 : 0);
        EXPECT_EQ(static_cast<int>(text.count(placeholder)), expected) << key.toStdString();
    }
}
