// The report's vocabulary as a script reads it: the figure table's five
// names for either kind, the binarization table's names for a method asked
// for by its older one, and the engine table's names.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "engine/reconstruction/Figures.h"
#include "engine/sums/CalculationEngine.h"

namespace marbleck {
namespace {

using test::CliRun;
using test::ObjectImage;
using test::RunCli;

struct ReportCase {
    const char* name;
    QStringList options;       // after OBJECT -o OUTPUT --report
    const char* binarization;  // the report's method, nullptr: none (null), "": no such field
    const char* record;        // the kind's record, null unless it ran
    bool recorded = false;
};

class ReportNames : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ReportNames, AreTheTablesNames) {
    QTemporaryDir dir;
    const QString object = dir.filePath(QStringLiteral("dots.png"));
    ASSERT_TRUE(
        ObjectImage(24, 20, {QPoint(3, 4), QPoint(9, 15), QPoint(17, 6), QPoint(20, 12)}).save(object));
    const QString output = dir.filePath(QStringLiteral("H.png"));
    const CliRun run =
        RunCli(QStringList{object, "-o", output, "--report", "--reps", "2", "--random-phase", "--seed", "3"} +
                   GetParam().options,
               {}, 60000);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    for (const FigureEntry& figure : FigureTable()) {
        const QString name =
            QString::fromUtf8(figure.name.data(), static_cast<qsizetype>(figure.name.size()));
        EXPECT_TRUE(report[name].isDouble()) << figure.name;
    }
    EXPECT_GT(report["uniformity"].toDouble(), 0);
    EXPECT_LE(report["uniformity"].toDouble(), 1);
    EXPECT_LT(report["efficiency"].toDouble(), 1);
    EXPECT_LE(report["signalShare"].toDouble(), 1);
    const char* method = GetParam().binarization;
    if (method == nullptr)
        EXPECT_TRUE(report["binarization"].isNull());
    else if (*method == '\0')
        EXPECT_FALSE(report.contains(QStringLiteral("binarization")));
    else
        EXPECT_EQ(report["binarization"].toString(), QLatin1String(method));
    const QJsonValue record = report[QLatin1String(GetParam().record)];
    ASSERT_EQ(record.isObject(), GetParam().recorded) << GetParam().record;
    if (GetParam().recorded) {
        EXPECT_TRUE(record["before"].toObject()["fidelity"].isDouble());
        EXPECT_TRUE(record["after"].toObject()["spread"].isDouble());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportNames,
    ::testing::Values(
        ReportCase{"Calculated", {}, nullptr, "optimisation"},
        ReportCase{"Threshold", {"--binarize", "0.5"}, "threshold", "optimisation"},
        ReportCase{"Median", {"--binarize", "median"}, "balanced", "optimisation"},
        ReportCase{"Balanced", {"--binarize", "balanced"}, "balanced", "optimisation"},
        ReportCase{
            "Optimise", {"--binarize", "optimise", "--budget", "0.2"}, "optimised", "optimisation", true},
        ReportCase{"Phase", {"--phase"}, "", "refinement"},
        ReportCase{"Refined", {"--phase", "--refine", "3"}, "", "refinement", true}),
    [](const auto& info) { return std::string(info.param.name); });

// The values of a .npy file the command line wrote (float32 after its
// header); empty when it cannot be read.
std::vector<float> NpyValues(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 10) return {};
    const int start =
        10 + (static_cast<unsigned char>(bytes[8]) | (static_cast<unsigned char>(bytes[9]) << 8));
    std::vector<float> values(static_cast<std::size_t>(std::max<qsizetype>(bytes.size() - start, 0)) / 4);
    std::memcpy(values.data(), bytes.constData() + start, values.size() * 4);
    return values;
}

std::vector<std::string> TableEngines() {
    std::vector<std::string> names;
    for (const CalculationEngine& engine : CalculationEngines())
        if (engine.available()) names.emplace_back(engine.name);
    return names;
}

class EngineNames : public ::testing::TestWithParam<std::string> {};

// --engine takes each name of the engine table, the report gives it back,
// and the values agree with the exact engine's: on a canvas of prime sides,
// fractional reps and random phases.
TEST_P(EngineNames, AreReadBackWithTheExactValues) {
    QTemporaryDir dir;
    const QString object = dir.filePath(QStringLiteral("dots.png"));
    ASSERT_TRUE(ObjectImage(13, 11, {QPoint(1, 2), QPoint(12, 0), QPoint(5, 9), QPoint(7, 7)}).save(object));
    std::vector<float> values[2];
    const std::string engines[2] = {"exact", GetParam()};
    for (int i = 0; i < 2; ++i) {
        const QString output = dir.filePath(QStringLiteral("H%1.npy").arg(i));
        const QString engine = QString::fromStdString(engines[i]);
        const CliRun run = RunCli({object, "-o", output, "--reps", "2.7", "--random-phase", "--seed", "5",
                                   "--engine", engine, "--report"});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(QJsonDocument::fromJson(run.out.toUtf8()).object()["engine"].toString(), engine);
        values[i] = NpyValues(output);
    }
    ASSERT_GT(values[0].size(), 13u * 11u * 4u);
    ASSERT_EQ(values[1].size(), values[0].size());
    for (std::size_t k = 0; k < values[0].size(); ++k) ASSERT_NEAR(values[1][k], values[0][k], 4e-6) << k;
}

INSTANTIATE_TEST_SUITE_P(Table, EngineNames, ::testing::ValuesIn(TableEngines()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace marbleck
