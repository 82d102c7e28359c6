#include "BenchAppFolder.h"
#include "SeededDatabase.h"
#include "modSlpApi62.h"
#include "modSlpApi7x32.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

// One sticker through the private CUPS server of scripts/start-test-cups.sh, as a desk prints it:
// drawn at the queue's resolution on its loaded label and sent in one Print-Job; as a job of its
// own (NewJob), also the job's one lookup of the queue (its name, then its labels). CUPS turns the page into
// the printer's language after answering, outside the timing (but on the same two cores).
namespace {

const QString SampleId = QStringLiteral("70100042");
const QString CodeId = QStringLiteral("3FA9C0D1");

// Started at the first CUPS benchmark, stopped at the end of the run.
struct TestServer {
    QTemporaryDir state;
    QString socket;
    QString whyNot;

    TestServer() {
        QProcess start;
        start.start(QStringLiteral("bash"),
                    {QStringLiteral(VELMORA_SOURCE_DIR "/scripts/start-test-cups.sh"), state.path()});
        if (!start.waitForFinished(120000)) {
            start.kill();
            whyNot = QStringLiteral("the CUPS test server did not start within 120 s");
            return;
        }
        QFile env(state.filePath(QStringLiteral("server.env")));
        env.open(QIODevice::ReadOnly);
        for (const QByteArray& line : env.readAll().split('\n')) {
            if (line.startsWith("SOCKET="))
                socket = QString::fromUtf8(line.mid(7));
            else if (line.startsWith("SKIP="))
                whyNot = QString::fromUtf8(line.mid(5));
        }
        if (socket.isEmpty() && whyNot.isEmpty())
            whyNot = QStringLiteral("the CUPS test server left no socket");
    }
    ~TestServer() {
        QProcess stop;
        stop.start(QStringLiteral("bash"),
                   {QStringLiteral(VELMORA_SOURCE_DIR "/scripts/stop-test-cups.sh"), state.path()});
        stop.waitForFinished(60000);
    }
};

std::unique_ptr<TestServer> server;
std::unique_ptr<BenchAppFolder> folder;

// printer: the model digits of a test queue with no printer folder of that name.
// newJob: each sticker is a job of its own and looks its queue up; else all are one job's.
void CupsSticker(benchmark::State& state, const char* printer, bool generation7x32, bool small, bool newJob) {
    if (!server)
        server = std::make_unique<TestServer>();
    if (!server->whyNot.isEmpty()) {
        state.SkipWithError(server->whyNot.toStdString().c_str());
        return;
    }
    qputenv("CUPS_SERVER", server->socket.toLocal8Bit());
    if (!folder)
        folder = std::make_unique<BenchAppFolder>();
    AppSettings settings = folder->settings();
    settings.BarcodePrinter1 = settings.BarcodePrinter3 = QStringLiteral("Smart Label Printer ") + printer;
    LabelJob job{QString::fromLatin1(BenchCustomer), 1, SingleTest, 1};
    modSlpApi7x32 gen7x32{folder->printer7x32(), settings, job};
    modSlpApi62 gen62{folder->printer62(), settings, job};
    SlpPrinterApi& library =
        generation7x32 ? static_cast<SlpPrinterApi&>(folder->printer7x32()) : folder->printer62();
    const auto print = [&] {
        if (newJob)
            library.SlpBeginJob(std::make_shared<SlpJobShare>());
        if (small)
            generation7x32 ? gen7x32.PrintSmallBarcode(SampleId) : gen62.PrintSmallBarcode(SampleId);
        else
            generation7x32 ? gen7x32.PrintSampleLabel(SampleId, CodeId)
                           : gen62.PrintSampleLabel(SampleId, CodeId);
    };
    print(); // loads the library and its fonts
    for (auto _ : state)
        print();
}

void options(benchmark::internal::Benchmark* bench) {
    bench->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->Iterations(40);
    // This process's CPU, all threads and the kernel; cupsd's own work is not in it.
    bench->MeasureProcessCPUTime()->UseRealTime();
}

} // namespace

void ReleaseCupsServer() {
    folder.reset();
    server.reset();
}

// A 4-inch EPL2 head at 203 dpi with 4 x 6 in labels: the 300 dpi sample sticker turned.
BENCHMARK_CAPTURE(CupsSticker, Sample7x32OnEpl2, "452", true, false, false)->Apply(options);
BENCHMARK_CAPTURE(CupsSticker, Sample7x32OnEpl2NewJob, "452", true, false, true)->Apply(options);
// The same printer for the 203 dpi library: its sticker at its own dots, turned.
BENCHMARK_CAPTURE(CupsSticker, Sample62OnEpl2, "241", false, false, false)->Apply(options);
BENCHMARK_CAPTURE(CupsSticker, SmallBarcode62OnEpl2, "241", false, true, false)->Apply(options);
