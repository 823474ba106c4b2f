#include <gtest/gtest.h>

#include <new>
#include <system_error>

#include "RecordedErrors.h"
#include "platform/RunTimeError.h"
#include "widgets/ErrorReporter.h"

namespace marbleck {
namespace {

TEST(ErrorReporterTest, ShowsNumberAndDescription) {
    EXPECT_EQ(ErrorReporter::MessageText(481, "Invalid picture"), "Run-time error 481: Invalid picture");
}

TEST(ErrorReporterTest, StopsTheCommandWhereItFailedAndRunsOn) {
    test::RecordedErrors errors;
    int steps = 0;
    const bool ok = ErrorReporter::RunCommand(nullptr, [&] {
        ++steps;
        throw RunTimeError(75, "Path/File access error");
        ++steps;
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(steps, 1);
    ASSERT_EQ(errors.errors().size(), 1u);
    EXPECT_EQ(errors.lastNumber(), 75);
    EXPECT_EQ(errors.errors()[0].description, "Path/File access error");
    EXPECT_TRUE(ErrorReporter::RunCommand(nullptr, [&] { ++steps; }));
    EXPECT_EQ(steps, 2);
}

TEST(ErrorReporterTest, MemoryExhaustionIsOutOfMemory) {
    test::RecordedErrors errors;
    ErrorReporter::RunCommand(nullptr, [] { throw std::bad_alloc(); });
    EXPECT_EQ(errors.lastNumber(), 7);
    // A thread that cannot start is the same lack of room to the user.
    ErrorReporter::RunCommand(nullptr, [] {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    EXPECT_EQ(errors.lastNumber(), 7);
    EXPECT_EQ(errors.errors().back().description, "Out of memory");
}

}  // namespace
}  // namespace marbleck
