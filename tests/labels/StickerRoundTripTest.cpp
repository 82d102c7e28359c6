#include "AppSettings.h"
#include "BarcodeScan.h"
#include "LabelJob.h"
#include "StickerFolder.h"
#include "modSlpApi62.h"
#include "modSlpApi7x32.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// Every sticker printed through copies of the real libraries into file printers, read back from
// its PNG and decoded by an independent reader.
namespace {

const QString kSampleId = QStringLiteral("70100042");
const QString kCodeId = QStringLiteral("3FA9C0D1");

struct Barcode {
    std::string format;
    std::string text;
    bool operator==(const Barcode&) const = default;
    bool operator<(const Barcode& other) const {
        return std::tie(format, text) < std::tie(other.format, other.text);
    }
};

void PrintTo(const Barcode& barcode, std::ostream* os) {
    *os << barcode.format << ":" << barcode.text;
}

std::vector<Barcode> decode(const QImage& sticker) {
    std::vector<Barcode> found;
    for (const ScannedBarcode& barcode : scanBarcodes(sticker))
        found.push_back({barcode.format.toStdString(), barcode.text.toStdString()});
    std::sort(found.begin(), found.end());
    return found;
}

// One application folder for the suite: its printers stay loaded like the tool's.
class StickerRoundTrip : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sFolder = std::make_unique<StickerFolder>(QStringLiteral(VELMORA_APP_DIR));
        ASSERT_TRUE(sFolder->problem().isEmpty()) << sFolder->problem().toStdString();
    }
    static void TearDownTestSuite() { sFolder.reset(); }

    StickerRoundTrip() { mJob.CustomerId = QStringLiteral("701"); }

    static QImage printOne(const QString& digits, const std::function<void()>& print) {
        const QString written = sFolder->printOne(digits, print);
        EXPECT_FALSE(written.isEmpty()) << "no single PNG from printer " << digits.toStdString();
        return written.isEmpty() ? QImage() : QImage(written);
    }

    modSlpApi7x32 gen7x32() { return modSlpApi7x32(sFolder->printer7x32(), mSettings, mJob); }
    modSlpApi62 gen62() { return modSlpApi62(sFolder->printer62(), mSettings, mJob); }

    AppSettings mSettings = sFolder->settings();
    LabelJob mJob;

    static inline std::unique_ptr<StickerFolder> sFolder;
};

int dpiOf(const QImage& image) {
    return static_cast<int>(std::lround(image.dotsPerMeterX() * 0.0254));
}

const Barcode kSampleBars{"Code128", "70100042"};
const Barcode kCodeBars{"Code128", "3FA9C0D1"};

TEST_F(StickerRoundTrip, SampleLabelsScanBackToNumberAndCode) {
    const QImage big =
        printOne(QStringLiteral("450"), [&] { gen7x32().PrintSampleLabel(kSampleId, kCodeId); });
    EXPECT_EQ(dpiOf(big), 300);
    EXPECT_EQ(decode(big), (std::vector<Barcode>{kCodeBars, kSampleBars}));

    const QImage small =
        printOne(QStringLiteral("450"), [&] { gen62().PrintSampleLabel(kSampleId, kCodeId); });
    EXPECT_EQ(dpiOf(small), 203);
    EXPECT_EQ(decode(small), (std::vector<Barcode>{kCodeBars, kSampleBars}));
}

TEST_F(StickerRoundTrip, LargeLabelsAndSmallBarcodesScanBackToTheNumber) {
    using Print = std::function<void()>;
    const std::vector<std::pair<QString, Print>> rows = {
        {QStringLiteral("450"), [&] { gen7x32().PrintLargeLabel(kSampleId); }},
        {QStringLiteral("240"), [&] { gen7x32().PrintSmallBarcode(kSampleId); }},
        {QStringLiteral("450"), [&] { gen62().PrintLargeLabel(kSampleId); }},
        {QStringLiteral("240"), [&] { gen62().PrintSmallBarcode(kSampleId); }},
    };
    for (const auto& [digits, print] : rows)
        EXPECT_EQ(decode(printOne(digits, print)), std::vector<Barcode>{kSampleBars}) << digits.toStdString();
}

TEST_F(StickerRoundTrip, ResultLabelQrCodeLeadsToTheCentresResultPage) {
    const std::vector<std::pair<QString, std::string>> rows = {
        {QStringLiteral("701"), "https://nord.example/qr/3FA9C0D1?source=qa"},
        {QStringLiteral("405"), "https://sued.example/qr/3FA9C0D1?source=qa"},
    };
    for (const auto& [customer, address] : rows) {
        mJob.CustomerId = customer;
        const QImage sticker =
            printOne(QStringLiteral("440"), [&] { gen7x32().PrintResultLabel(kSampleId, kCodeId); });
        EXPECT_EQ(decode(sticker), (std::vector<Barcode>{{"QRCode", address}})) << customer.toStdString();
    }
}

TEST_F(StickerRoundTrip, BatchResultLabelIsPrintedWithLogoAndNoBarcode) {
    const auto printBatch = [&] {
        gen62().PrintBatchResultLabel(QStringLiteral("70700001"), QStringLiteral("70700002"),
                                      QStringLiteral("70700003"), QStringLiteral("70700004"),
                                      QStringLiteral("0A1B2C3D"), QStringLiteral("4E5F6A7B"),
                                      QStringLiteral("8C9D0E1F"), QStringLiteral("2A3B4C5D"));
    };
    for (const QString& customer : {QStringLiteral("707"), QStringLiteral("401")}) {
        mJob.CustomerId = customer;
        const QImage sticker = printOne(QStringLiteral("440"), printBatch);
        ASSERT_FALSE(sticker.isNull());
        EXPECT_EQ(dpiOf(sticker), 203);
        EXPECT_TRUE(decode(sticker).empty());

        // The logo reaches the sticker: without its file the sticker comes out different.
        mSettings.LogoFileName1.clear();
        mSettings.LogoFileName2.clear();
        const QImage withoutLogo = printOne(QStringLiteral("440"), printBatch);
        EXPECT_NE(sticker.convertToFormat(QImage::Format_Grayscale8),
                  withoutLogo.convertToFormat(QImage::Format_Grayscale8))
            << customer.toStdString();
        mSettings = sFolder->settings();
    }
}

TEST_F(StickerRoundTrip, PrinterWithoutFolderOrQueueGivesNoSticker) {
    mSettings.BarcodePrinter1 = QStringLiteral("SLP999");
    mSettings.BarcodePrinter3 = QStringLiteral("99");
    EXPECT_TRUE(
        sFolder->printOne(QStringLiteral("450"), [&] { gen7x32().PrintSampleLabel(kSampleId, kCodeId); })
            .isEmpty());
    EXPECT_TRUE(
        sFolder->printOne(QStringLiteral("240"), [&] { gen62().PrintSmallBarcode(kSampleId); }).isEmpty());
}

} // namespace
