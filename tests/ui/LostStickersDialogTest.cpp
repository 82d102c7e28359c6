#include "LostStickersDialog.h"

#include "BarcodeScan.h"
#include "RecordSet.h"
#include "StickerFolder.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

// A job loses stickers to a printer setting with a typo; once that printer is there, "Nochmals
// drucken" prints exactly those stickers through the real libraries into its file printer.
namespace {

class NoBoxes final : public JobBoxes {
public:
    QString text2() const override { return {}; }
    void setText1(const QString&) override {}
    void setText2(const QString&) override {}
};

class NoPause final : public Pause {
public:
    void sleep(int) override {}
};

struct AgainRow {
    const char* name;
    const char* customer;
    qint16 labels;
    qint16 kind;
    const char* lostLine; // in the message before printing again
    bool resultStickers;  // one QR code each, from the stored code; else one batch sticker
};

class StickerDesk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.problem().isEmpty()) << mFolder.problem().toStdString();
        mModule.settings = mFolder.settings();
        mModule.settings.BarcodePrinter2 = QStringLiteral("SLP441"); // no such printer
        mModule.printer7x32 = &mFolder.printer7x32();
        mModule.printer62 = &mFolder.printer62();
        mModule.pause = &mPause;
        mModule.window = [this]() -> JobBoxes& { return mBoxes; };
        OpenConnection(mModule.db, mModule.settings, folder().path());
    }
    void TearDown() override { CloseConnection(mModule.db); }

    QDir folder() const { return QFileInfo(mModule.settings.LogoFileName1).dir(); }
    QStringList pictures(const char* digits) const {
        const QDir printer(folder().filePath(QStringLiteral("printers/Smart Label Printer ") + digits));
        QStringList paths;
        for (const QString& name : printer.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name))
            paths << printer.filePath(name);
        return paths;
    }
    QStringList storedCodes() const {
        QStringList codes;
        for (RecordSet rows(mModule.db, QStringLiteral("SELECT CODE_ID FROM SAMPLE_ORG ORDER BY SAMPLE_ID"));
             !rows.eof(); rows.moveNext())
            codes << rows.field(QStringLiteral("CODE_ID")).toString();
        return codes;
    }

    StickerFolder mFolder{QStringLiteral(VELMORA_APP_DIR)};
    NoBoxes mBoxes;
    NoPause mPause;
    MainModule mModule;
};

class PrintAgainTable : public StickerDesk, public ::testing::WithParamInterface<AgainRow> {};

TEST_P(PrintAgainTable, PrintsExactlyTheLostStickersOnceThePrinterIsThere) {
    const AgainRow& row = GetParam();
    mModule.job = {row.customer, row.labels, row.kind, 1};
    LostStickersDialog dialog(mModule, RunLabelJob(mModule));
    auto* printAgain = dialog.findChild<QPushButton*>(QStringLiteral("PrintAgain"));
    // How the library words a missing printer depends on the CUPS server it asks, not on this.
    EXPECT_TRUE(dialog.text().contains(QString::fromUtf8(row.lostLine))) << dialog.text().toStdString();
    EXPECT_TRUE(dialog.text().contains(QStringLiteral("Smart Label Printer 441")))
        << dialog.text().toStdString();
    ASSERT_FALSE(printAgain->isHidden());
    const QStringList codes = storedCodes();
    const QStringList sampleStickers = pictures("450");

    ASSERT_TRUE(folder().mkpath(QStringLiteral("printers/Smart Label Printer 441")));
    printAgain->click();

    EXPECT_TRUE(dialog.report().lostStickers.isEmpty());
    EXPECT_TRUE(
        dialog.text().startsWith(QStringLiteral("Die nicht gedruckten Etiketten sind jetzt gedruckt.")));
    EXPECT_TRUE(printAgain->isHidden());
    EXPECT_EQ(pictures("450"), sampleStickers) << "the stickers that printed are not printed again";
    EXPECT_EQ(storedCodes(), codes) << "nothing numbered or recorded";
    const QStringList again = pictures("441");
    ASSERT_EQ(again.size(), row.resultStickers ? codes.size() : 1);
    for (qsizetype i = 0; i < again.size(); ++i) {
        const std::vector<ScannedBarcode> found = scanBarcodes(QImage(again[i]));
        if (!row.resultStickers) {
            EXPECT_TRUE(found.empty()) << "a batch result sticker has no barcode";
            continue;
        }
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].text, QStringLiteral("https://nord.example/qr/%1?source=qa").arg(codes[i]));
    }
}

// The message as the operator meets it: keys on a shown message, the printer there by then.
struct KeyRow {
    const char* name;
    std::vector<QKeyCombination> keys;
    const char* focusBefore; // the button with the focus frame before the last key
    bool printed;            // else left without printing
    bool closed;
};

class MessageKeys : public StickerDesk, public ::testing::WithParamInterface<KeyRow> {};

TEST_P(MessageKeys, EnterAndSpacePressTheFocusedButton) {
    mModule.job = {"701", 1, SingleTest, 1};
    LostStickersDialog dialog(mModule, RunLabelJob(mModule));
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(folder().mkpath(QStringLiteral("printers/Smart Label Printer 441")));
    const KeyRow& row = GetParam();
    for (size_t i = 0; i < row.keys.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        ASSERT_TRUE(focus->isVisible()) << focus->objectName().toStdString();
        if (i + 1 == row.keys.size()) {
            EXPECT_EQ(focus->objectName(), QLatin1String(row.focusBefore));
            EXPECT_TRUE(qobject_cast<QPushButton*>(focus)->isDefault()) << "Enter presses the framed one";
        }
        QTest::keyClick(focus, row.keys[i].key(), row.keys[i].keyboardModifiers());
    }
    EXPECT_EQ(pictures("441").size(), row.printed ? 1 : 0);
    EXPECT_EQ(dialog.isVisible(), !row.closed);
}

// Whatever may already have printed is never printed again by the button; the rest is.
TEST_F(StickerDesk, NeverPrintsAStickerOfUnknownFateAgain) {
    mModule.job = {"701", 1, SingleTest, 1};
    JobReport report = RunLabelJob(mModule);
    ASSERT_EQ(report.lostStickers.size(), 1);
    LostSticker unknown = report.lostStickers.front();
    unknown.unknown = true;
    unknown.cause = StickerCause::JobUnknown;
    report.lostStickers << unknown;
    LostStickersDialog dialog(mModule, report);
    ASSERT_TRUE(folder().mkpath(QStringLiteral("printers/Smart Label Printer 441")));
    dialog.findChild<QPushButton*>(QStringLiteral("PrintAgain"))->click();
    EXPECT_EQ(pictures("441").size(), 1);
    EXPECT_TRUE(dialog.text().contains(QStringLiteral("nicht bekannt, ob gedruckt")));
}

// Twenty-five four-test jobs with the result printer missing: the whole message, buttons
// included, on the screen (also at QT_SCALE_FACTOR=2, a second run of this test).
TEST_F(StickerDesk, LongListFitsTheScreen) {
    JobReport report;
    for (int kit = 0; kit < 25; ++kit) {
        QStringList four;
        for (int i = 1; i <= 4; ++i)
            four << QString::number(70500000 + 8 * kit + i);
        report.lostStickers << LostSticker{four, QStringLiteral("batch result sticker"),
                                           QStringLiteral("Smart Label Printer 441"), QStringLiteral("gone"),
                                           StickerCause::NotFound};
    }
    LostStickersDialog dialog(mModule, report);
    dialog.show();
    const QRect screen = dialog.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(dialog.frameGeometry())) << dialog.width() << "x" << dialog.height();
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->isVisible()) {
            EXPECT_TRUE(screen.contains(QRect(button->mapToGlobal(QPoint()), button->size())))
                << button->text().toStdString();
        }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, PrintAgainTable, ::testing::Values(
    AgainRow{"ResultStickers", "701", 2, SingleTest, "Ergebnisetikett 70100001, 70100002", true},
    AgainRow{"BatchResultSticker", "405", 4, FourTests, "Ergebnisetikett für 4 Proben 40500001 bis 40500004", false}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Rows, MessageKeys, ::testing::Values(
    KeyRow{"Enter", {Qt::Key_Return}, "PrintAgain", true, false},
    KeyRow{"Space", {Qt::Key_Space}, "PrintAgain", true, false},
    KeyRow{"TabTabTabEnter", {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}, "PrintAgain", true, false},
    KeyRow{"BacktabSpace", {Qt::SHIFT | Qt::Key_Backtab, Qt::Key_Space}, "Close", false, true},
    KeyRow{"TabTabEnter", {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return}, "Close", false, true},
    KeyRow{"TabEscape", {Qt::Key_Tab, Qt::Key_Escape}, "GiveUp", false, true},
    KeyRow{"Escape", {Qt::Key_Escape}, "PrintAgain", false, true}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

} // namespace
