#include "RecordingPrinter.h"
#include "StickerRun.h"
#include "modSlpApi62.h"
#include "modSlpApi7x32.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

const std::string kNumberStyle = "SlpSetBarCodeStyle(4, 30, 0, 0, true, 8, 0, Arial)";
const std::string kQrStyle = "SlpSetBarCodeStyle(23, 0, 0, 0, false, 0, 0, False)";

AppSettings testSettings() {
    AppSettings s;
    s.BarcodePrinter1 = QStringLiteral("Smart Label Printer 450");
    s.BarcodePrinter2 = QStringLiteral("SLP 440");
    s.BarcodePrinter3 = QStringLiteral("SLP240");
    s.LogoFileName1 = QStringLiteral("/opt/velmora/logo-nord.png");
    s.LogoFileName2 = QStringLiteral("/opt/velmora/logo-sued.png");
    s.TestCenterHp1 = QStringLiteral("https://nord.example/");
    s.TestCenterHp2 = QStringLiteral("https://sued.example/");
    s.TestCenterEmail1 = QStringLiteral("mail-nord@example");
    s.TestCenterEmail2 = QStringLiteral("mail-sued@example");
    s.TestCenterTel1 = QStringLiteral("tel-nord 0123");
    s.TestCenterTel2 = QStringLiteral("tel-sued 0456");
    s.Download1 = QStringLiteral("ergebnisse");
    s.Download2 = QStringLiteral("qr/");
    return s;
}

LabelJob jobFor(const QString& customerId) {
    LabelJob job;
    job.CustomerId = customerId;
    return job;
}

// The frame every sticker shares around its own steps.
Calls framed(const std::string& open, int rotation, const Calls& steps, const Calls& deletedFonts) {
    Calls calls{open, "SlpGetLabelWidth()", "SlpGetLabelHeight()", "SlpStartLabel()",
                "SlpSetRotation(" + std::to_string(rotation) + ")"};
    calls.insert(calls.end(), steps.begin(), steps.end());
    calls.push_back("SlpEndLabel()");
    for (const std::string& font : deletedFonts)
        calls.push_back("SlpDeleteFont(" + font + ")");
    calls.push_back("SlpClosePrinter()");
    return calls;
}

struct Fixture {
    AppSettings settings = testSettings();
    LabelJob job = jobFor(QStringLiteral("701"));
    RecordingPrinter printer;
    modSlpApi7x32 gen7x32{printer, settings, job};
    modSlpApi62 gen62{printer, settings, job};
};

// Expected tables: one row per call, texts typed out with every underscore.
struct LayoutRow {
    const char* name;
    std::function<void(Fixture&)> print;
    Calls expected;
};

class Layouts : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(Layouts, DrawTheirStepsInOrder) {
    Fixture f;
    GetParam().print(f);
    EXPECT_EQ(f.printer.calls(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    BothGenerations, Layouts,
    ::testing::ValuesIn(std::vector<LayoutRow>{
        {"SampleLabel7x32",
         [](Fixture& f) {
             f.gen7x32.PrintSampleLabel(QStringLiteral("70100042"), QStringLiteral("3FA9C0D1"));
         },
         framed("SlpOpenPrinter(Smart Label Printer 450, 2, true)", 0,
                {
                    "SlpCreateFont(Arial, 10, 0)",
                    "SlpDrawTextXY(20, 0, 101, Proben ID:)",
                    "SlpDrawTextXY(20, 250, 101, Testnummer:)",
                    kNumberStyle,
                    "SlpDrawBarCode(0, 50, 300, 220, 70100042)",
                    kNumberStyle,
                    "SlpDrawBarCode(0, 290, 310, 480, 3FA9C0D1)",
                    "SlpCreateFont(Arial, 12, 0)",
                    "SlpDrawTextXY(320, 50, 102, Ihre Ref.: _________________________)",
                    "SlpDrawTextXY(320, 170, 102, Blühtag: ____ Probendatum:___________)",
                    "SlpDrawTextXY(320, 290, 102, Bezeichnung:   _____________________)",
                    "SlpDrawTextXY(320, 410, 102, Weitere Infos: ______________________)",
                    "SlpDrawTextXY(320, 500, 102, __________________________________)",
                },
                {"101", "102"})},
        {"LargeLabel7x32", [](Fixture& f) { f.gen7x32.PrintLargeLabel(QStringLiteral("40100007")); },
         framed("SlpOpenPrinter(Smart Label Printer 450, 2, true)", 0,
                {
                    "SlpCreateFont(Arial, 10, 0)",
                    "SlpDrawTextXY(20, 0, 101, Proben ID:)",
                    kNumberStyle,
                    "SlpDrawBarCode(0, 50, 300, 220, 40100007)",
                    "SlpCreateFont(Arial, 12, 0)",
                    "SlpDrawTextXY(320, 50, 102, Ihre Ref.: _________________________)",
                    "SlpDrawTextXY(320, 170, 102, Blühtag: ____ Probendatum:___________)",
                    "SlpDrawTextXY(0, 290, 102, Bezeichnung:   ________________________________________)",
                    "SlpDrawTextXY(0, 410, 102, Weitere Infos: ________________________________________)",
                    "SlpDrawTextXY(0, 500, 102, _______________________________________________________)",
                },
                {"101", "102"})},
        {"SmallBarcode7x32", [](Fixture& f) { f.gen7x32.PrintSmallBarcode(QStringLiteral("40100007")); },
         framed("SlpOpenPrinter(Smart Label Printer 240, 4, true)", 1,
                {kNumberStyle, "SlpDrawBarCode(50, 40, 210, 250, 40100007)"}, {})},
        {"ResultLabel7x32",
         [](Fixture& f) {
             f.gen7x32.PrintResultLabel(QStringLiteral("70100042"), QStringLiteral("3FA9C0D1"));
         },
         framed("SlpOpenPrinter(Smart Label Printer 440, 2, false)", 0,
                {
                    "SlpDrawPicture(0, 0, 236, 280, /opt/velmora/logo-nord.png)",
                    "SlpCreateFont(Arial, 12, 0)",
                    "SlpDrawTextXY(0, 290, 101, Rufen Sie die Ergebnisse der Probe:)",
                    "SlpDrawTextXY(0, 350, 101, 70100042 mit diesem QR-Code, oder unter)",
                    "SlpDrawTextXY(0, 410, 101, https://nord.example/ergebnisse)",
                    "SlpDrawTextXY(0, 460, 101, unter Angabe dieser Testnummer, ab:)",
                    "SlpCreateFont(Arial, 13, 0)",
                    "SlpDrawTextXY(180, 520, 102, 3FA9C0D1)",
                    kQrStyle,
                    "SlpDrawBarCode(650, 0, 950, 300, https://nord.example/qr/3FA9C0D1?source=qa)",
                },
                {"101", "102"})},
        {"SampleLabel62",
         [](Fixture& f) { f.gen62.PrintSampleLabel(QStringLiteral("70100042"), QStringLiteral("3FA9C0D1")); },
         framed("SlpOpenPrinter(Smart Label Printer 450, 2, true)", 0,
                {
                    "SlpCreateFont(Arial, 10, 0)",
                    "SlpDrawTextXY(0, 0, 101, Proben ID:)",
                    kNumberStyle,
                    "SlpDrawBarCode(0, 30, 300, 200, 70100042)",
                    "SlpDrawTextXY(0, 190, 101, Testnummer:)",
                    kNumberStyle,
                    "SlpDrawBarCode(0, 215, 300, 380, 3FA9C0D1)",
                    "SlpCreateFont(Arial, 12, 0)",
                    "SlpDrawTextXY(250, 40, 102, Ihre Ref.: _________________________)",
                    "SlpDrawTextXY(250, 100, 102, Blühtag: _____ Probendatum:__________)",
                    "SlpDrawTextXY(250, 200, 102, Bezeichnung:   _________________________)",
                    "SlpDrawTextXY(250, 260, 102, Weitere Infos: _________________________)",
                    "SlpDrawTextXY(250, 320, 102, ________________________________________)",
                },
                {"101", "102"})},
        {"LargeLabel62", [](Fixture& f) { f.gen62.PrintLargeLabel(QStringLiteral("40100007")); },
         framed("SlpOpenPrinter(Smart Label Printer 450, 2, true)", 0,
                {
                    "SlpCreateFont(Arial, 10, 0)",
                    "SlpDrawTextXY(20, 0, 101, Proben ID:)",
                    kNumberStyle,
                    "SlpDrawBarCode(0, 30, 210, 180, 40100007)",
                    "SlpCreateFont(Arial, 12, 0)",
                    "SlpDrawTextXY(215, 40, 102, Ihre Ref.: _________________________)",
                    "SlpDrawTextXY(215, 100, 102, Blühtag: _____ Probendatum:__________)",
                    "SlpDrawTextXY(0, 200, 102, Bezeichnung:   ________________________________________)",
                    "SlpDrawTextXY(0, 260, 102, Weitere Infos: ________________________________________)",
                    "SlpDrawTextXY(0, 320, 102, _______________________________________________________)",
                },
                {"101", "102"})},
        {"SmallBarcode62", [](Fixture& f) { f.gen62.PrintSmallBarcode(QStringLiteral("40100007")); },
         framed("SlpOpenPrinter(Smart Label Printer 240, 4, true)", 1,
                {kNumberStyle, "SlpDrawBarCode(34, 1, 142, 203, 40100007)"}, {})},
        {"BatchResultLabel62",
         [](Fixture& f) {
             f.job.CustomerId = QStringLiteral("405");
             f.gen62.PrintBatchResultLabel(QStringLiteral("40500001"), QStringLiteral("40500002"),
                                           QStringLiteral("40500003"), QStringLiteral("40500004"),
                                           QStringLiteral("0000000A"), QStringLiteral("0000000B"),
                                           QStringLiteral("0000000C"), QStringLiteral("0000000D"));
         },
         framed("SlpOpenPrinter(Smart Label Printer 440, 2, false)", 1,
                {
                    "SlpDrawPicture(0, 330, 280, 560, /opt/velmora/logo-sued.png)",
                    "SlpCreateFont(Arial, 11, 0)",
                    "SlpDrawTextXY(310, 60, 101, Rufen Sie die Ergebnisse)",
                    "SlpDrawTextXY(370, 135, 101, Ihrer Proben auf:)",
                    "SlpDrawTextXY(430, 0, 101, https://sued.example/ergebnisse)",
                    "SlpDrawTextXY(490, 100, 101, unter Eingabe dieser)",
                    "SlpDrawTextXY(560, 130, 101, Testnummern ab:)",
                    "SlpCreateFont(Arial, 13, 0)",
                    "SlpDrawTextXY(620, 300, 102, Proben ID -)",
                    "SlpDrawTextXY(620, 25, 102,  Testnummer)",
                    "SlpDrawTextXY(690, 300, 102, 40500001 -)",
                    "SlpDrawTextXY(690, 40, 102, 0000000A)",
                    "SlpDrawTextXY(760, 300, 102, 40500002 -)",
                    "SlpDrawTextXY(760, 40, 102, 0000000B)",
                    "SlpDrawTextXY(830, 300, 102, 40500003 -)",
                    "SlpDrawTextXY(830, 40, 102, 0000000C)",
                    "SlpDrawTextXY(900, 300, 102, 40500004 -)",
                    "SlpDrawTextXY(900, 40, 102, 0000000D)",
                },
                {"101", "102"})},
    }),
    [](const auto& info) { return std::string(info.param.name); });

// Every routine of both modules, for the paths that do not draw and for what each reports.
struct Routine {
    const char* name;
    std::function<StickerOutcome(Fixture&)> print;
};

const QString kSample = QStringLiteral("70100042"), kCode = QStringLiteral("C0DE");

const std::vector<Routine> kRoutines = {
    {"7x32 sample", [](Fixture& f) { return f.gen7x32.PrintSampleLabel(kSample, kCode); }},
    {"7x32 large", [](Fixture& f) { return f.gen7x32.PrintLargeLabel(kSample); }},
    {"7x32 small", [](Fixture& f) { return f.gen7x32.PrintSmallBarcode(kSample); }},
    {"7x32 result", [](Fixture& f) { return f.gen7x32.PrintResultLabel(kSample, kCode); }},
    {"62 sample", [](Fixture& f) { return f.gen62.PrintSampleLabel(kSample, kCode); }},
    {"62 large", [](Fixture& f) { return f.gen62.PrintLargeLabel(kSample); }},
    {"62 small", [](Fixture& f) { return f.gen62.PrintSmallBarcode(kSample); }},
    {"62 batch",
     [](Fixture& f) {
         const QString& s = kSample;
         return f.gen62.PrintBatchResultLabel(s, s, s, s, s, s, s, s);
     }},
};

class EveryRoutine : public ::testing::TestWithParam<Routine> {};

TEST_P(EveryRoutine, PrinterThatDoesNotOpenGetsNoFurtherCall) {
    Fixture f;
    f.printer.openResult = 0;
    GetParam().print(f);
    const Calls calls = f.printer.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rfind("SlpOpenPrinter(Smart Label Printer ", 0), 0u);
}

TEST_P(EveryRoutine, LabelThatDoesNotStartIsNotDrawnButItsPrinterIsClosed) {
    Fixture f;
    f.printer.startResult = false;
    GetParam().print(f);
    Calls calls = f.printer.calls();
    ASSERT_FALSE(calls.empty());
    calls.erase(calls.begin()); // the open call, checked per routine above
    EXPECT_EQ(calls,
              (Calls{"SlpGetLabelWidth()", "SlpGetLabelHeight()", "SlpStartLabel()", "SlpClosePrinter()"}));
}

// What the printer answers, and what the routine reports of its sticker ("%P": its printer).
struct OutcomeRow {
    qint32 open;
    bool start;
    bool end;
    const char* libraryReason;
    StickerOutcome::State state;
    const char* reason;
    StickerCause cause;
    bool emptySetting = false; // a desk without that printer
};

TEST_P(EveryRoutine, ReportsWhetherTheStickerReachedAFoundPrinter) {
    using State = StickerOutcome::State;
    using Cause = StickerCause;
    const OutcomeRow rows[] = {
        {1, true, true, "", State::Printed, "", Cause::None},
        {1, true, false, "queue \"Smart Label Printer 440\" is not accepting jobs", State::Lost,
         "queue \"Smart Label Printer 440\" is not accepting jobs", Cause::Other},
        {1, true, false, "", State::Lost, "the printer library gave no reason", Cause::Other},
        {1, false, true, "stale reason", State::Lost, "the printer did not start the label",
         Cause::NotStarted},
        {0, true, true, "", State::Lost, "no printer named \"%P\" was found", Cause::NotFound},
        {0, true, true, "CUPS did not answer", State::Lost, "CUPS did not answer", Cause::Other},
        {0, true, true, "", State::NoPrinter, "", Cause::None, true},
        {0, true, true, "no printer named \"Smart Label Printer \"", State::NoPrinter, "", Cause::None, true},
    };
    for (const OutcomeRow& row : rows) {
        Fixture f;
        if (row.emptySetting) {
            f.settings.BarcodePrinter1 = f.settings.BarcodePrinter2 = f.settings.BarcodePrinter3 = QString();
        }
        f.printer.openResult = row.open;
        f.printer.startResult = row.start;
        f.printer.endResult = row.end;
        f.printer.lastErrorText = QString::fromUtf8(row.libraryReason);
        const StickerOutcome outcome = GetParam().print(f);
        EXPECT_EQ(outcome.state, row.state) << row.reason;
        EXPECT_EQ(outcome.reason, QString::fromUtf8(row.reason).replace("%P", outcome.printer));
        EXPECT_EQ(outcome.cause, row.cause) << row.reason;
        EXPECT_EQ(f.printer.calls()[0].rfind("SlpOpenPrinter(" + outcome.printer.toStdString() + ", ", 0),
                  0u);
        // A lost sticker still releases its fonts and closes its printer.
        if (row.open != 0) {
            EXPECT_EQ(f.printer.calls().back(), "SlpClosePrinter()");
        }
    }
}

TEST_P(EveryRoutine, TestCentreContactDetailsAppearOnNoSticker) {
    for (const QString& customer : {QStringLiteral("701"), QStringLiteral("401")}) {
        Fixture f;
        f.job.CustomerId = customer;
        GetParam().print(f);
        for (const std::string& call : f.printer.calls()) {
            EXPECT_EQ(call.find("mail-"), std::string::npos) << call;
            EXPECT_EQ(call.find("tel-"), std::string::npos) << call;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(StickerCalls, EveryRoutine, ::testing::ValuesIn(kRoutines), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (c == ' ')
            c = '_';
    return name;
});

// Test centre by the first character of the customer number: 1 for "7", 2 otherwise.
struct CentreRow {
    const char* customerId;
    int centre;
};

class TestCentreChoice : public ::testing::TestWithParam<CentreRow> {};

TEST_P(TestCentreChoice, ResultStickerCarriesTheCentresLogoAndAddresses) {
    Fixture f;
    f.job.CustomerId = QString::fromLatin1(GetParam().customerId);
    f.gen7x32.PrintResultLabel(QStringLiteral("70100042"), QStringLiteral("3FA9C0D1"));
    const Calls calls = f.printer.calls();
    const bool first = GetParam().centre == 1;
    EXPECT_EQ(calls[5], first ? "SlpDrawPicture(0, 0, 236, 280, /opt/velmora/logo-nord.png)"
                              : "SlpDrawPicture(0, 0, 250, 280, /opt/velmora/logo-sued.png)");
    EXPECT_EQ(calls[9], first ? "SlpDrawTextXY(0, 410, 101, https://nord.example/ergebnisse)"
                              : "SlpDrawTextXY(0, 410, 101, https://sued.example/ergebnisse)");
    EXPECT_EQ(calls[14],
              first ? "SlpDrawBarCode(650, 0, 950, 300, https://nord.example/qr/3FA9C0D1?source=qa)"
                    : "SlpDrawBarCode(650, 0, 950, 300, https://sued.example/qr/3FA9C0D1?source=qa)");
}

TEST_P(TestCentreChoice, BatchStickerCarriesTheCentresLogoAndAddress) {
    Fixture f;
    f.job.CustomerId = QString::fromLatin1(GetParam().customerId);
    const QString s = QStringLiteral("1");
    f.gen62.PrintBatchResultLabel(s, s, s, s, s, s, s, s);
    const Calls calls = f.printer.calls();
    const bool first = GetParam().centre == 1;
    EXPECT_EQ(calls[5], first ? "SlpDrawPicture(0, 330, 280, 546, /opt/velmora/logo-nord.png)"
                              : "SlpDrawPicture(0, 330, 280, 560, /opt/velmora/logo-sued.png)");
    EXPECT_EQ(calls[9], first ? "SlpDrawTextXY(430, 0, 101, https://nord.example/ergebnisse)"
                              : "SlpDrawTextXY(430, 0, 101, https://sued.example/ergebnisse)");
}

INSTANTIATE_TEST_SUITE_P(CustomerNumbers, TestCentreChoice,
                         ::testing::Values(CentreRow{"701", 1}, CentreRow{"703", 1}, CentreRow{"705", 1},
                                           CentreRow{"707", 1}, CentreRow{"7", 1}, CentreRow{"401", 2},
                                           CentreRow{"403", 2}, CentreRow{"405", 2}, CentreRow{"407", 2},
                                           CentreRow{"170", 2}, CentreRow{"", 2}),
                         [](const auto& info) { return "customer_" + std::string(info.param.customerId); });

TEST(StickerCalls, QrDataWithoutDownload2IsHomePageCodeAndSource) {
    Fixture f;
    f.settings.Download2.clear();
    f.gen7x32.PrintResultLabel(QStringLiteral("70100042"), QStringLiteral("3FA9C0D1"));
    EXPECT_EQ(f.printer.calls()[14],
              "SlpDrawBarCode(650, 0, 950, 300, https://nord.example/3FA9C0D1?source=qa)");
}

TEST(StickerCalls, EmptyNumbersAreStillComposed) {
    Fixture sample;
    sample.gen7x32.PrintSampleLabel(QString(), QString());
    EXPECT_EQ(sample.printer.calls()[9], "SlpDrawBarCode(0, 50, 300, 220, )");
    EXPECT_EQ(sample.printer.calls()[11], "SlpDrawBarCode(0, 290, 310, 480, )");

    Fixture batch;
    const QString none;
    batch.gen62.PrintBatchResultLabel(none, none, none, none, none, none, none, none);
    EXPECT_EQ(batch.printer.calls()[15], "SlpDrawTextXY(690, 300, 102,  -)");
    EXPECT_EQ(batch.printer.calls()[16], "SlpDrawTextXY(690, 40, 102, )");
}

struct NameRow {
    const char* setting;
    const char* name;
};

class PrinterName : public ::testing::TestWithParam<NameRow> {};

TEST_P(PrinterName, IsPrefixAndLastThreeCharactersOfTheSetting) {
    EXPECT_EQ(printerName(QString::fromUtf8(GetParam().setting)).toStdString(), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Settings, PrinterName,
                         ::testing::Values(NameRow{"Smart Label Printer 450", "Smart Label Printer 450"},
                                           NameRow{"SLP440", "Smart Label Printer 440"},
                                           NameRow{"240", "Smart Label Printer 240"},
                                           NameRow{"45", "Smart Label Printer 45"},
                                           NameRow{"", "Smart Label Printer "}));

} // namespace
