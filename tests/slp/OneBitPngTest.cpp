#include "OneBitPng.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Dots given byte by byte (eight dots, the first in the top bit), as the file printer hands them over.
struct PngCase {
    const char* name;
    QSize size;
    std::function<uchar(int x, int y)> byteAt; // the byte holding dots 8x .. 8x+7 of row y
};

QImage oneBit(const PngCase& row) {
    QImage bits(row.size, QImage::Format_Mono);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    bits.setDotsPerMeterX(11811); // 300 dpi
    bits.setDotsPerMeterY(7992);  // 203 dpi
    for (int y = 0; y < bits.height(); ++y)
        for (int x = 0; x < (bits.width() + 7) / 8; ++x)
            bits.scanLine(y)[x] = row.byteAt(x, y);
    return bits;
}

class OneBitPngRoundTrip : public ::testing::TestWithParam<PngCase> {};

// Read back by Qt's own PNG reader (libpng and zlib, which check the sums): every dot and the
// resolution as given.
TEST_P(OneBitPngRoundTrip, ReadsBackDotForDot) {
    const QImage bits = oneBit(GetParam());
    QString whyNot;
    const QByteArray png = oneBitPng(bits, whyNot);
    ASSERT_FALSE(png.isEmpty()) << whyNot.toStdString();
    QImage read;
    ASSERT_TRUE(read.loadFromData(png, "PNG"));
    EXPECT_EQ(read.convertToFormat(QImage::Format_Grayscale8),
              bits.convertToFormat(QImage::Format_Grayscale8));
    EXPECT_EQ(read.dotsPerMeterX(), 11811);
    EXPECT_EQ(read.dotsPerMeterY(), 7992);
}

// Runs of one byte around every way of cutting a run into copies of at most 258 bytes (a piece of
// one or two left over cannot be a copy), of paper, ink and a pattern in turn.
uchar runsOfEveryCut(int x, int y) {
    static const std::vector<int> lengths = [] {
        std::vector<int> all;
        for (int base : {0, 258, 516, 774})
            for (int more = 1; more <= 8; ++more)
                all.push_back(base + more);
        return all;
    }();
    int start = 0;
    for (size_t i = 0;; ++i) {
        const int length = lengths[i % lengths.size()];
        if (x < start + length)
            return i % 3 == 0 ? 0x00 : (i % 3 == 1 ? 0xFF : uchar(0x5A + y));
        start += length;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Images, OneBitPngRoundTrip,
    ::testing::Values(
        PngCase{"RunsOfEveryCut", {8 * 24000, 2}, runsOfEveryCut},
        PngCase{"BlankSticker", {1560, 600}, [](int, int) -> uchar { return 0; }},
        PngCase{"AllInkEndingInsideAByte", {13, 5}, [](int, int) -> uchar { return 0xFF; }},
        PngCase{"OneDotWide", {1, 4}, [](int, int y) -> uchar { return y % 2 ? 0x80 : 0; }},
        PngCase{"NoTwoBytesAlike", {8 * 256, 3}, [](int x, int y) -> uchar { return uchar(x * 7 + y); }},
        // Rows alike are written as their difference from the row above; the sums run over long runs.
        PngCase{"RowsAlikeLongerThanTheSumsModulus",
                {8 * 70000, 6},
                [](int, int y) -> uchar { return y % 3 == 2 ? 0x5A : 0xFF; }},
        PngCase{
            "RowsDifferingOnlyInTheirLastDot",
            {13, 4},
            [](int x, int y) -> uchar { return x == 0 ? 0xFF : uchar((y % 2 ? 0x08 : 0x00) | (y & 7)); }}),
    [](const ::testing::TestParamInfo<PngCase>& info) { return info.param.name; });

} // namespace
