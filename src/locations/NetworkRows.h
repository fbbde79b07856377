#pragma once

#include "sdk/PDNetworks.h"

#include <QStringList>

// The titles of a list's rows; section headers are kept so the list reads as the model orders it.
inline QStringList networkRowTitles(const QList<PDNetworkItemPtr>& rows) {
    QStringList titles;
    for (const PDNetworkItemPtr& item : rows) {
        if (item) {
            titles << (item->isHeader() ? item->title().toUpper() : item->displayTitle());
        }
    }
    return titles;
}
