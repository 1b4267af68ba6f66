#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <type_traits>
#include <utility>

#include "geometry/Point.h"
#include "support/ChildProcess.h"
#include "utils/ParserT.h"

namespace {

template <typename T, typename = void>
struct HasLookUp : std::false_type {};
template <typename T>
struct HasLookUp<T, std::void_t<decltype(std::declval<T&>().lookUp(Point(), 1))>>
    : std::true_type {};

template <typename T, typename = void>
struct HasTableGetter : std::false_type {};
template <typename T>
struct HasTableGetter<T, std::void_t<decltype(std::declval<T&>().getTableKick(0, 0))>>
    : std::true_type {};

}  // namespace

TEST(KickTablesMatch, ReadsNoFileAndOpensNothing) {
    TempDir dir;
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    // A broken table in the working directory must not even be touched.
    {
        std::ofstream out(dir.file("kickResult.txt").c_str());
        out << "1" << std::string(400, '9') << " 1 1 1 1 1\n";
    }
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    ParserT* pt = ParserT::getUniqueInstance();
    pt->setNameOfKick("does-not-exist.txt");
    EXPECT_TRUE(pt->openFile());
    pt->parseFile();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(pt, ParserT::getUniqueInstance());
}

TEST(KickTablesMatch, TablesAndTheirOperationsAreAbsent) {
    static_assert(!HasLookUp<ParserT>::value, "no look-up in the competition program");
    static_assert(!HasTableGetter<ParserT>::value, "no tables in the competition program");
    SUCCEED();
}
