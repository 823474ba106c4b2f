// The report's vocabulary as a script reads it: the figure table's five
// names for either kind, and the binarization table's names for a method
// asked for by its older one.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "CliProcess.h"
#include "engine/reconstruction/Figures.h"

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

}  // namespace
}  // namespace marbleck
