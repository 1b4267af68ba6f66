#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ai/ann/Neron.h"

namespace {

Neron makeNeron(const std::vector<double>& w, const std::vector<double>& in, double b) {
    Neron n;
    n.setWeights(w);
    n.setPercept(in);
    n.setBias(b);
    return n;
}

}  // namespace

TEST(Neron, TransferFunctionsStayFiniteAtExtremesAndUnknownOnesComplain) {
    for (double x : {-800.0, 1e6}) {
        Neron n = makeNeron({1.0}, {x}, 0.0);
        EXPECT_DOUBLE_EQ(n.calcOutput(Neron::kTanh), x > 0 ? 1.0 : -1.0);
        EXPECT_DOUBLE_EQ(n.calcOutput(Neron::kLogistic), x > 0 ? 1.0 : 0.0);
    }
    Neron n = makeNeron({2.0}, {3.0}, 1.0);
    testing::internal::CaptureStderr();
    EXPECT_DOUBLE_EQ(n.calcOutput(7), 7.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              " you enter a invalid number4 for input!!!!!\n");
}

TEST(Neron, MismatchedListsSumOnlyTheCommonPairs) {
    // More inputs than weights and the other way round: never read past a
    // list (the sanitizer run checks the reads).
    Neron a = makeNeron({1.0, 1.0}, {1.0, 2.0, 3.0, 4.0}, 0.0);
    EXPECT_FALSE(a.isValid());
    EXPECT_DOUBLE_EQ(a.calcOutput(Neron::kIdentity), 3.0);
    Neron b = makeNeron({1.0, 1.0, 1.0}, {5.0}, 0.5);
    EXPECT_DOUBLE_EQ(b.calcOutput(Neron::kIdentity), 5.5);

    testing::internal::CaptureStdout();
    makeNeron({0.5}, {1.0, 3.0}, 0.0).showAttr();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("size of percepts is not equal to size of weights!. ", 0), 0u);
}
