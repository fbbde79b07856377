#pragma once

// Shows a window whose content presents a modal overlay, for the hover guards. The overlay class comes
// from the test file: it must be called ModalViewController (define it in an anonymous namespace there).

#include "support/TestSupport.h"
#include "toolkit/BaseWindowViewController.h"
#include "toolkit/NSViewControllerBase.h"

#include <QApplication>

template <class Modal>
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
    Modal m_modal;
};
