#include "BarcodeScan.h"
#include "TestStickers.h"

#include <QDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// A strip this wide along the far edges of every sticker must stay white: nothing runs off the label.
constexpr int EdgeStrip = 6;

QSize labelSize(const TestSticker& sticker, const QString& printerName) {
    const SlpFunctions& slp = SlpTestFolder::instance().library(sticker.generation);
    const QByteArray name = printerName.toLocal8Bit();
    if (slp.openPrinter(name.constData(), sticker.labelType, -1) == 0) {
        return {};
    }
    const QSize size(slp.getLabelWidth(), slp.getLabelHeight());
    slp.closePrinter();
    return sticker.rotation == 1 ? size.transposed() : size;
}

std::vector<std::pair<QString, QString>> sorted(std::vector<std::pair<QString, QString>> codes) {
    std::sort(codes.begin(), codes.end());
    return codes;
}

class StickerRendering : public ::testing::TestWithParam<TestSticker> {};

TEST_P(StickerRendering, PrintsOnePngThatScansBackAndStaysOnTheLabel) {
    const TestSticker& sticker = GetParam();
    SlpTestFolder& folder = SlpTestFolder::instance();
    const QString printerName = QStringLiteral("Smart Label Printer ") + QLatin1String(sticker.name);
    const QString printerFolder = folder.addFilePrinter(printerName);

    ASSERT_TRUE(printTestSticker(sticker, printerName, testLogoPath()));
    ASSERT_EQ(SlpTestFolder::stickerFiles(printerFolder), QStringList{QStringLiteral("000001.png")});
    const QImage image = SlpTestFolder::lastSticker(printerFolder);
    ASSERT_FALSE(image.isNull());

    EXPECT_EQ(image.size(), labelSize(sticker, printerName)) << "the file holds the sticker as it is read";
    EXPECT_EQ(qRound(image.dotsPerMeterX() * 0.0254), folder.dpi(sticker.generation));
    EXPECT_EQ(qRound(image.dotsPerMeterY() * 0.0254), folder.dpi(sticker.generation));

    std::vector<std::pair<QString, QString>> expected;
    for (const ExpectedCode& code : sticker.codes) {
        expected.emplace_back(code.format, code.text);
    }
    std::vector<std::pair<QString, QString>> found;
    for (const ScannedBarcode& code : scanBarcodes(image)) {
        found.emplace_back(code.format, code.text);
        EXPECT_TRUE(image.rect().contains(code.bounds)) << code.text.toStdString();
    }
    EXPECT_EQ(sorted(found), sorted(expected));

    const QRect ink = inkBounds(image);
    EXPECT_FALSE(ink.isEmpty());
    const QRect rightStrip(image.width() - EdgeStrip, 0, EdgeStrip, image.height());
    const QRect bottomStrip(0, image.height() - EdgeStrip, image.width(), EdgeStrip);
    EXPECT_TRUE(inkBounds(image, rightStrip).isEmpty() && inkBounds(image, bottomStrip).isEmpty())
        << "ink reaches " << ink.right() << "," << ink.bottom() << " on a " << image.width() << "x"
        << image.height() << " sticker";
}

INSTANTIATE_TEST_SUITE_P(BothGenerations, StickerRendering, ::testing::ValuesIn(testStickers()),
                         [](const ::testing::TestParamInfo<TestSticker>& info) { return info.param.name; });

} // namespace
