#include "engine/output_receipt.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {

QJsonValue TextOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

// Rounded to what the measure means, or null where nothing was measured (JSON has no NaN).
QJsonValue NumberOrNull(double value, int decimals) {
    if (!std::isfinite(value)) {
        return {};
    }
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

}  // namespace

QString ReceiptJson(const OutputReceipt& r) {
    if (!r.checked) {
        return QStringLiteral("null");
    }
    QJsonObject o;
    o.insert(QStringLiteral("passed"), r.failure.isEmpty());
    o.insert(QStringLiteral("samples_in"), static_cast<qint64>(r.samplesIn));
    o.insert(QStringLiteral("samples_out"), static_cast<qint64>(r.samplesOut));
    o.insert(QStringLiteral("rate_in"), r.rateIn);
    o.insert(QStringLiteral("rate_out"), r.rateOut);
    o.insert(QStringLiteral("bound"), TextOrNull(r.bound));
    o.insert(QStringLiteral("md5_in"), TextOrNull(r.md5In));
    o.insert(QStringLiteral("md5_out"), TextOrNull(r.md5Out));
    o.insert(QStringLiteral("tags_written"), QJsonArray::fromStringList(r.tagsWritten));
    o.insert(QStringLiteral("tags_not_placed"), QJsonArray::fromStringList(r.tagsNotPlaced));
    o.insert(QStringLiteral("peak"), NumberOrNull(r.peak, 6));
    o.insert(QStringLiteral("loudness"), NumberOrNull(r.loudness, 2));
    o.insert(QStringLiteral("failure"), TextOrNull(r.failure));
    o.insert(QStringLiteral("chunks"), r.chunks);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}
