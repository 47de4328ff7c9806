#include <gtest/gtest.h>

#include <string>

#include "analysis/curve_data.h"
#include "analysis/instrumental_response.h"

TEST(CurveData, LastOfEqualMaximaWins) {
    CCurveData<PointData> curve;
    EXPECT_FALSE(curve.IsModified());
    curve.AddPoint(0.1, 5);
    curve.AddPoint(0.2, 9);
    curve.AddPoint(0.3, 9);
    curve.AddPoint(0.4, 2);
    EXPECT_TRUE(curve.IsModified());
    EXPECT_EQ(curve.GetCount(), 4);
    EXPECT_EQ(curve.LargestValue(), 9);
    EXPECT_EQ(curve.LargestIndex(), 2);
    curve.Clear();
    EXPECT_EQ(curve.GetCount(), 0);
    EXPECT_EQ(curve.LargestValue(), 0);
    EXPECT_EQ(curve.LargestIndex(), 0);
    EXPECT_FALSE(curve.IsModified());
}

TEST(InstrumentalResponse, ZeroIndexIsNearestZeroLaterOnTies) {
    CInstrumentalResponseFunction r;
    EXPECT_EQ(r.ZeroIndex(), -1);
    for (double x : {-0.3, -0.1, 0.1, 0.3}) {
        r.AddPoint(x, 1);
    }
    EXPECT_EQ(r.ZeroIndex(), 2);
    r.Clear();
    r.AddPoint(-0.2, 1);
    r.AddPoint(0.05, 1);
    r.AddPoint(0.3, 1);
    EXPECT_EQ(r.ZeroIndex(), 1) << "recomputed after a clear";

    CInstrumentalResponseFunction copy;
    copy.centreOnMaximum = 1;
    r.centreOnMaximum = 0;
    r.sampleStep = 0.25;
    copy.CopyFrom(r);
    EXPECT_EQ(copy.GetCount(), 3);
    EXPECT_EQ(copy.centreOnMaximum, 0);
    EXPECT_EQ(copy.sampleStep, 0.25);
    EXPECT_EQ(copy.ZeroIndex(), 1);
}

TEST(ResponseFile, WritesCountsRoundedUp) {
    CInstrumentalResponseFunction r;
    r.AddPoint(-0.05, 10.2);
    r.AddPoint(0, 7);
    r.AddPoint(0.05, 0.0);
    r.AddPoint(0.1, -3);
    EXPECT_EQ(FormatResponseFile(r),
              "4\r\n-0.050000 11\r\n0.000000 7\r\n0.050000 0\r\n0.100000 0\r\n");

    CInstrumentalResponseFunction wide;
    wide.AddPoint(1e300, 1);
    const std::string text = FormatResponseFile(wide);
    EXPECT_EQ(text.size(), 3 + 301 + 7 + 4u) << "no line is cut short";
    EXPECT_EQ(text.substr(text.size() - 4), " 1\r\n");
}

TEST(ResponseFile, ReadsDeclaredSamples) {
    struct Case {
        const char* name;
        std::string text;
        ResponseFileRead::Status status;
        long declared;
        int samples;
    };
    const Case cases[] = {
        {"three", "3\r\n-0.1 4\r\n0.0 9\r\n0.1 5\r\n", ResponseFileRead::Status::Complete, 3, 3},
        {"LF only", "3\n-0.1 4\n0.0 9\n0.1 5", ResponseFileRead::Status::Complete, 3, 3},
        {"two", "2\n-0.1 4\n0.0 9\n", ResponseFileRead::Status::TooFewDeclared, 2, 0},
        {"no count", "", ResponseFileRead::Status::TooFewDeclared, 0, 0},
        {"garbage count", "many\n1 2\n", ResponseFileRead::Status::TooFewDeclared, 0, 0},
        {"ten declared, six present", "10\n0.0 1\n0.1 2\n0.2 3\n0.3 4\n0.4 5\n0.5 6\n",
         ResponseFileRead::Status::Short, 10, 6},
        {"empty line", "4\n0.0 1\n0.1 2\n\n0.3 4\n", ResponseFileRead::Status::Short, 4, 2},
        {"unreadable line", "4\n0.0 1\nx y\n0.2 3\n0.3 4\n", ResponseFileRead::Status::Short, 4, 1},
        {"more than declared", "3\n0 1\n0.5 2\n1 3\n1.5 4\n", ResponseFileRead::Status::Complete, 3,
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CInstrumentalResponseFunction r;
        r.AddPoint(9, 9);
        const ResponseFileRead read = ParseResponseFile(c.text, r);
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(read.declared, c.declared);
        EXPECT_EQ(r.GetCount(), c.samples);
    }
    CInstrumentalResponseFunction r;
    ParseResponseFile("3\n-0.1 4\n0.0 9\n0.1 5\n", r);
    EXPECT_DOUBLE_EQ(r.sampleStep, 0.1);
    EXPECT_EQ(r[1].value, 9);
}

TEST(ResponseFile, RoundTrips) {
    CInstrumentalResponseFunction r;
    for (int i = 0; i < 7; ++i) {
        r.AddPoint(-0.3 + 0.1 * i, 100.0 * i * (6 - i));
    }
    CInstrumentalResponseFunction back;
    ASSERT_EQ(ParseResponseFile(FormatResponseFile(r), back).status,
              ResponseFileRead::Status::Complete);
    ASSERT_EQ(back.GetCount(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_NEAR(back[i].x, r[i].x, 1e-6);
        EXPECT_EQ(back[i].value, r[i].value);
    }
}
