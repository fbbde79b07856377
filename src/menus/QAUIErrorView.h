#pragma once

#include "menus/QAUIStack.h"

#include <QLabel>
#include <QPointer>

#include <map>

// One error toast: a title line over a description, on a tinted card with a red edge.
class QAUINotificationView : public QWidget {
    Q_OBJECT
public:
    enum class LabelType { title, description };
    static constexpr int maximumTextLength = 500;

    QAUINotificationView(const QString& title, const QString& description, int width,
                         QWidget* parent = nullptr);

    QLabel* titleLabel() const { return m_title; }
    QLabel* descriptionLabel() const { return m_description; }

    // Texts longer than the limit end in "…".
    static QString shortened(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static QLabel* makeLabel(LabelType type, const QString& text, int width);

    QLabel* m_title = nullptr;
    QLabel* m_description = nullptr;
};

// The logged-out page's stack of toasts: the newest at the bottom, at most four.
class QAUIErrorView : public QAUIStackMemberView, public QAUIStackMemberDelegate {
    Q_OBJECT
public:
    static constexpr double heightGap = 8.0;
    static constexpr double dimDuration = 0.34;
    static constexpr int maximumToasts = 4;

    explicit QAUIErrorView(QWidget* parent = nullptr);

    double topExtraPadding() const { return m_topExtraPadding; }
    void setTopExtraPadding(double padding);
    bool hasNotifications() const { return !m_notifications.empty(); }
    double height() const override;

    void addNotification(const QString& title, const QString& description, bool animated);
    void removeAllNotifications(bool animated);

    // The toasts of the stack, newest first.
    QList<QAUINotificationView*> notifications() const;
    // Where a toast's bottom edge sits (or heads), from the bottom of this view.
    double bottomOffset(const QAUINotificationView* toast) const;

protected:
    QWidget* loadViewFromNib() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Entry {
        int order = 0;
        double bottom = 0.0;      // where the toast heads
        double shownBottom = 0.0; // where it is drawn now
    };
    void relayoutNotifications(bool animated);
    void place(QAUINotificationView* toast);

    double m_prevTopExtraPadding = 0.0;
    double m_topExtraPadding = 0.0;
    int m_counter = 0;
    std::map<QAUINotificationView*, Entry> m_notifications;
};
