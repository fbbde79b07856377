#pragma once

#include <QColor>
#include <QString>

#include <array>
#include <compare>
#include <optional>
#include <variant>

// The rows of the main window's top bar, in row order.
enum class MainTopTab { home, networks, support };
// The icon buttons under the top bar.
enum class MainBottomTab { settings, logout };

inline constexpr std::array<MainTopTab, 3> allMainTopTabs{MainTopTab::home, MainTopTab::networks,
                                                          MainTopTab::support};

// What a top row shows. The icon and text colour do not change with the selection: the row's fill does.
QString titleOf(MainTopTab tab);
QString selectedIconOf(MainTopTab tab);
QString iconOf(MainTopTab tab);
QColor selectedTextColorOf(MainTopTab tab);
QColor textColorOf(MainTopTab tab);

// A tab of the main window: one of the top rows or one of the bottom buttons.
class MainMenuBarTab {
public:
    static MainMenuBarTab topTab(MainTopTab tab) { return MainMenuBarTab(tab); }
    static MainMenuBarTab bottomTab(MainBottomTab tab) { return MainMenuBarTab(tab); }

    std::optional<MainTopTab> top() const {
        return std::holds_alternative<MainTopTab>(m_value) ? std::optional(std::get<MainTopTab>(m_value))
                                                           : std::nullopt;
    }
    std::optional<MainBottomTab> bottom() const {
        return std::holds_alternative<MainBottomTab>(m_value)
                   ? std::optional(std::get<MainBottomTab>(m_value))
                   : std::nullopt;
    }

    bool operator==(const MainMenuBarTab&) const = default;
    auto operator<=>(const MainMenuBarTab&) const = default;

private:
    explicit MainMenuBarTab(std::variant<MainTopTab, MainBottomTab> value) : m_value(value) {}
    std::variant<MainTopTab, MainBottomTab> m_value;
};
