#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

// A composite view whose content is built in code by the subclass named after it. The content fills the
// view and follows every resize. A subclass builds its content in loadViewFromNib() and calls loadView()
// at the end of its constructor when it needs its controls at once; otherwise the content is built before
// the view is first shown.
class XibView : public QWidget {
    Q_OBJECT
public:
    explicit XibView(QWidget* parent = nullptr);

    // The content root; null until loaded.
    QWidget* view() const { return m_view; }
    // The dynamic class's name without namespace: the content a subclass builds.
    QString nibName() const;

    // Builds and installs the content once; later calls do nothing.
    void loadView();

protected:
    // The content for nibName(); the base class has none. A null result is logged and leaves an empty view.
    virtual QWidget* loadViewFromNib();

    bool event(QEvent* event) override;

private:
    QPointer<QWidget> m_view;
};
