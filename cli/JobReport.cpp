#include "cli/JobReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace marbleck::cli {

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// JSON has no NaN or infinity: a figure that is none is null.
QJsonValue Number(std::optional<double> value) {
    return value && std::isfinite(*value) ? QJsonValue(*value) : QJsonValue();
}

QJsonObject Json(const NamedValues& values);

QJsonValue Json(const FieldValue& field) {
    const auto& v = field.value;
    if (const auto* number = std::get_if<double>(&v)) return Number(*number);
    if (const auto* count = std::get_if<long long>(&v)) return QJsonValue(static_cast<qint64>(*count));
    if (const auto* flag = std::get_if<bool>(&v)) return QJsonValue(*flag);
    if (const auto* text = std::get_if<std::string>(&v)) return QJsonValue(QString::fromStdString(*text));
    if (const auto* values = std::get_if<NamedValues>(&v)) return Json(*values);
    if (const auto* numbers = std::get_if<std::vector<double>>(&v)) {
        QJsonArray array;
        for (const double number : *numbers) array.append(Number(number));
        return array;
    }
    return QJsonValue();
}

QJsonObject Json(const NamedValues& values) {
    QJsonObject json;
    for (const NamedValue& value : values) json.insert(QString::fromStdString(value.name), Json(value.value));
    return json;
}

}  // namespace

QByteArray SummaryJson(const ExportSummary& s) {
    QJsonObject json = Json(s.details);
    json.insert(QStringLiteral("input"), s.input);
    json.insert(QStringLiteral("output"), s.output);
    json.insert(QStringLiteral("width"), s.width);
    json.insert(QStringLiteral("height"), s.height);
    json.insert(QStringLiteral("reps"), s.reps);
    json.insert(QStringLiteral("points"), s.points);
    json.insert(QStringLiteral("engine"), s.engine);
    json.insert(QStringLiteral("seed"), s.seed ? QJsonValue(QString::number(*s.seed)) : QJsonValue());
    json.insert(QStringLiteral("reconstruction"),
                s.reconstruction.isEmpty() ? QJsonValue() : QJsonValue(s.reconstruction));
    json.insert(QStringLiteral("seconds"), s.seconds);
    for (const auto& [name, value] : NamedFigures(s.figures.value_or(Figures{})))
        json.insert(Text(name), Number(value));
    if (!s.recordName.empty())
        json.insert(Text(s.recordName), s.record.empty() ? QJsonValue() : QJsonValue(Json(s.record)));
    if (s.physical) {
        const PhysicalFigures& f = *s.physical;
        json.insert(QStringLiteral("print"),
                    QJsonObject{{QStringLiteral("pitchMm"), f.pitchMm},
                                {QStringLiteral("widthMm"), f.widthMm},
                                {QStringLiteral("heightMm"), f.heightMm},
                                {QStringLiteral("wavelengthNm"), f.wavelengthNm},
                                {QStringLiteral("distanceM"), f.distanceM},
                                {QStringLiteral("maxAngleDegrees"), Number(f.maxAngleDegrees)},
                                {QStringLiteral("screenImageMm"), Number(f.screenImageMm)},
                                {QStringLiteral("screenSpanMm"), Number(f.screenSpanMm)}});
    }
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

}  // namespace marbleck::cli
