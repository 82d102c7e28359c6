#include "NumberText.h"

#include "AppError.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

struct NumberRow {
    const char* text;
    QLocale::Language language;
    bool numeric;
    std::optional<int> integer; // nullopt: ToInteger16 raises
    const char* error;          // the raised error's description
};

const QLocale::Language German = QLocale::German;
const QLocale::Language English = QLocale::English;

class NumberTextTest : public ::testing::TestWithParam<NumberRow> {};

TEST_P(NumberTextTest, TestsAndConverts) {
    const NumberRow& row = GetParam();
    const QLocale locale(row.language, row.language == German ? QLocale::Germany : QLocale::UnitedStates);
    const QString text = QString::fromUtf8(row.text);
    EXPECT_EQ(IsNumeric(text, locale), row.numeric);
    if (row.integer) {
        EXPECT_EQ(ToInteger16(text, locale), *row.integer);
    } else {
        try {
            ToInteger16(text, locale);
            FAIL() << "converted";
        } catch (const AppError& e) {
            EXPECT_EQ(e.description().toStdString(), row.error);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NumberTextTest,
    ::testing::Values(NumberRow{"701", English, true, 701, ""}, NumberRow{"  42  ", German, true, 42, ""},
                      NumberRow{"", English, false, std::nullopt, "Type mismatch"},
                      NumberRow{"   ", German, false, std::nullopt, "Type mismatch"},
                      NumberRow{"-5", English, true, -5, ""}, NumberRow{"+5", German, true, 5, ""},
                      NumberRow{"2,5", German, true, 2, ""}, // half to even
                      NumberRow{"3,5", German, true, 4, ""}, NumberRow{"2.5", English, true, 2, ""},
                      NumberRow{"-2.5", English, true, -2, ""}, NumberRow{"2.6", English, true, 3, ""},
                      NumberRow{"2,5", English, false, std::nullopt,
                                "Type mismatch"}, // "," is no decimal separator there
                      NumberRow{"32767", English, true, 32767, ""},
                      NumberRow{"-32768", German, true, -32768, ""},
                      NumberRow{"32767,5", German, true, std::nullopt, "Overflow"}, // rounds to 32768
                      NumberRow{"32768", English, true, std::nullopt, "Overflow"},
                      NumberRow{"-32769", English, true, std::nullopt, "Overflow"},
                      NumberRow{"12a", English, false, std::nullopt, "Type mismatch"},
                      NumberRow{"abc", German, false, std::nullopt, "Type mismatch"},
                      NumberRow{"7'1", English, false, std::nullopt, "Type mismatch"},
                      // letters are letters, also where QLocale reads a number in them
                      NumberRow{"1e1", English, false, std::nullopt, "Type mismatch"},
                      NumberRow{"1E2", German, false, std::nullopt, "Type mismatch"},
                      NumberRow{"0x10", English, false, std::nullopt, "Type mismatch"},
                      NumberRow{"inf", English, false, std::nullopt, "Type mismatch"},
                      NumberRow{"nan", German, false, std::nullopt, "Type mismatch"},
                      // group separators: "1.000" would be a thousand to a German locale
                      NumberRow{"1.000", German, false, std::nullopt, "Type mismatch"},
                      NumberRow{"1,000", English, false, std::nullopt, "Type mismatch"}));

TEST(NumberTextDoubleTest, ConvertsWithTheLocalesSeparator) {
    EXPECT_DOUBLE_EQ(ToDouble(QStringLiteral("1,25"), QLocale(QLocale::German, QLocale::Germany)), 1.25);
    EXPECT_DOUBLE_EQ(ToDouble(QStringLiteral(" 1.25 "), QLocale(QLocale::English, QLocale::UnitedStates)),
                     1.25);
    EXPECT_THROW(ToDouble(QStringLiteral("x"), QLocale(QLocale::English, QLocale::UnitedStates)), AppError);
}

} // namespace
