#pragma once

#include "toolkit/GeneralSubController.h"
#include "toolkit/HoverableTableView.h"
#include "toolkit/XibView.h"

#include <QIcon>
#include <QLabel>
#include <QList>
#include <QPointer>

#include <memory>

class ModalViewController;

// The support entries; the tab lists the first three.
enum class SupportTab { userGuide, liveChat, runTroubleshooting, sendUsAMessage };

namespace supportTabs {
QString title(SupportTab tab);
QString description(SupportTab tab);
QString iconName(SupportTab tab);
const QList<SupportTab>& listed();
} // namespace supportTabs

// One entry: icon, title, description, and an arrow that lights up under the pointer.
class SupportCellView : public HoverableCellView {
    Q_OBJECT
public:
    explicit SupportCellView(QWidget* parent = nullptr);

    QLabel* iconImageView() const { return m_icon; }
    QLabel* titleField() const { return m_title; }
    QLabel* subtitleField() const { return m_subtitle; }
    QLabel* arrowIconImageView() const { return m_arrow; }
    // The arrow image shown now: "supportArrowHovered" or "supportArrowUnhovered".
    QString arrowIconName() const { return m_arrowName; }

    void configure(SupportTab tab);
    void setHighlight(bool highlight) override;

private:
    QPointer<QLabel> m_icon;
    QPointer<QLabel> m_title;
    QPointer<QLabel> m_subtitle;
    QPointer<QLabel> m_arrow;
    QString m_arrowName;
};

// The support phone numbers, one heading per country.
class ContactInfoView : public XibView {
    Q_OBJECT
public:
    explicit ContactInfoView(QWidget* parent = nullptr);

    QColor titleFieldColor;
    QLabel* ukTitleField() const { return m_uk; }
    QLabel* usTitleField() const { return m_us; }
    QLabel* indiaTitleField() const { return m_india; }

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<QLabel> m_uk;
    QPointer<QLabel> m_us;
    QPointer<QLabel> m_india;
};

// The main window's support tab: user guides, live chat and the log collection for support; the phone
// numbers for enterprise accounts.
class SupportSubController : public GeneralSubController, public TableViewDataSource {
    Q_OBJECT
public:
    explicit SupportSubController(QObject* parent = nullptr);
    ~SupportSubController() override;

    HoverableTableView* supportTableView() const { return m_table; }
    ContactInfoView* phoneNumbersView() const { return m_phoneNumbers; }
    ModalViewController* modalViewController() const;
    SupportCellView* cellFor(SupportTab tab) const;

    // What a press on the entry's row does.
    void perform(SupportTab tab);
    void showTroubleshootingPopover();

    int numberOfRows(TableView& table) override;
    QWidget* viewForRow(TableView& table, int row) override;
    int heightOfRow(TableView& table, int row) override;
    // Performs the entry; no row ever stays selected.
    bool shouldSelectRow(TableView& table, int row) override;

protected:
    QWidget* loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<HoverableTableView> m_table;
    QPointer<ContactInfoView> m_phoneNumbers;
    std::unique_ptr<platform::ViewController> m_modal;
};
