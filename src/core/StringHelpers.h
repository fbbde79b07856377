#pragma once

#include <QFont>
#include <QRectF>
#include <QString>

#include <optional>

// Helpers on texts: dotted version comparison, measuring, character offsets.
namespace strings {

enum class ComparisonResult { ascending = -1, same = 0, descending = 1 };

// `receiver` against `other`: split on ".", pad the shorter with "0" components, compare numerically
// (digit runs by value, everything else character by character, case-sensitive).
ComparisonResult compareVersion(const QString& receiver, const QString& other);
bool isSameVersion(const QString& receiver, const QString& other);
bool isNewerVersion(const QString& receiver, const QString& than);
bool isNewerOrSameVersion(const QString& receiver, const QString& other);
bool isOlderVersion(const QString& receiver, const QString& than);
bool isOlderOrSameVersion(const QString& receiver, const QString& other);

// The rectangle `text` uses when laid out at `width` in `font` (word-wrapped).
QRectF heightForWidth(const QString& text, qreal width, const QFont& font);

// Offsets count user-perceived characters (grapheme clusters). Out of range gives "".
QString characterAt(const QString& text, int offset);
// Characters from `start` up to, not including, `end`; "" for an empty or out-of-range span.
QString substring(const QString& text, int start, int end);
// Character offset of the first occurrence (case-sensitive), or nothing.
std::optional<int> offsetOf(const QString& text, const QString& needle);
// Lower case with every blank replaced by "_".
QString snakeCased(const QString& text);

} // namespace strings
