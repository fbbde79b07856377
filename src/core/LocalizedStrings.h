#pragma once

#include <QString>
#include <QStringList>

// The localized-text table (":/texts/Localizable.json"): one text per key, looked up once at first read.
namespace L10n {

// The text for `key`; a key the table lacks yields the key itself.
QString localized(const QString& key);
// localized(key) filled with `arguments` by format().
QString localized(const QString& key, const QStringList& arguments);
// Fills "%@" with the next argument and "%n$@" with argument n (1-based). Nothing else is interpreted:
// "%%", "%d", "%s" and the like stay as written, and a placeholder without an argument stays as written.
QString format(const QString& format, const QStringList& arguments);

// Texts without arguments.
#define VELTRIX_PLAIN_TEXTS(X)                                                                               \
    X(onBoardingTitle_1)                                                                                     \
    X(onBoardingTitle_2)                                                                                     \
    X(onBoardingTitle_3)                                                                                     \
    X(onBoardingTitle_4)                                                                                     \
    X(onBoardingDescription_1)                                                                               \
    X(onBoardingDescription_2)                                                                               \
    X(onBoardingDescription_3)                                                                               \
    X(onBoardingDescription_4)                                                                               \
    X(login_generic_error_title)                                                                             \
    X(login_generic_error_msg)                                                                               \
    X(sdp_loading_error_title)                                                                               \
    X(sdp_loading_error_msg)                                                                                 \
    X(sdp_channel_on_error_title)                                                                            \
    X(sdp_channel_on_error_msg)                                                                              \
    X(sdp_session_timeout_network_device_deleted_error_title)                                                \
    X(sdp_session_timeout_network_device_deleted_error_msg)                                                  \
    X(sdp_session_timeout_user_deleted_error_title)                                                          \
    X(sdp_session_timeout_user_deleted_error_msg)                                                            \
    X(sdp_session_timeout_session_revoked_error_title)                                                       \
    X(sdp_session_timeout_session_revoked_error_msg)                                                         \
    X(sdp_session_timeout_session_expired_error_title)                                                       \
    X(sdp_session_timeout_session_expired_error_msg)                                                         \
    X(auto_update_download_failed_title)                                                                     \
    X(auto_update_download_failed_msg)                                                                       \
    X(auto_update_verification_failed_title)                                                                 \
    X(auto_update_verification_failed_msg)                                                                   \
    X(auto_update_install_failed_title)                                                                      \
    X(hrbx_api_log_in_license_expired)                                                                       \
    X(l2tp_no_longer_available_info_popup_title)                                                             \
    X(notification_popup_ok_button)                                                                          \
    X(notification_default_ok_button)                                                                        \
    X(notification_button_retry)                                                                             \
    X(notification_button_connect)                                                                           \
    X(connected_to_insecure_wi_fi_notification_title)                                                        \
    X(connected_to_insecure_wi_fi_notification_not_logged_in_user_title)                                     \
    X(connected_to_home_wi_fi_notification_title)                                                            \
    X(connection_error_minimized_notification_title)                                                         \
    X(connection_error_minimized_notification_description)                                                   \
    X(auto_connected_to_unsecured_wi_fi_notification_title)                                                  \
    X(auto_reconnect_started_with_network_lock_notification_title)                                           \
    X(auto_reconnect_started_with_always_on_notification_title)                                              \
    X(connected_on_launch_to_vpn_notification_title)                                                         \
    X(connected_on_launch_to_vpn_notification_description)                                                   \
    X(vpn_ppp_error_new_prefix_1)                                                                            \
    X(accessToLocationRevokedErrorMessage)                                                                   \
    X(main_view_auto_reconnect_header_for_alwayson)                                                          \
    X(connection_IP_address_failed_to_fetch_label)                                                           \
    X(menu_bar_menu_IP_address_label)                                                                        \
    X(menu_bar_connect_item_connect_label)                                                                   \
    X(menu_bar_connect_item_upgrade_label)                                                                   \
    X(update_available_title)                                                                                \
    X(update_available_message)                                                                              \
    X(internet_connection_unavailable_error_part_2)                                                          \
    X(connection_status_disconnected_label)                                                                  \
    X(connect_button_status_connect_label)                                                                   \
    X(connect_button_status_connecting_label)                                                                \
    X(connect_button_status_reconnecting_label)                                                              \
    X(connect_button_status_disconnect_label)                                                                \
    X(connect_button_status_disconnect_disabled_label)                                                       \
    X(connection_IP_address_refreshing_label)                                                                \
    X(main_view_connect_to_label)                                                                            \
    X(main_view_connecting_to_label)                                                                         \
    X(main_view_connected_to_label)                                                                          \
    X(main_view_automatic_optimized_label)                                                                   \
    X(locations_blured_view_no_locations)                                                                    \
    X(locations_blured_view_disconnect_to_change)                                                            \
    X(locations_blured_view_force_update)                                                                    \
    X(locations_automatic_popup_title)                                                                       \
    X(locations_automatic_popup_description)                                                                 \
    X(locations_splittunnel_popup_title)                                                                     \
    X(locations_splittunnel_popup_description)                                                               \
    X(locations_alwayson_popup_title)                                                                        \
    X(locations_alwayson_popup_description)                                                                  \
    X(auto_update_restart_button)                                                                            \
    X(auto_update_try_again_button)                                                                          \
    X(auto_update_ready_to_install_title)                                                                    \
    X(auto_update_ready_to_install_msg)                                                                      \
    X(notification_popup_close_button)                                                                       \
    X(hrbx_api_log_in_error_too_many_opened_session_header)                                                  \
    X(hrbx_api_log_in_error_user_not_found_header)                                                           \
    X(hrbx_api_log_in_error_user_not_found)                                                                  \
    X(hrbx_api_log_in_error_account_not_found_header)                                                        \
    X(hrbx_api_log_in_error_account_not_found)                                                               \
    X(hrbx_api_log_in_error_no_licenses_header)                                                              \
    X(hrbx_api_log_in_error_auth_invalid_header)                                                             \
    X(hrbx_api_log_in_error_auth_invalid)                                                                    \
    X(hrbx_api_log_in_error_auth_permissions)                                                                \
    X(notification_protect_me_button)                                                                        \
    X(upgrade_app_notificaiton_popup_ok_button)                                                              \
    X(app_version_notification_popup_title)                                                                  \
    X(app_version_notificaiton_popup_description_prefix)                                                     \
    X(update_available_message_sw)                                                                           \
    X(quit_app_confirmation_popup_title)                                                                     \
    X(quit_app_confirmation_popup_cancel_button)                                                             \
    X(quit_app_confirmation_popup_quit_button)                                                               \
    X(user_profile_menu_item_my_account)                                                                     \
    X(user_profile_menu_item_my_settings)                                                                    \
    X(user_profile_menu_item_my_sign_out)                                                                    \
    X(internet_connection_unavailable_error_part_2_for_login_view)                                           \
    X(default_error_header)                                                                                  \
    X(generic_error_notification)                                                                            \
    X(locations_list_favorites_group_label)                                                                  \
    X(locations_list_all_locations_group_label)                                                              \
    X(locations_list_private_group_label)                                                                    \
    X(locations_list_automatic_location_label)                                                               \
    X(locations_list_search_bar_placeholder_label)                                                           \
    X(main_view_top_bar_notifications_install_update_here_button)                                            \
    X(main_view_top_bar_notifications_pick_different_location_button)                                        \
    X(connection_timer_default_label)                                                                        \
    X(connection_status_connected_label)                                                                     \
    X(connection_status_connecting_label)                                                                    \
    X(main_view_auto_reconnect_header)                                                                       \
    X(settings_window_version_format_label)                                                                  \
    X(settings_page_toolbar_custom_general_item_label)                                                       \
    X(settings_page_toolbar_custom_protocol_item_label)                                                      \
    X(settings_page_toolbar_custom_auto_wifi_item_label)                                                     \
    X(settings_page_toolbar_custom_kill_switch_item_label)                                                   \
    X(settings_page_toolbar_custom_always_on_item_label)                                                     \
    X(settings_page_toolbar_custom_support_item_label)                                                       \
    X(helper_tool_install_error_popup_header)                                                                \
    X(helper_tool_install_error_generic_popup_text)                                                          \
    X(helper_tool_install_error_restart_popup_text)                                                          \
    X(vpn_ppp_error_new_prefix_2)                                                                            \
    X(vpn_ppp_error_new_1)                                                                                   \
    X(vpn_ppp_error_new_3)                                                                                   \
    X(workspace_empty_error_title)                                                                           \
    X(workspace_empty_error)                                                                                 \
    X(workspaceError)                                                                                        \
    X(workspaceErrorMessage)                                                                                 \
    X(installationIdNotFoundMessage)                                                                         \
    X(wifi_security_disabled_warning)                                                                        \
    X(wifi_security_enabled_warning)                                                                         \
    X(killSwitch_off_warning)                                                                                \
    X(killSwitch_on_warning)                                                                                 \
    X(killSwitch_default_description)                                                                        \
    X(killSwitch_disabled_warning)                                                                           \
    X(alwaysOn_off_warning)                                                                                  \
    X(alwaysOn_on_warning)                                                                                   \
    X(alwaysOn_default_description)                                                                          \
    X(alwaysOn_disabled_warning)                                                                             \
    X(main_view_alwayson_enabled_info_label)                                                                 \
    X(always_on_confirmation_description_for_log_out)

// Texts filled with one argument, the product display name (the offer of an update keeps a second
// placeholder, for the offered version).
#define VELTRIX_PRODUCT_TEXTS(X)                                                                             \
    X(hrbx_api_log_in_license_expired_header)                                                                \
    X(connected_to_insecure_wi_fi_notification_description)                                                  \
    X(connected_to_insecure_wi_fi_notification_not_logged_in_user_description)                               \
    X(connected_to_home_wi_fi_notification_description)                                                      \
    X(auto_connected_to_unsecured_wi_fi_notification_description)                                            \
    X(auto_reconnect_started_with_network_lock_notification_description)                                     \
    X(auto_reconnect_started_without_network_lock_notification_title)                                        \
    X(auto_reconnect_started_without_network_lock_notification_description)                                  \
    X(internet_connection_unavailable_error_part_1)                                                          \
    X(main_view_auto_reconnect_subheader)                                                                    \
    X(auto_update_wish_to_update_popup_text)                                                                 \
    X(hrbx_api_log_in_error_too_many_opened_session)                                                         \
    X(hrbx_api_log_in_error_no_licenses_not_found)                                                           \
    X(quit_app_confirmation_popup_text)                                                                      \
    X(helper_tool_command_execute_error_upper)                                                               \
    X(helper_tool_command_execute_error_lower)                                                               \
    X(settings_window_open_support_ticket_subject)                                                           \
    X(helper_tool_install_error_user_canceled_permissions_popup_text)                                        \
    X(always_on_confirmation_description_for_app_quit)

// Texts with other arguments (spelled out beside each).
#define VELTRIX_SPECIAL_TEXTS(X)                                                                             \
    X(l2tp_no_longer_available_info_popup_description)            /* product name, support address */        \
    X(purchase_processing_error_suffix)                           /* support address */                      \
    X(purchase_processing_error_receipt_data_not_available)       /* the suffix text */                      \
    X(purchase_processing_error_unknown_response_result_received) /* the suffix text */                      \
    X(purchase_processing_error_unknown_response_received)        /* the suffix text */                      \
    X(purchase_processing_error_wrong_response_received)          /* the suffix text */                      \
    X(purchase_processing_error_invalid_error_response_received)  /* the suffix text */                      \
    X(helper_tool_command_execute_error)                          /* product name twice */                   \
    X(generic_error_notification_lower)                           /* support address */                      \
    X(settings_window_open_support_ticket_info_text)              /* key by edition; product name */

#define VELTRIX_DECLARE_TEXT(name) const QString& name();
VELTRIX_PLAIN_TEXTS(VELTRIX_DECLARE_TEXT)
VELTRIX_PRODUCT_TEXTS(VELTRIX_DECLARE_TEXT)
VELTRIX_SPECIAL_TEXTS(VELTRIX_DECLARE_TEXT)
#undef VELTRIX_DECLARE_TEXT

// Every key the client reads, for checking the table.
QStringList allKeys();

} // namespace L10n
