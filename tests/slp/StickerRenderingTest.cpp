#include "BarcodeScan.h"
#include "LabelRenderer.h"
#include "PdfPage.h"
#include "TestStickers.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
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

LabelContent contentOf(const TestSticker& sticker, const QSize& labelSize, int dpi);

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
    // The file printer writes its PNG itself: every dot as drawn, the row ends included.
    const int dpi = folder.dpi(sticker.generation);
    const LabelContent content =
        contentOf(sticker, sticker.rotation == 1 ? image.size().transposed() : image.size(), dpi);
    const QImage drawn = toOneBit(renderLabel(content, dpi));
    EXPECT_EQ(image.convertToFormat(QImage::Format_Grayscale8),
              drawn.convertToFormat(QImage::Format_Grayscale8));
    // Bars and texts written straight into the image give the dots Qt's own drawing gives, which a
    // clipped painter takes.
    QImage throughQt(drawn.size(), QImage::Format_Grayscale8);
    throughQt.fill(Qt::white);
    {
        QPainter painter(&throughQt);
        painter.setClipRect(throughQt.rect());
        paintLabel(painter, content, dpi);
    }
    EXPECT_EQ(toOneBit(throughQt), drawn);

    std::vector<std::pair<QString, QString>> expected;
    for (const ExpectedCode& code : sticker.codes)
        expected.emplace_back(code.format, code.text);
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

// --- drawn for a device of the other resolution, as for a CUPS queue ------------------------------

// The sticker's calls as the library collects them, so it can be drawn without a printer.
LabelContent contentOf(const TestSticker& sticker, const QSize& labelSize, int dpi) {
    LabelContent content{labelSize, dpi, sticker.rotation, {}, {}};
    std::vector<PrinterFont> fonts;
    for (const StickerStep& step : sticker.steps) {
        const QRect rect(QPoint(step.a, step.b), QSize(step.c - step.a, step.d - step.b));
        const QString text = QString::fromLatin1(step.text);
        switch (step.op) {
        case StickerStep::Op::Font:
            fonts.push_back({QStringLiteral("Arial"), step.a, 0});
            break;
        case StickerStep::Op::Text:
            content.elements.emplace_back(TextElement{{step.a, step.b}, fonts.at(size_t(step.font)), text});
            break;
        case StickerStep::Op::NumberBarcode:
            content.elements.emplace_back(BarcodeElement{
                rect, *encodeBarcode(BarcodeSymbol::Kind::Code128, text, 0), PrinterFont{"Arial", 8, 0}});
            break;
        case StickerStep::Op::QrBarcode:
            content.elements.emplace_back(
                BarcodeElement{rect, *encodeBarcode(BarcodeSymbol::Kind::QrCode, text, 0), std::nullopt});
            break;
        case StickerStep::Op::Picture:
            content.elements.emplace_back(PictureElement{rect, QImage(testLogoPath())});
            break;
        }
    }
    return content;
}

// The page as Ghostscript renders it at dpi, as a driver's raster filter would; null without gs.
QImage renderPdf(const QByteArray& pdf, int dpi) {
    const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
    QTemporaryDir dir;
    if (gs.isEmpty() || !dir.isValid())
        return {};
    const QString input = dir.filePath(QStringLiteral("page.pdf"));
    const QString output = dir.filePath(QStringLiteral("page.png"));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return {};
    file.close();
    QProcess process;
    process.start(gs, {"-q", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pngmono", "-r" + QString::number(dpi),
                       "-sOutputFile=" + output, input});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QImage(output);
}

// Dots of the sticker that the page shows otherwise, in the page's top left corner.
int differingDots(const QImage& page, const QImage& sticker) {
    int differing = 0;
    for (int y = 0; y < sticker.height(); ++y)
        for (int x = 0; x < sticker.width(); ++x)
            differing += qGray(page.pixel(x, y)) / 128 != qGray(sticker.pixel(x, y)) / 128;
    return differing;
}

class StickerOnOtherDevice : public ::testing::TestWithParam<TestSticker> {};

TEST_P(StickerOnOtherDevice, ScansWithBarsOnWholeDotsAndComesBackDotForDotFromItsPdf) {
    const TestSticker& sticker = GetParam();
    SlpTestFolder& folder = SlpTestFolder::instance();
    const QString printerName = QStringLiteral("Smart Label Printer D") + QLatin1String(sticker.name);
    folder.addFilePrinter(printerName);
    const QSize read = labelSize(sticker, printerName);
    const int dpi = folder.dpi(sticker.generation);
    const int device = dpi == 300 ? 203 : 300;
    const LabelContent content = contentOf(sticker, sticker.rotation == 1 ? read.transposed() : read, dpi);

    const QImage image = renderLabel(content, device);
    const auto scaled = [&](int dots) { return int(std::lround(double(dots) * device / dpi)); };
    ASSERT_EQ(image.size(), QSize(scaled(read.width()), scaled(read.height())));

    std::vector<std::pair<QString, QString>> expected;
    for (const ExpectedCode& code : sticker.codes)
        expected.emplace_back(code.format, code.text);
    std::vector<std::pair<QString, QString>> found;
    for (const ScannedBarcode& code : scanBarcodes(image)) {
        found.emplace_back(code.format, code.text);
        // Across the middle of the symbol every dot is ink or paper: no edge falls between dots.
        const int y = code.bounds.center().y();
        for (int x = code.bounds.left(); x <= code.bounds.right(); ++x) {
            const int value = qGray(image.pixel(x, y));
            ASSERT_TRUE(value == 0 || value == 255) << code.text.toStdString() << " at " << x << "," << y;
        }
    }
    EXPECT_EQ(sorted(found), sorted(expected));
    const QRect rightStrip(image.width() - EdgeStrip, 0, EdgeStrip, image.height());
    const QRect bottomStrip(0, image.height() - EdgeStrip, image.width(), EdgeStrip);
    EXPECT_TRUE(inkBounds(image, rightStrip).isEmpty() && inkBounds(image, bottomStrip).isEmpty());

    // On a page larger than the sticker, as when a driver offers no custom size.
    const QImage bits = toOneBit(image);
    const QSize page = bits.size() + QSize(37, 11);
    const QImage printed = renderPdf(onePagePdf(bits, page, device), device);
    if (printed.isNull())
        GTEST_SKIP() << "Ghostscript (gs) is not installed; the PDF page is not checked";
    ASSERT_EQ(printed.size(), page);
    EXPECT_EQ(differingDots(printed, bits), 0) << "the PDF page moved or scaled the sticker";
    EXPECT_TRUE(inkBounds(printed, QRect(bits.width(), 0, 37, page.height())).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(OtherResolution, StickerOnOtherDevice, ::testing::ValuesIn(testStickers()),
                         [](const ::testing::TestParamInfo<TestSticker>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(BothGenerations, StickerRendering, ::testing::ValuesIn(testStickers()),
                         [](const ::testing::TestParamInfo<TestSticker>& info) { return info.param.name; });

} // namespace
