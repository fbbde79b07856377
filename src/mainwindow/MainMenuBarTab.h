#pragma once

#include <QString>

// The main window's tabs: home, networks and support at the top, settings and logout at the bottom.
enum class MainMenuBarTab { home, networks, support, settings, logout };

inline bool isTopTab(MainMenuBarTab tab) {
    return tab == MainMenuBarTab::home || tab == MainMenuBarTab::networks || tab == MainMenuBarTab::support;
}

inline QString titleOf(MainMenuBarTab tab) {
    switch (tab) {
    case MainMenuBarTab::home:
        return QStringLiteral("Home");
    case MainMenuBarTab::networks:
        return QStringLiteral("Networks");
    case MainMenuBarTab::support:
        return QStringLiteral("Support");
    case MainMenuBarTab::settings:
        return QStringLiteral("Settings");
    case MainMenuBarTab::logout:
        return QStringLiteral("Sign Out");
    }
    return {};
}
