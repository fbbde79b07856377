#pragma once

#include <QObject>
#include <QPointer>

// A delegate pointer that does not own. When the delegate is also a QObject it reads as null once that
// object is destroyed; a plain delegate must outlive its sender or be cleared by its owner.
template <class T>
class WeakDelegate {
public:
    WeakDelegate() = default;

    WeakDelegate& operator=(T* delegate) {
        m_delegate = delegate;
        m_object = dynamic_cast<QObject*>(delegate);
        m_tracked = !m_object.isNull();
        return *this;
    }

    T* get() const { return m_tracked && m_object.isNull() ? nullptr : m_delegate; }
    T* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    T* m_delegate = nullptr;
    QPointer<QObject> m_object;
    bool m_tracked = false;
};
