#include "BarcodeScan.h"
#include "CapturedJob.h"
#include "MainModule.h"
#include "SlpLibrary.h"
#include "StartUp.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QTransform>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

// Whole label jobs through the real printer libraries into the queues of a private CUPS server
// (scripts/start-test-cups.sh): what CUPS hands each queue's backend is turned back into pages
// and every barcode on them is read by an independent decoder.
namespace {

struct Queue {
    const char* name;
    int dpi;
    bool customSizes; // the driver prints a page of exactly the label's size
};
const Queue kZpl300{"zpl300", 300, true};          // "Smart Label Printer 450"
const Queue kZpl203{"zpl203", 203, true};          // "Smart Label Printer 240"
const Queue kPostScript{"postscript", 300, false}; // "Smart Label Printer 440"

// Label sizes in the library's dots, as the label runs through the printer.
const QSize kNormal300(1560, 600), kSmall300(230, 270), kNormal203(1070, 600), kSmall203(160, 220);

enum class What { Sample, Result, Batch, Large, Small };

struct Expected {
    const Queue* queue;
    What what;
    int sample; // index of the job's row; the batch sticker lists this one and the next three
    int libraryDpi;
    QSize label;
};

struct JobRow {
    const char* name;
    const char* printer1; // model digits; printer 2 is "440", printer 3 "240"
    const char* customer;
    qint16 count;
    JobKind kind;
    std::vector<Expected> stickers; // in the order printed
};

// The result sticker always comes from the 300 dpi library, whatever printer 1 is.
std::vector<Expected> oneTest(const Queue* queue, int dpi, QSize label) {
    return {{queue, What::Sample, 0, dpi, label}, {&kPostScript, What::Result, 0, 300, kNormal300}};
}

std::vector<Expected> fourSamples(const Queue* queue, int dpi, QSize label) {
    std::vector<Expected> out;
    for (int i = 0; i < 4; ++i)
        out.push_back({queue, What::Sample, i, dpi, label});
    out.push_back({&kPostScript, What::Batch, 0, 203, kNormal203}); // always the 203 dpi library
    return out;
}

std::vector<Expected> twoOf(What what, const Queue* queue, int dpi, QSize label) {
    return {{queue, what, 0, dpi, label}, {queue, what, 1, dpi, label}};
}

// SmallBarcode450: printer 1's 300 dpi layout on the 203 dpi printer 3.
const JobRow kJobRows[] = {
    {"OneTest450", "450", "701", 1, SingleTest, oneTest(&kZpl300, 300, kNormal300)},
    {"FourTests450", "450", "705", 4, FourTests, fourSamples(&kZpl300, 300, kNormal300)},
    {"LargeLabel450", "450", "123", 2, LargeLabel, twoOf(What::Large, &kZpl300, 300, kNormal300)},
    {"SmallBarcode450", "450", "123", 2, SmallBarcode, twoOf(What::Small, &kZpl203, 300, kSmall300)},
    {"OneTest240", "240", "701", 1, SingleTest, oneTest(&kZpl203, 203, kNormal203)},
    {"FourTests240", "240", "705", 4, FourTests, fourSamples(&kZpl203, 203, kNormal203)},
    {"LargeLabel240", "240", "123", 2, LargeLabel, twoOf(What::Large, &kZpl203, 203, kNormal203)},
    {"SmallBarcode240", "240", "123", 2, SmallBarcode, twoOf(What::Small, &kZpl203, 203, kSmall203)},
};

class NoPause final : public Pause {
public:
    void sleep(int) override {}
};

class Boxes final : public JobBoxes {
public:
    QString text2() const override { return {}; }
    void setText1(const QString&) override {}
    void setText2(const QString&) override {}
};

struct Row {
    QString sample, code;
};

// The server of scripts/start-test-cups.sh, named in VELMORA_CUPS_STATE by CTest.
struct TestServer {
    QString socket, capture, whyNot;
};

TestServer testServer() {
    TestServer server;
    QFile state(qEnvironmentVariable("VELMORA_CUPS_STATE"));
    if (!state.open(QIODevice::ReadOnly)) {
        server.whyNot = QStringLiteral("no CUPS test server (run through CTest)");
        return server;
    }
    for (const QByteArray& line : state.readAll().split('\n')) {
        if (line.startsWith("SOCKET="))
            server.socket = QString::fromUtf8(line.mid(7));
        else if (line.startsWith("CAPTURE="))
            server.capture = QString::fromUtf8(line.mid(8));
        else if (line.startsWith("SKIP="))
            server.whyNot = QString::fromUtf8(line.mid(5));
    }
    if (server.socket.isEmpty() && server.whyNot.isEmpty())
        server.whyNot = QStringLiteral("no socket in ") + state.fileName();
    return server;
}

// The captured jobs of a queue in the order CUPS numbered them.
QStringList capturedJobs(const QDir& folder) {
    QStringList jobs = folder.entryList({QStringLiteral("*.job")}, QDir::Files);
    std::sort(jobs.begin(), jobs.end(), [](const QString& a, const QString& b) {
        return a.section('.', 0, 0).toInt() < b.section('.', 0, 0).toInt();
    });
    return jobs;
}

// Until the queue's backend has written count jobs, or 60 s have passed: woken by the folder.
bool waitForJobs(const QDir& folder, int count) {
    const QDeadlineTimer deadline(60000);
    QFileSystemWatcher watcher({folder.path()});
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, &QEventLoop::quit);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    while (capturedJobs(folder).size() < count && !deadline.hasExpired()) {
        bound.start(std::max<qint64>(1, deadline.remainingTime()));
        loop.exec();
    }
    return capturedJobs(folder).size() >= count;
}

QStringList barcodes(const QImage& page, const QString& format) {
    // Turned stickers lie across the page: read the page both ways.
    QStringList out;
    for (const QImage& image : {page, page.transformed(QTransform().rotate(90))})
        for (const ScannedBarcode& barcode : scanBarcodes(image))
            if (barcode.format == format && !out.contains(barcode.text))
                out << barcode.text;
    out.sort();
    return out;
}

// One of CUPS's command-line tools against the test server, bounded; its standard output.
QByteArray runTool(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(30000)) {
        tool.kill();
        tool.waitForFinished(5000);
        ADD_FAILURE() << program.toStdString() << " did not finish";
    }
    return tool.readAllStandardOutput();
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

// A desk on the demo folder whose printers are the test server's queues, not folders.
class CupsDesk : public ::testing::Test {
protected:
    void SetUp() override {
        mServer = testServer();
        if (!mServer.whyNot.isEmpty())
            GTEST_SKIP() << mServer.whyNot.toStdString();
        qputenv("CUPS_SERVER", mServer.socket.toLocal8Bit());
        ASSERT_TRUE(mFolder.isValid());
        QProcess setup;
        setup.start(QStringLiteral(VELMORA_DEMO_SETUP), {mFolder.path()});
        ASSERT_TRUE(setup.waitForFinished(60000));
        ASSERT_EQ(setup.exitCode(), 0) << setup.readAllStandardError().toStdString();
        ASSERT_TRUE(QDir(mFolder.filePath(QStringLiteral("printers"))).removeRecursively());
        for (const char* library : {"/libSlpApi7x32.so", "/libslpapi62.so"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(VELMORA_APP_DIR) + library, mFolder.path() + library));
        for (const QString& queue : QDir(mServer.capture).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString& job :
                 QDir(mServer.capture + '/' + queue).entryList(QDir::Files | QDir::Hidden))
                QFile::remove(mServer.capture + '/' + queue + '/' + job);
    }

    void TearDown() override { CloseConnection(mModule.db); }

    // Starts the desk with its printers: the last line of a key wins.
    void startDesk(const QString& printer1, const QString& printer2, const QString& printer3) {
        QFile settings(mFolder.filePath(QStringLiteral("VO_Vudu.ini")));
        ASSERT_TRUE(settings.open(QIODevice::Append));
        settings.write(("\r\nBARCODEPRINTER1=Smart Label Printer " + printer1 +
                        "\r\nBARCODEPRINTER2=Smart Label Printer " + printer2 +
                        "\r\nBARCODEPRINTER3=Smart Label Printer " + printer3 + "\r\n")
                           .toLatin1());
        settings.close();
        mPrinter7x32 = std::make_unique<SlpLibrary>(mFolder.filePath(QStringLiteral("libSlpApi7x32.so")));
        mPrinter62 = std::make_unique<SlpLibrary>(mFolder.filePath(QStringLiteral("libslpapi62.so")));
        mModule.printer7x32 = mPrinter7x32.get();
        mModule.printer62 = mPrinter62.get();
        mModule.pause = &mPause;
        mModule.window = [this]() -> JobBoxes& { return mBoxes; };
        StartUp(mModule, mFolder.path());
    }

    JobReport run(const char* customer, qint16 count, JobKind kind) {
        mModule.job = {QString::fromLatin1(customer), count, kind, 1};
        return RunLabelJob(mModule);
    }

    std::vector<Row> rows() {
        std::vector<Row> out;
        QSqlQuery query(QStringLiteral("SELECT SAMPLE_ID, CODE_ID FROM SAMPLE_ORG ORDER BY SAMPLE_ID"),
                        mModule.db.database());
        while (query.next())
            out.push_back({query.value(0).toString(), query.value(1).toString()});
        return out;
    }

    QDir captureFolder(const Queue& queue) const { return QDir(mServer.capture + '/' + queue.name); }

    TestServer mServer;
    QTemporaryDir mFolder;
    NoPause mPause;
    Boxes mBoxes;
    std::unique_ptr<SlpLibrary> mPrinter7x32;
    std::unique_ptr<SlpLibrary> mPrinter62;
    MainModule mModule;
};

class CupsRoundTrip : public CupsDesk, public ::testing::WithParamInterface<JobRow> {};

TEST_P(CupsRoundTrip, EveryStickerScansBackToItsRow) {
    const JobRow& row = GetParam();
    startDesk(row.printer1, "440", "240");
    const JobReport report = run(row.customer, row.count, row.kind);
    for (const LostSticker& lost : report.lostStickers)
        ADD_FAILURE() << "lost: " << lost.SampleIds.join(u' ').toStdString() << " "
                      << lost.sticker.toStdString() << " on " << lost.printer.toStdString() << ": "
                      << lost.reason.toStdString();
    const std::vector<Row> recorded = rows();
    ASSERT_EQ(recorded.size(), size_t(row.count));

    std::map<const Queue*, int> taken; // jobs of each queue matched so far
    for (const Expected& sticker : row.stickers)
        ++taken[sticker.queue];
    for (const auto& [queue, count] : taken) {
        waitForJobs(captureFolder(*queue), count);
        EXPECT_EQ(capturedJobs(captureFolder(*queue)).size(), count) << queue->name;
        taken[queue] = 0;
    }

    for (const Expected& sticker : row.stickers) {
        const QDir folder = captureFolder(*sticker.queue);
        const QStringList jobs = capturedJobs(folder);
        const int index = taken[sticker.queue]++;
        SCOPED_TRACE(std::string(sticker.queue->name) + " job " + std::to_string(index + 1));
        if (index >= jobs.size())
            continue; // counted above
        QFile job(folder.filePath(jobs[index]));
        ASSERT_TRUE(job.open(QIODevice::ReadOnly));
        QString error;
        const std::vector<QImage> pages = capturedPages(job.readAll(), sticker.queue->dpi, &error);
        ASSERT_EQ(pages.size(), 1u) << "one label per sticker " << error.toStdString();
        const QImage& page = pages[0];

        // The label's size at the queue's resolution; one dot either way for the conversion.
        const QSize dots = sticker.label * sticker.queue->dpi / sticker.libraryDpi;
        if (sticker.queue->customSizes) {
            EXPECT_NEAR(page.width(), dots.width(), 1) << "exactly the label's dots across";
            EXPECT_NEAR(page.height(), dots.height(), 1) << "exactly the label's dots along";
        } else { // a bigger page of the driver's: the sticker is on it unscaled
            const QRect ink = inkBounds(page);
            EXPECT_LE(std::max(ink.width(), ink.height()), std::max(dots.width(), dots.height()) + 1);
            EXPECT_LE(std::min(ink.width(), ink.height()), std::min(dots.width(), dots.height()) + 1);
        }

        const Row& own = recorded[size_t(sticker.sample)];
        switch (sticker.what) {
        case What::Sample:
            EXPECT_EQ(barcodes(page, "Code128"), sorted({own.sample, own.code}));
            break;
        case What::Large:
        case What::Small:
            EXPECT_EQ(barcodes(page, "Code128"), QStringList({own.sample}));
            break;
        case What::Result:
            EXPECT_EQ(barcodes(page, "QRCode"),
                      QStringList({"https://www.zadad-labor.de/ergebnis/" + own.code + "?source=qa"}));
            break;
        case What::Batch: // texts only
            EXPECT_FALSE(inkBounds(page).isEmpty());
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Jobs, CupsRoundTrip, ::testing::ValuesIn(kJobRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A listener that takes connections and never reads or answers them.
class SilentServer {
public:
    explicit SilentServer(const QString& path) {
        mFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = path.toLocal8Bit();
        std::copy_n(name.constData(), std::min<size_t>(name.size(), sizeof address.sun_path - 1),
                    address.sun_path);
        mListening = mFd >= 0 && ::bind(mFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     ::listen(mFd, SOMAXCONN) == 0;
    }
    ~SilentServer() {
        if (mFd >= 0)
            ::close(mFd);
    }
    bool listening() const { return mListening; }

private:
    int mFd = -1;
    bool mListening = false;
};

// A sticker whose printer did not take it: the job still runs to its end, records its row and
// names the sticker; a held queue takes the job and prints it later.
struct FailureRow {
    const char* name;
    const char* printer; // model digits of all three printers
    int lost;            // stickers of the "1 Test" job reported lost
    const char* queue;   // captures nothing
};

const FailureRow kFailureRows[] = {
    {"RefusingQueue", "460", 2, "refusing"},
    {"DisabledQueue", "470", 0, "held"},
};

class CupsFailure : public CupsDesk, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(CupsFailure, JobEndsAndLostStickersAreNamed) {
    const FailureRow& row = GetParam();
    const QString printer = QStringLiteral("Smart Label Printer ") + row.printer;
    startDesk(row.printer, row.printer, row.printer);
    runTool(QStringLiteral("cancel"), {QStringLiteral("-a"), QString::fromLatin1(row.queue)});

    const JobReport report = run("701", 1, SingleTest);
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_EQ(mModule.job.CustomerId, "0") << "the job ran to its end";
    ASSERT_EQ(report.lostStickers.size(), size_t(row.lost));
    for (const LostSticker& lost : report.lostStickers) {
        EXPECT_EQ(lost.SampleIds, QStringList{"70100001"});
        EXPECT_EQ(lost.printer, printer);
        EXPECT_FALSE(lost.sticker.isEmpty());
        EXPECT_FALSE(lost.reason.isEmpty());
    }
    if (report.lostStickers.size() == 2)
        EXPECT_NE(report.lostStickers[0].sticker, report.lostStickers[1].sticker);
    // Jobs still waiting in CUPS: those the held queue took.
    EXPECT_EQ(
        runTool(QStringLiteral("lpstat"), {QStringLiteral("-o"), QString::fromLatin1(row.queue)}).count('\n'),
        2 - row.lost);
    EXPECT_TRUE(capturedJobs(captureFolder({row.queue, 300, true})).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Queues, CupsFailure, ::testing::ValuesIn(kFailureRows),
                         [](const auto& info) { return std::string(info.param.name); });

// In a process of its own, so that nothing found on the real server is reused.
// A CUPS server named to the desk that accepts and never answers, or that is not running at all:
// its queues cannot be looked up, so each sticker is lost with a reason instead of vanishing.
TEST_F(CupsDesk, ServerThatNeverAnswersOrIsNotRunning) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const bool running : {true, false}) {
        const auto runAgainstServer = [this, running] {
            const QString socket =
                mFolder.filePath(running ? QStringLiteral("silent.sock") : QStringLiteral("gone.sock"));
            std::optional<SilentServer> silent;
            if (running) {
                silent.emplace(socket);
                if (!silent->listening())
                    std::_Exit(3);
            }
            qputenv("CUPS_SERVER", socket.toLocal8Bit());
            startDesk("450", "440", "240");
            const JobReport report = run("123", 1, LargeLabel);
            const bool named = report.lostStickers.size() == 1 &&
                               report.lostStickers[0].SampleIds.value(0) == "12300001" &&
                               !report.lostStickers[0].reason.isEmpty();
            std::fprintf(stderr, "rows %zu, lost stickers %lld, job reset %d\n", rows().size(),
                         qlonglong(report.lostStickers.size()), int(mModule.job.CustomerId == "0"));
            std::_Exit(rows().size() == 1 && mModule.job.CustomerId == "0" && named ? 0 : 1);
        };
        EXPECT_EXIT(runAgainstServer(), ::testing::ExitedWithCode(0), "12300001.*Smart Label Printer 450")
            << (running ? "silent server" : "no server");
    }
}

} // namespace
