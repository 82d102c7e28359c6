#include "BarcodeScan.h"
#include "MainModule.h"
#include "SlpLibrary.h"
#include "StartUp.h"
#include "TestQuery.h"
#include "frmMain.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// The operator's desk, end to end: the demo application folder, the real window, the real printer
// libraries writing file printers, a real SQLite file; only the pauses are left out.
namespace {

QStringList sortedList(QStringList list) {
    list.sort();
    return list;
}

class NoPause final : public Pause {
public:
    void sleep(int) override {}
};

struct Row {
    QString customer, sample, code;
};

class DeskEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.isValid());
        QProcess setup;
        setup.start(VELMORA_DEMO_SETUP, {mFolder.path()});
        ASSERT_TRUE(setup.waitForFinished(60000));
        ASSERT_EQ(setup.exitCode(), 0) << setup.readAllStandardError().toStdString();
        for (const char* library : {"/libSlpApi7x32.so", "/libslpapi62.so"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(VELMORA_APP_DIR) + library, mFolder.path() + library));

        mPrinter7x32 = std::make_unique<SlpLibrary>(mFolder.filePath("libSlpApi7x32.so"));
        mPrinter62 = std::make_unique<SlpLibrary>(mFolder.filePath("libslpapi62.so"));
        mModule.printer7x32 = mPrinter7x32.get();
        mModule.printer62 = mPrinter62.get();
        mModule.pause = &mPause;
        mModule.window = [this]() -> JobBoxes& {
            if (!mWindow)
                mWindow = std::make_unique<frmMain>(mModule);
            return *mWindow;
        };
        StartUp(mModule, mFolder.path());
        mWindow->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mWindow.get()));
    }

    void TearDown() override {
        mWindow.reset();
        CloseConnection(mModule.db);
    }

    template <typename Widget> Widget* control(const char* name) {
        auto* widget = mWindow->findChild<Widget*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void type(const char* box, const QString& text) {
        auto* edit = control<QLineEdit>(box);
        edit->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(edit, text);
    }

    void press(const char* button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }

    std::vector<Row> rows() {
        std::vector<Row> out;
        TestQuery query(
            mModule.db,
            QStringLiteral("SELECT CUST_ID, SAMPLE_ID, CODE_ID FROM SAMPLE_ORG ORDER BY SAMPLE_ID"));
        while (query.next())
            out.push_back({query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
        return out;
    }

    // The stickers a file printer holds, in the order printed.
    std::vector<QImage> stickers(const char* modelDigits) {
        QDir printer(mFolder.filePath(QStringLiteral("printers/Smart Label Printer ") + modelDigits));
        std::vector<QImage> out;
        for (const QString& name : printer.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name))
            out.emplace_back(printer.filePath(name));
        return out;
    }

    static QStringList texts(const QImage& sticker, const QString& format) {
        QStringList out;
        for (const ScannedBarcode& barcode : scanBarcodes(sticker))
            if (barcode.format == format)
                out << barcode.text;
        out.sort();
        return out;
    }

    void expectReset() {
        EXPECT_EQ(mModule.job.CustomerId, "0");
        EXPECT_EQ(mModule.job.LabelCount, 0);
        EXPECT_EQ(mModule.job.Kind, 0);
        EXPECT_EQ(mModule.job.RepeatCount, 1);
        EXPECT_TRUE(control<QLineEdit>("Text1")->text().isEmpty());
        EXPECT_TRUE(control<QLineEdit>("Text2")->text().isEmpty());
    }

    QTemporaryDir mFolder;
    NoPause mPause;
    std::unique_ptr<SlpLibrary> mPrinter7x32;
    std::unique_ptr<SlpLibrary> mPrinter62;
    std::unique_ptr<frmMain> mWindow;
    MainModule mModule;
};

TEST_F(DeskEndToEnd, OneTestForSevenHundredOne) {
    press("Command1");

    const auto recorded = rows();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].customer, "701");
    EXPECT_EQ(recorded[0].sample, "70100001");
    ASSERT_EQ(recorded[0].code.size(), 8);

    const auto samples = stickers("450");
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(texts(samples[0], "Code128"), sortedList({recorded[0].code, "70100001"}));

    const auto results = stickers("440");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(texts(results[0], "QRCode"),
              QStringList({"https://www.zadad-labor.de/ergebnis/" + recorded[0].code + "?source=qa"}));
    expectReset();
}

TEST_F(DeskEndToEnd, FourTestsRepeatedByTheCount) {
    type("Text2", "2");
    press("Command3");

    const auto recorded = rows();
    ASSERT_EQ(recorded.size(), 8u);
    const auto samples = stickers("450");
    ASSERT_EQ(samples.size(), 8u);
    for (size_t i = 0; i < recorded.size(); ++i) {
        EXPECT_EQ(recorded[i].sample, QString("705%1").arg(i + 1, 5, 10, QChar('0')));
        EXPECT_EQ(texts(samples[i], "Code128"), sortedList({recorded[i].code, recorded[i].sample}));
    }
    const auto batches = stickers("440");
    ASSERT_EQ(batches.size(), 2u);
    for (const QImage& batch : batches)
        EXPECT_EQ(batch.width() < batch.height(), true) << "the batch sticker is read turned";
    expectReset();
}

TEST_F(DeskEndToEnd, LargeLabelsFromTheBoxes) {
    type("Text1", "123");
    type("Text2", "5");
    press("Command9");

    const auto recorded = rows();
    ASSERT_EQ(recorded.size(), 5u);
    const auto labels = stickers("450");
    ASSERT_EQ(labels.size(), 5u);
    for (size_t i = 0; i < recorded.size(); ++i) {
        EXPECT_EQ(recorded[i].code, "");
        EXPECT_EQ(texts(labels[i], "Code128"), QStringList({recorded[i].sample}));
    }
    EXPECT_TRUE(control<QLabel>("Label1")->text().isEmpty());
    expectReset();
}

TEST_F(DeskEndToEnd, SmallBarcodesOnPrinterThreeThroughPrinterOnesGeneration) {
    type("Text1", "123");
    type("Text2", "2");
    press("Command10");

    const auto recorded = rows();
    ASSERT_EQ(recorded.size(), 2u);
    const auto small = stickers("240");
    ASSERT_EQ(small.size(), 2u);
    for (size_t i = 0; i < recorded.size(); ++i) {
        EXPECT_EQ(recorded[i].code.size(), 8) << "drawn and recorded, not printed";
        EXPECT_EQ(texts(small[i], "Code128"), QStringList({recorded[i].sample}));
        EXPECT_NEAR(small[i].dotsPerMeterX(), 11811, 2) << "300 dpi: printer 1 is a 450";
    }
    expectReset();
}

} // namespace
