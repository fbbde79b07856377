#pragma once

#include "toolkit/XibView.h"

#include <QColor>
#include <QLabel>
#include <QPointer>

#include <optional>

// Why a network list has nothing to show.
enum class EmptyNetworksViewState { noAccess, notFound, forcedUpdateAvailable };
QString titleOf(EmptyNetworksViewState state);
std::optional<QString> subtitleOf(EmptyNetworksViewState state);

// Stands in for a network list with nothing to show: a title and, for two of the reasons, a centred
// explanation. Its owner hides its own content and shows this view.
class EmptyNetworksView : public XibView {
    Q_OBJECT
public:
    static constexpr double subtitleLineHeight = 20.0;

    explicit EmptyNetworksView(QWidget* parent = nullptr);

    QColor subtitleColor() const { return m_subtitleColor; }
    QLabel* titleField() const { return m_titleField; }
    QLabel* subtitleField() const { return m_subtitleField; }

    void setup(const QString& title, const std::optional<QString>& subtitle);
    void setup(EmptyNetworksViewState state);

protected:
    QWidget* loadViewFromNib() override;

private:
    QColor m_subtitleColor;
    QPointer<QLabel> m_titleField;
    QPointer<QLabel> m_subtitleField;
};
