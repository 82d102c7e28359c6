#include "JobRequest.h"

#include <gtest/gtest.h>

namespace {

struct BoxRow {
    const char* text;
    bool accepted;
};

class CustomerBoxTest : public ::testing::TestWithParam<BoxRow> {};

TEST_P(CustomerBoxTest, ThreeNumericCharacters) {
    EXPECT_EQ(CustomerBoxAccepted(QString::fromUtf8(GetParam().text)), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Rows, CustomerBoxTest,
                         ::testing::Values(BoxRow{"701", true}, BoxRow{"123", true}, BoxRow{"12", false},
                                           BoxRow{"1234", false}, BoxRow{"abc", false}, BoxRow{"7a1", false},
                                           // the shared number test: blanks around and a decimal point pass
                                           BoxRow{" 12", true}, BoxRow{"1.5", true},
                                           // the box keeps taking a leading zero; the press refuses it
                                           BoxRow{"012", true}, BoxRow{"1e2", false}));

class CountBoxTest : public ::testing::TestWithParam<BoxRow> {};

TEST_P(CountBoxTest, NumberFromOneTo99) {
    EXPECT_EQ(CountBoxAccepted(QString::fromUtf8(GetParam().text)), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Rows, CountBoxTest,
                         ::testing::Values(BoxRow{"1", true}, BoxRow{"99", true}, BoxRow{"2.5", true},
                                           BoxRow{" 5 ", true}, BoxRow{"0", false}, BoxRow{"100", false},
                                           BoxRow{"0.5", false}, BoxRow{"99.5", false}, BoxRow{"-3", false},
                                           BoxRow{"x", false}, BoxRow{" ", false}, BoxRow{"1e1", false}));

struct PressRow {
    const char* name;
    bool fromBoxes; // Command9/Command10: the customer is Text1
    const char* customerOrText1;
    const char* text2;
    JobBox refused;
};

class PressTest : public ::testing::TestWithParam<PressRow> {};

TEST_P(PressTest, RefusesWhatCannotMakeASoundJob) {
    const PressRow& row = GetParam();
    const QString first = QString::fromUtf8(row.customerOrText1);
    const QString text2 = QString::fromUtf8(row.text2);
    EXPECT_EQ(row.fromBoxes ? CheckBoxPress(first, text2) : CheckFixedPress(first, text2), row.refused);
}

INSTANTIATE_TEST_SUITE_P(Rows, PressTest,
                         ::testing::Values(
                             // Command1 to Command8: only the repeat count of a "70" customer matters.
                             PressRow{"GreenEmptyCount", false, "701", "", JobBox::None},
                             PressRow{"GreenRepeat", false, "705", " 2 ", JobBox::None},
                             PressRow{"GreenZeroRepeat", false, "701", "0", JobBox::Text2},
                             PressRow{"GreenLetters", false, "701", "x", JobBox::Text2},
                             PressRow{"GreenBlanksOnly", false, "703", "  ", JobBox::Text2},
                             PressRow{"GreenBeyond16Bit", false, "707", "40000", JobBox::Text2},
                             PressRow{"GreenLimit", false, "701", "99", JobBox::None},
                             PressRow{"GreenAbove99", false, "701", "500", JobBox::Text2},
                             PressRow{"GreenRoundsTo100", false, "705", "99.5", JobBox::Text2},
                             PressRow{"GreenNegativeRepeat", false, "705", "-3", JobBox::Text2},
                             PressRow{"GreenExponent", false, "701", "1e1", JobBox::Text2},
                             PressRow{"PinkIgnoresTheBox", false, "401", "x", JobBox::None},
                             PressRow{"RedIgnoresTheBox", false, "405", "  ", JobBox::None},
                             // Command9 and Command10: Text1 three digits, Text2 a count from 1 to 99.
                             PressRow{"BoxesSound", true, "123", "5", JobBox::None},
                             PressRow{"BoxesGreenCustomer", true, "701", "3", JobBox::None},
                             PressRow{"BoxesLimits", true, "123", "99", JobBox::None},
                             PressRow{"CustomerEmpty", true, "", "5", JobBox::Text1},
                             PressRow{"CustomerShort", true, "12", "5", JobBox::Text1},
                             PressRow{"CustomerBlank", true, " 12", "5", JobBox::Text1},
                             PressRow{"CustomerFraction", true, "1.5", "5", JobBox::Text1},
                             PressRow{"CustomerLetters", true, "abc", "x", JobBox::Text1},
                             PressRow{"CustomerLeadingZero", true, "012", "5", JobBox::Text1},
                             PressRow{"CountEmpty", true, "123", "", JobBox::Text2},
                             PressRow{"CountLetters", true, "123", "x", JobBox::Text2},
                             PressRow{"CountZero", true, "123", "0", JobBox::Text2},
                             PressRow{"CountAbove99", true, "123", "100", JobBox::Text2},
                             PressRow{"CountBeyond16Bit", true, "123", "70000", JobBox::Text2}),
                         [](const ::testing::TestParamInfo<PressRow>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
