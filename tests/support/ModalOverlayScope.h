#pragma once

// Shows a window whose content presents the modal overlay, for the hover guards.

#include "support/TestSupport.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/ModalViewController.h"
#include "toolkit/NSViewControllerBase.h"

#include <QApplication>
#include <QEnterEvent>

// The pointer entering and leaving a widget, at its current centre.
inline void enter(QWidget* widget) {
    const QPointF inside(widget->width() / 2.0, widget->height() / 2.0);
    QEnterEvent event(inside, widget->mapToGlobal(inside), widget->mapToGlobal(inside));
    QApplication::sendEvent(widget, &event);
}

inline void leave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

class ModalOverlayScope {
public:
    ModalOverlayScope() {
        m_window.setContentViewController(&m_content);
        m_window.showWindow();
        activate();
    }
    ~ModalOverlayScope() {
        dismiss();
        m_window.close();
    }
    ModalOverlayScope(const ModalOverlayScope&) = delete;
    ModalOverlayScope& operator=(const ModalOverlayScope&) = delete;

    // The overlay counts over the active window only: windows shown later take that from this one.
    void present() {
        m_content.presentViewController(&m_modal);
        activate();
    }
    void dismiss() {
        if (m_modal.presentingViewController()) {
            m_content.dismissViewController(&m_modal);
        }
    }

private:
    void activate() {
        QApplication::setActiveWindow(m_window.window());
        testsupport::waitUntil([this] { return QApplication::activeWindow() == m_window.window(); });
    }

    BaseWindowViewController m_window;
    NSViewControllerBase m_content;
    ModalViewController m_modal;
};
