#pragma once

#include "mainwindow/LoadingSpinner.h"
#include "sdk/PDTypes.h"
#include "toolkit/MainErrorView.h"
#include "toolkit/WeakDelegate.h"
#include "toolkit/XibView.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <optional>

class MainSmartWidgetViewDelegate : public SizeChangeableViewDelegate {
public:
    virtual void smartWidgetLinkTapped(const QString& link) = 0;
};

// A small panel with one message from the service: a bold headline and the text on one line, a link, and a
// spinner while it loads. A click on the link or anywhere on the panel reports the link.
class MainSmartWidgetView : public XibView {
    Q_OBJECT
public:
    // Added to the text's height for the panel's height.
    static constexpr double verticalPadding = 14.0;

    explicit MainSmartWidgetView(QWidget* parent = nullptr);

    QLabel* messageField() const { return m_messageField; }
    QPushButton* linkButton() const { return m_linkButton; }
    QLabel* separatorImageView() const { return m_separator; }
    LoadingSpinner* loadingIndicator() const { return m_loadingIndicator; }
    MainSmartWidgetViewDelegate* delegate() const { return m_delegate.get(); }
    void setDelegate(MainSmartWidgetViewDelegate* delegate) { m_delegate = delegate; }
    const std::optional<PDSmartWidgetProtocol>& widgetData() const { return m_widgetData; }

    void configure(const std::optional<PDSmartWidgetProtocol>& widgetData, bool isLoading);
    void linkTapped();
    // The loading look changes on the main queue, in call order.
    void showLoading();
    void hideLoading();
    void update(const PDSmartWidgetProtocol& widgetData);

protected:
    QWidget* loadViewFromNib() override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void setupUI();
    void setLoadingLook(bool loading);

    QPointer<QLabel> m_messageField;
    QPointer<QPushButton> m_linkButton;
    QPointer<QLabel> m_separator;
    QPointer<LoadingSpinner> m_loadingIndicator;
    WeakDelegate<MainSmartWidgetViewDelegate> m_delegate;
    std::optional<PDSmartWidgetProtocol> m_widgetData;
};
