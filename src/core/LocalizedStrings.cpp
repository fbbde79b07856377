#include "core/LocalizedStrings.h"

#include "core/GlobalConstants.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcTexts, "veltrix.texts")

// The table, read once. A missing or broken table is logged and every lookup yields its key.
const QHash<QString, QString>& table() {
    static const QHash<QString, QString> texts = [] {
        QHash<QString, QString> result;
        QFile file(QStringLiteral(":/texts/Localizable.json"));
        if (!file.open(QIODevice::ReadOnly)) {
            qCWarning(lcTexts) << "The localized-text table is missing";
            return result;
        }
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        if (!document.isObject()) {
            qCWarning(lcTexts) << "The localized-text table cannot be read:" << error.errorString();
            return result;
        }
        const QJsonObject object = document.object();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it.value().isString()) {
                result.insert(it.key(), it.value().toString());
            }
        }
        return result;
    }();
    return texts;
}

QString product() { return GlobalConstants::productDisplayName(); }
QString support() { return GlobalConstants::supportEmailAddress(); }

} // namespace

namespace L10n {

QString localized(const QString& key) { return table().value(key, key); }

QString localized(const QString& key, const QStringList& arguments) { return format(localized(key), arguments); }

QString format(const QString& format, const QStringList& arguments) {
    QString result;
    result.reserve(format.size());
    qsizetype nextArgument = 0;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= format.size()) {
            result.append(c);
            ++i;
            continue;
        }
        if (format.at(i + 1) == QLatin1Char('@')) {
            if (nextArgument < arguments.size()) {
                result.append(arguments.at(nextArgument++));
            } else {
                result.append(QStringLiteral("%@"));
            }
            i += 2;
            continue;
        }
        // "%n$@": argument n, counted from 1.
        qsizetype j = i + 1;
        while (j < format.size() && format.at(j).isDigit()) {
            ++j;
        }
        if (j > i + 1 && j + 1 < format.size() && format.at(j) == QLatin1Char('$') &&
            format.at(j + 1) == QLatin1Char('@')) {
            bool ok = false;
            const qsizetype index = QStringView(format).mid(i + 1, j - i - 1).toLongLong(&ok);
            if (ok && index >= 1 && index <= arguments.size()) {
                result.append(arguments.at(index - 1));
            } else {
                result.append(QStringView(format).mid(i, j + 2 - i));
            }
            i = j + 2;
            continue;
        }
        result.append(c);
        ++i;
    }
    return result;
}

#define VELTRIX_DEFINE_PLAIN(name)                                                                             \
    const QString& name() {                                                                                    \
        static const QString text = localized(QStringLiteral(#name));                                          \
        return text;                                                                                           \
    }
#define VELTRIX_DEFINE_PRODUCT(name)                                                                           \
    const QString& name() {                                                                                    \
        static const QString text = localized(QStringLiteral(#name), {product()});                             \
        return text;                                                                                           \
    }
VELTRIX_PLAIN_TEXTS(VELTRIX_DEFINE_PLAIN)
VELTRIX_PRODUCT_TEXTS(VELTRIX_DEFINE_PRODUCT)
#undef VELTRIX_DEFINE_PLAIN
#undef VELTRIX_DEFINE_PRODUCT

#define VELTRIX_DEFINE_WITH(name, ...)                                                                         \
    const QString& name() {                                                                                    \
        static const QString text = localized(QStringLiteral(#name), {__VA_ARGS__});                           \
        return text;                                                                                           \
    }
VELTRIX_DEFINE_WITH(l2tp_no_longer_available_info_popup_description, product(), support())
VELTRIX_DEFINE_WITH(purchase_processing_error_suffix, support())
VELTRIX_DEFINE_WITH(purchase_processing_error_receipt_data_not_available, purchase_processing_error_suffix())
VELTRIX_DEFINE_WITH(purchase_processing_error_unknown_response_result_received, purchase_processing_error_suffix())
VELTRIX_DEFINE_WITH(purchase_processing_error_unknown_response_received, purchase_processing_error_suffix())
VELTRIX_DEFINE_WITH(purchase_processing_error_wrong_response_received, purchase_processing_error_suffix())
VELTRIX_DEFINE_WITH(purchase_processing_error_invalid_error_response_received, purchase_processing_error_suffix())
VELTRIX_DEFINE_WITH(helper_tool_command_execute_error, product(), product())
VELTRIX_DEFINE_WITH(generic_error_notification_lower, support())
#undef VELTRIX_DEFINE_WITH

const QString& settings_window_open_support_ticket_info_text() {
    static const QString text =
        localized(GlobalConstants::isSMBApplication ? QStringLiteral("settings_window_open_support_ticket_info_text_smb")
                                                    : QStringLiteral("settings_window_open_support_ticket_info_text"),
                  {product()});
    return text;
}

QStringList allKeys() {
    QStringList keys;
#define VELTRIX_KEY(name) keys.append(QStringLiteral(#name));
    VELTRIX_PLAIN_TEXTS(VELTRIX_KEY)
    VELTRIX_PRODUCT_TEXTS(VELTRIX_KEY)
    VELTRIX_SPECIAL_TEXTS(VELTRIX_KEY)
#undef VELTRIX_KEY
    keys.removeAll(QStringLiteral("settings_window_open_support_ticket_info_text"));
    keys.append(QStringLiteral("settings_window_open_support_ticket_info_text_smb"));
    keys.append(QStringLiteral("settings_window_open_support_ticket_info_text"));
    return keys;
}

} // namespace L10n
