#include "core/StringHelpers.h"

#include <QFontMetricsF>
#include <QList>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <limits>

namespace strings {

namespace {

// Compares two runs of digits by their value (leading zeros do not count).
int compareDigitRuns(QStringView a, QStringView b) {
    while (a.size() > 1 && a.front() == QLatin1Char('0')) {
        a = a.mid(1);
    }
    while (b.size() > 1 && b.front() == QLatin1Char('0')) {
        b = b.mid(1);
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

qsizetype digitRunEnd(const QString& s, qsizetype from) {
    while (from < s.size() && s.at(from).isDigit()) {
        ++from;
    }
    return from;
}

// Digit runs compare by value, everything else character by character (case-sensitive, no locale).
int numericCompare(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            const qsizetype endA = digitRunEnd(a, i);
            const qsizetype endB = digitRunEnd(b, j);
            const int c = compareDigitRuns(QStringView(a).mid(i, endA - i), QStringView(b).mid(j, endB - j));
            if (c != 0) {
                return c;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (a.at(i) != b.at(j)) {
            return a.at(i) < b.at(j) ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size()) {
        return 1;
    }
    return j < b.size() ? -1 : 0;
}

// Offsets of the grapheme boundaries of `text`, 0 and its length included.
QList<qsizetype> graphemeBoundaries(const QString& text) {
    QList<qsizetype> boundaries{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary()) {
        boundaries.append(at);
    }
    if (boundaries.last() != text.size()) {
        boundaries.append(text.size());
    }
    return boundaries;
}

} // namespace

ComparisonResult compareVersion(const QString& receiver, const QString& other) {
    QStringList left = receiver.split(QLatin1Char('.'));
    QStringList right = other.split(QLatin1Char('.'));
    while (left.size() < right.size()) {
        left.append(QStringLiteral("0"));
    }
    while (right.size() < left.size()) {
        right.append(QStringLiteral("0"));
    }
    const int c = numericCompare(left.join(QLatin1Char('.')), right.join(QLatin1Char('.')));
    return c < 0 ? ComparisonResult::ascending : (c > 0 ? ComparisonResult::descending : ComparisonResult::same);
}

bool isSameVersion(const QString& receiver, const QString& other) {
    return compareVersion(receiver, other) == ComparisonResult::same;
}
bool isNewerVersion(const QString& receiver, const QString& than) {
    return compareVersion(receiver, than) == ComparisonResult::descending;
}
bool isNewerOrSameVersion(const QString& receiver, const QString& other) {
    return compareVersion(receiver, other) != ComparisonResult::ascending;
}
bool isOlderVersion(const QString& receiver, const QString& than) {
    return compareVersion(receiver, than) == ComparisonResult::ascending;
}
bool isOlderOrSameVersion(const QString& receiver, const QString& other) {
    return compareVersion(receiver, other) != ComparisonResult::descending;
}

QRectF heightForWidth(const QString& text, qreal width, const QFont& font) {
    const QFontMetricsF metrics(font);
    const QRectF bounds(0, 0, width, std::numeric_limits<int>::max());
    return metrics.boundingRect(bounds, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);
}

QString characterAt(const QString& text, int offset) { return substring(text, offset, offset + 1); }

QString substring(const QString& text, int start, int end) {
    if (start < 0 || end <= start) {
        return QString();
    }
    const QList<qsizetype> boundaries = graphemeBoundaries(text);
    const qsizetype characters = boundaries.size() - 1;
    if (end > characters) {
        return QString();
    }
    return text.mid(boundaries.at(start), boundaries.at(end) - boundaries.at(start));
}

std::optional<int> offsetOf(const QString& text, const QString& needle) {
    const qsizetype at = text.indexOf(needle);
    if (at < 0) {
        return std::nullopt;
    }
    const QList<qsizetype> boundaries = graphemeBoundaries(text);
    int characters = 0;
    while (characters < boundaries.size() && boundaries.at(characters) < at) {
        ++characters;
    }
    return characters;
}

QString snakeCased(const QString& text) { return text.toLower().replace(QLatin1Char(' '), QLatin1Char('_')); }

} // namespace strings
