#include "toolkit/XibView.h"

#include "core/Log.h"

#include <QEvent>
#include <QVBoxLayout>

XibView::XibView(QWidget* parent) : QWidget(parent) {}

QString XibView::nibName() const {
    const QString name = QString::fromLatin1(metaObject()->className());
    return name.section(QStringLiteral("::"), -1);
}

QWidget* XibView::loadViewFromNib() {
    return nullptr;
}

void XibView::loadView() {
    if (m_view) {
        return;
    }
    QWidget* content = loadViewFromNib();
    if (!content) {
        vlog::error(QStringLiteral("No content for view ") + nibName());
        content = new QWidget;
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(content);
    m_view = content;
}

bool XibView::event(QEvent* event) {
    if (event->type() == QEvent::Polish && !m_view) {
        loadView();
    }
    return QWidget::event(event);
}
