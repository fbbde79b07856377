#pragma once

#include "toolkit/XibView.h"

#include <QLabel>
#include <QPointer>

#include <optional>

// Why there is nothing to show: no network yet, no search match, or an update to install first.
enum class EmptyNetworksViewState { noAccess, notFound, forcedUpdateAvailable };

// Stands in for a network list or the chosen network when there is nothing to show: a title and, for
// two of the states, a centred explanation.
class EmptyNetworksView : public XibView {
    Q_OBJECT
public:
    explicit EmptyNetworksView(QWidget* parent = nullptr);

    void setup(EmptyNetworksViewState state);
    void setup(const QString& title, const std::optional<QString>& subtitle);

    QLabel* titleField() const { return m_titleField; }
    QLabel* subtitleField() const { return m_subtitleField; }

protected:
    QWidget* loadViewFromNib() override;

private:
    QPointer<QLabel> m_titleField;
    QPointer<QLabel> m_subtitleField;
};
