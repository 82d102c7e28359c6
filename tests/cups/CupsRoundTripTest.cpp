#include "BarcodeScan.h"
#include "CapturedJob.h"
#include "DeskOwes.h"
#include "LostStickers.h"
#include "MainModule.h"
#include "OwedStickerTable.h"
#include "Reprint.h"
#include "SlpLibrary.h"
#include "StartUp.h"
#include "TestQuery.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QTransform>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Whole label jobs through the real printer libraries into the queues of a private CUPS server
// (scripts/start-test-cups.sh): what CUPS hands each queue's backend is turned back into pages
// and every barcode on them is read by an independent decoder.
namespace {

enum class What { Sample, Result, Batch, Large, Small };

// One queue of the test server, its printer's resolution, and a job of every kind printed on it
// by a desk whose three printer settings all name it: "1 Test" (sample and result sticker), "4
// Tests" (four sample stickers and the batch sticker), a large label and a small barcode. The
// result sticker always comes from the 300 dpi library, the batch sticker from the 203 dpi one;
// the others from the library the model digits choose.
struct DriverRow {
    const char* name;
    const char* printer; // model digits
    const char* queue;
    int dpi;
    std::vector<What> lost; // stickers no label of the queue holds
};

// clang-format off
const DriverRow kDriverRows[] = {
    // 2 x 5.5 in stock holds the 300 dpi library's stickers lengthwise, not the 203 dpi batch sticker.
    {"Zpl300", "450", "zpl300", 300, {What::Batch}},
    {"Zpl203", "240", "zpl203", 203, {}},
    {"Zpl600", "451", "zpl600", 600, {}},
    {"Epl2", "452", "epl2", 203, {}},
    {"Epl2With203DpiLayouts", "241", "epl2at241", 203, {}},
    {"Epl1", "453", "epl1", 203, {What::Batch}},
    // The driver's own 4 x 5 in label: too short for the long stickers either way round.
    {"Cpcl", "454", "cpcl", 203, {What::Sample, What::Result, What::Batch, What::Large}},
    // A 2.3-inch head holds the 300 dpi library's stickers turned, not the 203 dpi library's.
    {"SmallLabel", "455", "small", 300, {What::Batch}},
    {"SmallLabelWith203DpiLayouts", "242", "small62", 300, {What::Sample, What::Batch, What::Large}},
    {"PclWithMargins", "456", "pcl", 300, {}},
    {"PostScript", "440", "postscript", 300, {}},
    // Defaults that would double, shrink, turn, mirror, hold, skip or reorder every label.
    {"HostileDefaults", "457", "hostile", 300, {}},
    // Small stock: only the small barcode fits, the 300 dpi layouts drawn at 203 dpi.
    {"Zpl4x2Stock", "462", "zpl4x2", 203, {What::Sample, What::Result, What::Batch, What::Large}},
    {"Epl2x1Stock", "463", "epl2x1", 203, {What::Sample, What::Result, What::Batch, What::Large}},
    // A custom default page size, which CUPS reports as unknown: read from the driver's defaults.
    {"ZplCustomDefaultSize", "464", "zplcustom", 300, {}},
    {"Driverless203CustomSizes", "243", "ipp203", 203, {}},
    // 2 x 7 in with 1 mm margins is too narrow for 2-inch stickers; never sent on 4 x 6 in instead.
    {"Driverless300FixedSizes", "461", "ipp300", 300, {What::Sample, What::Result, What::Batch, What::Large}},
    // No margins: CUPS calls the default unknown, the printer says 2 x 1 in is ready.
    {"Driverless2x1Ready", "244", "ipp2x1", 203, {What::Sample, What::Result, What::Batch, What::Large}},
};
// clang-format on

// Label sizes in the library's dots, as the label runs through the printer.
const QSize kNormal300(1560, 600), kSmall300(230, 270), kNormal203(1070, 600), kSmall203(160, 220);

struct Row {
    QString sample, code;
};

struct Expected {
    What what;
    int sample; // index of the job's row; the batch sticker lists this one and the next three
    bool from300Dpi;
    Row own = {};
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

// The server of scripts/start-test-cups.sh, named in VELMORA_CUPS_STATE by CTest.
struct TestServer {
    QString socket, capture, data, whyNot, ippSkip;
};

TestServer testServer() {
    TestServer server;
    QFile state(qEnvironmentVariable("VELMORA_CUPS_STATE"));
    if (!state.open(QIODevice::ReadOnly)) {
        server.whyNot = QStringLiteral("no CUPS test server (run through CTest)");
        return server;
    }
    const std::pair<QByteArray, QString*> keys[] = {{"SOCKET=", &server.socket},
                                                    {"CAPTURE=", &server.capture},
                                                    {"SKIP=", &server.whyNot},
                                                    {"DATA=", &server.data},
                                                    {"IPP_SKIP=", &server.ippSkip}};
    for (const QByteArray& line : state.readAll().split('\n'))
        for (const auto& [key, field] : keys)
            if (line.startsWith(key))
                *field = QString::fromUtf8(line.mid(key.size()));
    if (server.socket.isEmpty() && server.whyNot.isEmpty())
        server.whyNot = QStringLiteral("no socket in ") + state.fileName();
    return server;
}

// The captured jobs of a queue in the order they were numbered: <id>.job from the capture
// backend, <id>-<name>.<type> from the printer emulator (its .prn files are what its print
// command made of them: nothing).
QStringList capturedJobs(const QDir& folder) {
    static const QRegularExpression number(QStringLiteral("^(\\d+)"));
    QStringList jobs = folder.entryList(QDir::Files);
    jobs.removeIf([](const QString& name) { return name.endsWith(QLatin1String(".prn")); });
    std::sort(jobs.begin(), jobs.end(), [](const QString& a, const QString& b) {
        return number.match(a).captured(1).toInt() < number.match(b).captured(1).toInt();
    });
    return jobs;
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

// The jobs CUPS still holds for a queue.
int waiting(const QString& queue) {
    return int(runTool(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}).count('\n'));
}

void cancelAll(const QString& queue) {
    runTool(QStringLiteral("cancel"), {QStringLiteral("-a"), queue});
}

sockaddr_un socketAddress(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = path.toLocal8Bit();
    std::copy_n(name.constData(), std::min<size_t>(name.size(), sizeof address.sun_path - 1),
                address.sun_path);
    return address;
}

// Until the queue's backend has written count jobs, CUPS holds none of the queue's jobs any more
// (a job that failed in its driver never arrives), or 60 s have passed: woken by the folder, and
// each second to ask CUPS.
bool waitForJobs(const QDir& folder, const QString& queue, int count) {
    const QDeadlineTimer deadline(60000);
    QFileSystemWatcher watcher({folder.path()});
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, &QEventLoop::quit);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    while (capturedJobs(folder).size() < count && !deadline.hasExpired()) {
        if (runTool(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}).isEmpty())
            break;
        bound.start(std::clamp<qint64>(deadline.remainingTime(), 1, 1000));
        loop.exec();
    }
    return capturedJobs(folder).size() >= count;
}

// What zxing and zbar both read at the printer's own dots (zxing alone where zbarToo is false);
// turned stickers lie across the page, so the page is read both ways.
QStringList barcodes(const QImage& page, const QString& format, bool zbarToo = true) {
    QStringList byDecoder[2];
    for (const QImage& image : {page, page.transformed(QTransform().rotate(90))})
        for (int decoder = 0; decoder < 2; ++decoder)
            for (const ScannedBarcode& barcode :
                 decoder == 0 ? scanBarcodes(image) : scanBarcodesWithZbar(image))
                if (barcode.format == format && !byDecoder[decoder].contains(barcode.text))
                    byDecoder[decoder] << barcode.text;
    QStringList both;
    for (const QString& text : std::as_const(byDecoder[0]))
        if (!zbarToo || byDecoder[1].contains(text))
            both << text;
    both.sort();
    return both;
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

    std::vector<Row> rows(const char* customer = nullptr) {
        std::vector<Row> out;
        const QVariant id = customer ? QVariant(QString::fromLatin1(customer)) : QVariant();
        TestQuery query(
            mModule.db,
            QStringLiteral("SELECT SAMPLE_ID, CODE_ID FROM SAMPLE_ORG WHERE ? IS NULL OR CUST_ID = ? "
                           "ORDER BY SAMPLE_ID"),
            {id, id});
        while (query.next())
            out.push_back({query.value(0).toString(), query.value(1).toString()});
        return out;
    }

    // The requests of that IPP operation the test server has answered so far, by its access log.
    int requests(const char* operation) const {
        // cupsd logs a request right after sending the last of its answer, before it turns to the
        // next: once it answered one more (lpstat -d asks for the default queue, which is not
        // counted here), the line of the last one is there.
        runTool(QStringLiteral("lpstat"), {QStringLiteral("-d")});
        QFile log(mServer.data + QStringLiteral("/log/access_log"));
        return log.open(QIODevice::ReadOnly) ? int(log.readAll().count(QByteArray(" ") + operation + " "))
                                             : -1;
    }

    QDir captureFolder(const char* queue) const { return QDir(mServer.capture + '/' + queue); }

    TestServer mServer;
    QTemporaryDir mFolder;
    NoPause mPause;
    Boxes mBoxes;
    std::unique_ptr<SlpLibrary> mPrinter7x32;
    std::unique_ptr<SlpLibrary> mPrinter62;
    MainModule mModule;
};

class CupsRoundTrip : public CupsDesk, public ::testing::WithParamInterface<DriverRow> {};

TEST_P(CupsRoundTrip, EveryStickerPrintsAsOneLabelAndScansBackToItsRow) {
    const DriverRow& row = GetParam();
    if (QByteArray(row.queue).startsWith("ipp") && !mServer.ippSkip.isEmpty())
        GTEST_SKIP() << mServer.ippSkip.toStdString();
    startDesk(row.printer, row.printer, row.printer);
    const int lookupsBefore = requests("CUPS-Get-Printers"), printsBefore = requests("Print-Job");
    const bool series7x32 = QByteArray(row.printer).left(2).toInt() > 43;
    std::vector<Expected> expected;
    std::vector<What> lost;
    const auto job = [&](const char* customer, qint16 count, JobKind kind, std::vector<Expected> stickers) {
        for (const LostSticker& sticker : run(customer, count, kind).lostStickers)
            lost.push_back(sticker.sticker == "batch result sticker"    ? What::Batch
                           : sticker.sticker == "large label"           ? What::Large
                           : sticker.sticker == "small barcode sticker" ? What::Small
                           : sticker.sticker == "result sticker"        ? What::Result
                                                                        : What::Sample);
        const std::vector<Row> recorded = rows(customer);
        for (Expected& sticker : stickers) {
            sticker.own = recorded.at(size_t(sticker.sample));
            if (std::find(row.lost.begin(), row.lost.end(), sticker.what) == row.lost.end())
                expected.push_back(sticker);
        }
    };
    job("701", 1, SingleTest, {{What::Sample, 0, series7x32}, {What::Result, 0, true}});
    std::vector<Expected> fourTests;
    for (int sample = 0; sample < 4; ++sample)
        fourTests.push_back({What::Sample, sample, series7x32});
    fourTests.push_back({What::Batch, 0, false});
    job("705", 4, FourTests, fourTests);
    job("123", 1, LargeLabel, {{What::Large, 0, series7x32}});
    job("124", 1, SmallBarcode, {{What::Small, 0, series7x32}});
    ASSERT_EQ(std::set<What>(lost.begin(), lost.end()), std::set<What>(row.lost.begin(), row.lost.end()))
        << "stickers lost";

    ASSERT_EQ(rows().size(), 7u);

    const QDir folder = captureFolder(row.queue);
    waitForJobs(folder, QString::fromLatin1(row.queue), int(expected.size()));
    const QStringList jobs = capturedJobs(folder);
    ASSERT_EQ(jobs.size(), expected.size()) << "one job per sticker";
    // Each sticker went out in one request; each job looked its printer up once in each of the
    // two libraries it used (each keeps its own answers): the "4 Tests" job uses both.
    EXPECT_EQ(requests("Print-Job") - printsBefore, int(expected.size()));
    EXPECT_EQ(requests("CUPS-Get-Printers") - lookupsBefore, 5);
    for (size_t i = 0; i < expected.size(); ++i) {
        const Expected& sticker = expected[i];
        SCOPED_TRACE(jobs[qsizetype(i)].toStdString());
        QFile file(folder.filePath(jobs[qsizetype(i)]));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString error;
        const std::vector<QImage> labels = capturedPages(file.readAll(), row.dpi, &error);
        ASSERT_EQ(labels.size(), 1u) << "one label per sticker, no copies, no banners "
                                     << error.toStdString();

        // Neither shrunk (pages per sheet, scaling) nor larger than the sticker at the printer's dots.
        const QSize label = sticker.what == What::Small ? (sticker.from300Dpi ? kSmall300 : kSmall203)
                                                        : (sticker.from300Dpi ? kNormal300 : kNormal203);
        const QSize dots = label * row.dpi / (sticker.from300Dpi ? 300 : 203);
        const QRect ink = inkBounds(labels[0]);
        const int longer = std::max(ink.width(), ink.height()), shorter = std::min(ink.width(), ink.height());
        EXPECT_LE(longer, std::max(dots.width(), dots.height()) + 1);
        EXPECT_LE(shorter, std::min(dots.width(), dots.height()) + 1);
        EXPECT_GE(longer, std::max(dots.width(), dots.height()) * 55 / 100) << "shrunk";
        // At the top left of the label, inside the driver's margins (at most 70 dots here): a
        // page turned round by the queue's orientation would put it elsewhere.
        const int side = std::max(dots.width(), dots.height()) + 70;
        EXPECT_TRUE(QRect(0, 0, side, side).contains(ink))
            << "ink at " << ink.x() << "," << ink.y() << " to " << ink.right() << "," << ink.bottom();

        const Row& own = sticker.own;
        // The 300 dpi sample sticker's code has no room to widen: one dot below 300 dpi, which zbar
        // misses for some codes, as the README says.
        const bool oneDotCode = sticker.from300Dpi && row.dpi < 300;
        switch (sticker.what) {
        case What::Sample:
            EXPECT_EQ(barcodes(labels[0], "Code128", !oneDotCode), sorted({own.sample, own.code}));
            break;
        case What::Large:
        case What::Small:
            EXPECT_EQ(barcodes(labels[0], "Code128"), QStringList({own.sample}));
            break;
        case What::Result:
            EXPECT_EQ(barcodes(labels[0], "QRCode"),
                      QStringList({"https://www.zadad-labor.de/ergebnis/" + own.code + "?source=qa"}));
            break;
        case What::Batch: // texts only
            EXPECT_FALSE(ink.isEmpty());
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Drivers, CupsRoundTrip, ::testing::ValuesIn(kDriverRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A listener that takes connections and never reads or answers them.
class SilentServer {
public:
    explicit SilentServer(const QString& path) {
        mFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un address = socketAddress(path);
        mListening = mFd >= 0 &&
                     ::bind(mFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                     ::listen(mFd, SOMAXCONN) == 0;
    }
    ~SilentServer() {
        if (mFd >= 0)
            ::close(mFd);
    }
    bool listening() const { return mListening; }
    // The connections made to it so far, taken off its queue.
    int connections() {
        int count = 0;
        ::fcntl(mFd, F_SETFL, O_NONBLOCK);
        for (int client; (client = ::accept(mFd, nullptr, nullptr)) >= 0; ++count)
            ::close(client);
        return count;
    }

private:
    int mFd = -1;
    bool mListening = false;
};

// A sticker whose printer did not take or did not print it: the job still runs to its end, records
// its row and names the sticker with the kind and words of the failure; a disabled queue keeps its
// jobs, reported apart as waiting in the printer and not offered for printing again.
struct FailureRow {
    const char* name;
    const char* printer; // model digits of all three printers
    int lost;            // stickers of the "1 Test" job reported lost
    StickerCause cause;
    const char* reason; // part of each lost sticker's reason
    const char* queue;  // captures nothing
    int held;           // jobs CUPS still holds for the queue afterwards
};

// clang-format off
const FailureRow kFailureRows[] = {
    {"RefusingQueue", "460", 2, StickerCause::NotAccepting, "is not accepting jobs", "refusing", 0},
    {"DisabledQueue", "470", 2, StickerCause::JobWaiting, "still pending after 15 s: held by the test set-up", "held", 2},
    {"FailingBackend", "471", 2, StickerCause::JobFailed, "aborted: the test printer is out of labels", "failing", 0},
    {"TwoQueuesOneName", "459", 2, StickerCause::AmbiguousName, "queues twin1 and twin2 in CUPS at /", "twin1", 0},
    {"RawQueue", "458", 2, StickerCause::NoDriver, "queue raw in CUPS at /", "raw", 0},
    {"NoSuchPrinter", "499", 2, StickerCause::NotFound, "no printer \"Smart Label Printer 499\"", "none", 0},
};
// clang-format on

class CupsFailure : public CupsDesk, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(CupsFailure, JobEndsAndLostStickersAreNamed) {
    const FailureRow& row = GetParam();
    const QString printer = QStringLiteral("Smart Label Printer ") + row.printer;
    startDesk(row.printer, row.printer, row.printer);
    cancelAll(QString::fromLatin1(row.queue));

    const int lookupsBefore = requests("CUPS-Get-Printers");
    const JobReport report = run("701", 1, SingleTest);
    EXPECT_EQ(requests("CUPS-Get-Printers") - lookupsBefore, 1) << "one lookup for the job";
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_EQ(mModule.job.CustomerId, "0") << "the job ran to its end";
    ASSERT_EQ(report.lostStickers.size(), size_t(row.lost));
    for (const LostSticker& lost : report.lostStickers) {
        EXPECT_EQ(lost.SampleIds, QStringList{"70100001"});
        EXPECT_EQ(lost.printer, printer);
        EXPECT_FALSE(lost.sticker.isEmpty());
        EXPECT_TRUE(lost.reason.contains(QString::fromUtf8(row.reason))) << lost.reason.toStdString();
        EXPECT_EQ(lost.cause, row.cause);
        EXPECT_EQ(lost.unknown, row.cause == StickerCause::JobWaiting)
            << "printed again only if surely not printed";
    }
    if (report.lostStickers.size() == 2) {
        EXPECT_NE(report.lostStickers[0].sticker, report.lostStickers[1].sticker);
    }
    // Still owed at the next start: what the printer did not finish, as perhaps printed where CUPS holds it.
    const JobReport owed = OwedSinceEarlier(mModule);
    ASSERT_EQ(owed.lostStickers.size(), size_t(row.lost));
    for (const LostSticker& sticker : owed.lostStickers) {
        EXPECT_EQ(sticker.unknown, row.cause == StickerCause::JobWaiting) << sticker.sticker.toStdString();
        // Its job found by its name, still held: waiting in the printer, not of unknown fate.
        EXPECT_EQ(sticker.cause == StickerCause::JobWaiting, row.cause == StickerCause::JobWaiting)
            << sticker.reason.toStdString();
    }
    EXPECT_EQ(waiting(QString::fromLatin1(row.queue)), row.held);
    cancelAll(QString::fromLatin1(row.queue));
    EXPECT_TRUE(capturedJobs(captureFolder(row.queue)).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Queues, CupsFailure, ::testing::ValuesIn(kFailureRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A desk stopped while it sent stickers to a queue: at its next start the queue's jobs, found by
// the stickers' names, decide what it still owes. A job that completed clears its sticker; none of
// that name is owed only where the queue keeps finished jobs from before the sticker was due.
TEST_F(CupsDesk, StickersSentAtAStopAreLookedUpByName) {
    startDesk("240", "240", "240");
    cancelAll(QStringLiteral("zpl203"));
    ASSERT_TRUE(run("123", 2, LargeLabel).lostStickers.isEmpty()) << "both jobs completed";
    const struct {
        const char* sticker;
        const char* sample;
        const char* written; // when the stop left its row, from now
    } stopped[] = {
        {"large", "12300002", "+10 minutes"}, // its job completed
        {"small", "12300001", "+10 minutes"}, // never sent: older jobs are still listed
        {"small", "12300002", "-30 years"},   // never sent, but no job that old is listed
    };
    const QString desk = DeskName(mModule.applicationFolder);
    for (const auto& row : stopped)
        ASSERT_TRUE(
            TestQuery(mModule.db,
                      "INSERT INTO OWED_STICKER (DESK, STICKER, SAMPLE_ID, SAMPLE_IDS, STATE, TIME_STAMP) "
                      "VALUES (?, ?, ?, ?, '2', datetime('now', 'localtime', ?))",
                      {desk, row.sticker, row.sample, row.sample, row.written})
                .ok());
    const auto owed = [this] {
        QStringList shown;
        for (const LostSticker& sticker : OwedSinceEarlier(mModule).lostStickers)
            shown << (sticker.unknown ? "perhaps: " : "") + sticker.sticker + ' ' +
                         sticker.SampleIds.join(' ');
        return shown;
    };
    const QStringList before = owed();
    EXPECT_EQ(before,
              QStringList({"small barcode sticker 12300001", "perhaps: small barcode sticker 12300002"}));
    const int printsBefore = requests("Print-Job");
    EXPECT_EQ(PrintLostStickersAgain(mModule, OwedSinceEarlier(mModule).lostStickers).size(), 1);
    EXPECT_EQ(requests("Print-Job") - printsBefore, 1) << "printed once";
    EXPECT_EQ(owed(), QStringList({"perhaps: small barcode sticker 12300002"}));
}

// Between the desk and the test server, passing every exchange on, except that it keeps back
// CUPS's answer to each Print-Job, and with everyAnswerAfter every answer once a Print-Job went
// through: a server that took the job and then stopped answering.
class WithholdingProxy {
public:
    WithholdingProxy(const QString& path, const QString& server, bool everyAnswerAfter)
        : mServer(socketAddress(server)), mEveryAnswerAfter(everyAnswerAfter) {
        const sockaddr_un address = socketAddress(path);
        mListener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::bind(mListener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(mListener, SOMAXCONN) == 0)
            mThread = std::thread([this] { serve(); });
    }
    ~WithholdingProxy() {
        mStop = true;
        if (mThread.joinable())
            mThread.join();
        ::close(mListener);
    }
    bool listening() const { return mThread.joinable(); }

private:
    struct Pair {
        int client, server;
        QByteArray head; // the start of the request
        bool printJob = false;
        void close() {
            ::close(client);
            ::close(server);
            client = server = -1;
        }
    };

    // Polls in tenths of a second so that the destructor's stop is seen.
    void serve() {
        std::vector<Pair> pairs;
        bool jobTaken = false;
        while (!mStop) {
            std::vector<pollfd> fds{{mListener, POLLIN, 0}};
            for (const Pair& pair : pairs) {
                fds.push_back({pair.client, POLLIN, 0});
                fds.push_back({pair.server, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), 100) <= 0)
                continue;
            if (fds[0].revents & POLLIN) {
                Pair pair{::accept4(mListener, nullptr, nullptr, SOCK_CLOEXEC),
                          ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0),
                          {}};
                ::connect(pair.server, reinterpret_cast<const sockaddr*>(&mServer), sizeof mServer);
                pairs.push_back(pair);
            }
            for (size_t i = 0; i + 1 < fds.size() / 2 + 1 && i < pairs.size(); ++i) {
                Pair& pair = pairs[i];
                char buffer[65536];
                bool closed = false;
                if (fds[1 + 2 * i].revents & (POLLIN | POLLHUP)) {
                    const ssize_t n = ::read(pair.client, buffer, sizeof buffer);
                    closed = n <= 0;
                    if (n > 0) {
                        // The IPP operation follows the HTTP header and the IPP version.
                        pair.head.append(buffer, std::min<qsizetype>(n, 4096 - pair.head.size()));
                        const qsizetype body = pair.head.indexOf("\r\n\r\n");
                        if (body >= 0 && pair.head.size() >= body + 8 && pair.head[body + 6] == 0 &&
                            pair.head[body + 7] == 2)
                            pair.printJob = jobTaken = true;
                        closed = ::write(pair.server, buffer, size_t(n)) !=
                                 n; // a pass-on that fails ends the pair
                    }
                }
                if (!closed && (fds[2 + 2 * i].revents & (POLLIN | POLLHUP))) {
                    const ssize_t n = ::read(pair.server, buffer, sizeof buffer);
                    closed = n <= 0;
                    if (n > 0 && !pair.printJob && !(mEveryAnswerAfter && jobTaken))
                        closed = ::write(pair.client, buffer, size_t(n)) != n;
                }
                if (closed)
                    pair.close();
            }
            std::erase_if(pairs, [](const Pair& pair) { return pair.client < 0; });
        }
        for (Pair& pair : pairs)
            pair.close();
    }

    sockaddr_un mServer;
    bool mEveryAnswerAfter;
    int mListener = -1;
    std::atomic<bool> mStop{false};
    std::thread mThread;
};

// A sticker sent to a disabled queue (its job waits there) whose answer never came: the desk looks
// for the job once more; found, it is cancelled and the sticker is lost, safe to print again;
// where CUPS does not answer that either, the sticker's fate is unknown and said so.
struct UnansweredRow {
    const char* name;
    bool everyAnswerAfter;
    StickerCause cause;
    const char* reason;
    int waiting; // jobs the queue holds afterwards
};

const UnansweredRow kUnansweredRows[] = {
    {"JobFoundAndCancelled", false, StickerCause::ServerSilent, "the job was cancelled or never made", 0},
    {"FateUnknown", true, StickerCause::JobUnknown, "not known whether printed: check the printer", 1},
};

class CupsUnanswered : public CupsDesk, public ::testing::WithParamInterface<UnansweredRow> {};

TEST_P(CupsUnanswered, StickerIsCancelledOrReportedAsUnknown) {
    const UnansweredRow& row = GetParam();
    cancelAll(QStringLiteral("held"));
    {
        WithholdingProxy proxy(mFolder.filePath(QStringLiteral("proxy.sock")), mServer.socket,
                               row.everyAnswerAfter);
        ASSERT_TRUE(proxy.listening());
        qputenv("CUPS_SERVER", mFolder.filePath(QStringLiteral("proxy.sock")).toLocal8Bit());
        startDesk("470", "470", "470");
        const JobReport report = run("123", 2, LargeLabel);
        qputenv("CUPS_SERVER", mServer.socket.toLocal8Bit());
        ASSERT_EQ(report.lostStickers.size(), 2u);
        EXPECT_EQ(report.lostStickers[0].cause, row.cause);
        EXPECT_EQ(report.lostStickers[0].unknown, row.cause == StickerCause::JobUnknown);
        EXPECT_TRUE(report.lostStickers[0].reason.contains(QString::fromUtf8(row.reason)))
            << report.lostStickers[0].reason.toStdString();
        // The second sticker does not wait for a server that kept the first one waiting.
        EXPECT_EQ(report.lostStickers[1].cause, StickerCause::ServerSilent);
        EXPECT_FALSE(report.lostStickers[1].unknown);
    }
    EXPECT_EQ(waiting(QStringLiteral("held")), row.waiting);
    cancelAll(QStringLiteral("held"));
}

INSTANTIATE_TEST_SUITE_P(Answers, CupsUnanswered, ::testing::ValuesIn(kUnansweredRows),
                         [](const auto& info) { return std::string(info.param.name); });

// In a process of its own, so that nothing found on the real server is reused.
// A CUPS server named to the desk that accepts and never answers, or that is not running at all:
// its queues cannot be looked up, so each sticker is lost with a reason naming where CUPS was
// looked for, and a server that kept the job waiting once is not asked again during that job, by
// either printer library.
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
            // Sample stickers from the 203 dpi library, result stickers from the 300 dpi one.
            startDesk("240", "440", "240");
            const JobReport report = run("701", 2, SingleTest);
            const int asked = silent ? silent->connections() : 0;
            bool named = report.lostStickers.size() == 4;
            for (const LostSticker& lost : report.lostStickers)
                named = named && lost.reason.contains("CUPS at " + socket) &&
                        lost.cause == StickerCause::ServerSilent;
            std::fprintf(stderr, "rows %zu, lost stickers %lld, job reset %d, connections %d, reason %s\n",
                         rows().size(), qlonglong(report.lostStickers.size()),
                         int(mModule.job.CustomerId == "0"), asked,
                         qPrintable(report.lostStickers.value(0).reason));
            std::_Exit(rows().size() == 2 && mModule.job.CustomerId == "0" && named &&
                               asked == (silent ? 1 : 0)
                           ? 0
                           : 1);
        };
        EXPECT_EXIT(runAgainstServer(), ::testing::ExitedWithCode(0), "70100001.*Smart Label Printer 240")
            << (running ? "silent server" : "no server");
    }
}

} // namespace
