#include <fstream>
#include <string>

#include "InTempDir.h"
#include "utils/ParserT.h"

using KickTablesMatch = InTempDir;

// The competition program has no kick tables: it opens no file at all, not
// even a broken table in its working directory.
TEST_F(KickTablesMatch, ReadsNoFileAndOpensNothing) {
    std::ofstream(dir.file("kickResult.txt")) << "1" << std::string(400, '9') << " 1 1 1 1 1\n";
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    ParserT* pt = ParserT::getUniqueInstance();
    pt->setNameOfKick("does-not-exist.txt");
    EXPECT_TRUE(pt->openFile());
    pt->parseFile();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
