#pragma once

#include "toolkit/GeneralSubController.h"
#include "toolkit/NSViewControllerBase.h"

#include <QFormLayout>
#include <QPointer>
#include <QTabBar>
#include <QVBoxLayout>

#include <utility>
#include <vector>

// A page of the settings window; reloads from the SDK's settings.
class SettingsPageController : public NSViewControllerBase {
    Q_OBJECT
public:
    using NSViewControllerBase::NSViewControllerBase;

    void reloadPage();
    // The page's rows as shown: label and value.
    std::vector<std::pair<QString, QString>> rows() const;

protected:
    QWidget* loadView() override;
    virtual std::vector<std::pair<QString, QString>> currentRows() const = 0;

private:
    QPointer<QFormLayout> m_form;
};

class SettingsGeneralController : public SettingsPageController {
    Q_OBJECT
public:
    explicit SettingsGeneralController(QObject* parent = nullptr) : SettingsPageController(parent) {
        setTitle(QStringLiteral("General"));
    }

protected:
    std::vector<std::pair<QString, QString>> currentRows() const override;
};

class SettingsNetworkController : public SettingsPageController {
    Q_OBJECT
public:
    explicit SettingsNetworkController(QObject* parent = nullptr) : SettingsPageController(parent) {
        setTitle(QStringLiteral("Network"));
    }

protected:
    std::vector<std::pair<QString, QString>> currentRows() const override;
};

class SettingsProtocolController : public SettingsPageController {
    Q_OBJECT
public:
    explicit SettingsProtocolController(QObject* parent = nullptr) : SettingsPageController(parent) {
        setTitle(QStringLiteral("Protocols"));
    }

protected:
    std::vector<std::pair<QString, QString>> currentRows() const override;
};

// The settings window's content: a tab strip over the embedded page.
class SettingsContainerController : public GeneralSubController {
    Q_OBJECT
public:
    explicit SettingsContainerController(QObject* parent = nullptr);

    // The pages in tab order (not owned: the application delegate keeps them).
    void setPages(const QList<SettingsPageController*>& pages);
    void embedPage(int index);
    SettingsPageController* embeddedPage() const { return m_embedded; }
    // Tells the embedded page to reload.
    void reloadEmbeddedPage();

protected:
    QWidget* loadView() override;
    // The first showing embeds the first page; later ones keep the page last chosen.
    void viewDidAppear() override;

private:
    QList<QPointer<SettingsPageController>> m_pages;
    QPointer<SettingsPageController> m_embedded;
    QPointer<QTabBar> m_tabs;
    QPointer<QVBoxLayout> m_host;
};
