#include "CommandLine.h"

#include "AppError.h"
#include "DatabaseAccess.h"
#include "PackageVersion.h"
#include "Reprint.h"
#include "SlpLibrary.h"
#include "StartUp.h"
#include "WriteLine.h"

#include <cstdio>
#include <exception>

namespace {

const QString kReprint = QStringLiteral("--reprint");

CommandLineRequest refused(const QString& problem) {
    CommandLineRequest request;
    request.action = CommandLineRequest::Action::Refused;
    request.problem = problem;
    return request;
}

bool isOption(const QString& argument) {
    return argument.startsWith(QLatin1Char('-'));
}

// The window's boxes for a start-up without the window.
class NoBoxes final : public JobBoxes {
public:
    QString text2() const override { return {}; }
    void setText1(const QString&) override {}
    void setText2(const QString&) override {}
};

// The connection is released however the command ends.
struct ConnectionGuard {
    DbConnection& db;
    ~ConnectionGuard() { CloseConnection(db); }
};

int reprint(const CommandLineRequest& request, const QString& applicationFolder) {
    // A request that cannot be right is refused before the settings or the database are read.
    if (const QString problem = ReprintRequestProblem(request.kind, request.SampleIds); !problem.isEmpty()) {
        WriteLine(stderr, problem + QStringLiteral(" Nothing was printed.\n\n") + CommandLineUsage());
        return ExitRefused;
    }
    if (const std::optional<DatabaseAccessProblem> denied = CheckDatabaseAccess(applicationFolder)) {
        WriteLine(stderr, denied->administratorText);
        return ExitFailed;
    }

    MainModule module;
    NoBoxes boxes;
    module.window = [&boxes]() -> JobBoxes& { return boxes; };
    SlpLibrary printer7x32(applicationFolder + QStringLiteral("/libSlpApi7x32.so"));
    SlpLibrary printer62(applicationFolder + QStringLiteral("/libslpapi62.so"));
    EventLoopPause pause;
    module.printer7x32 = &printer7x32;
    module.printer62 = &printer62;
    module.pause = &pause;
    try {
        ConnectionGuard connection{module.db};
        StartUp(module, applicationFolder, NewDatabase::Never); // only reads: never makes a database
        return Reprint(module, request.kind, request.SampleIds);
    } catch (const AppError& error) {
        WriteLine(stderr, error.description());
    } catch (const std::exception& error) {
        WriteLine(stderr, QString::fromLocal8Bit(error.what()));
    }
    return ExitFailed;
}

} // namespace

CommandLineRequest ParseCommandLine(const QStringList& arguments) {
    CommandLineRequest request;
    if (arguments.isEmpty())
        return request;
    const QString& first = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("--version")) {
        if (!rest.isEmpty())
            return refused(QStringLiteral("%1 takes no arguments; \"%2\" given.").arg(first, rest.first()));
        request.action = first == QLatin1String("--version") ? CommandLineRequest::Action::Version
                                                             : CommandLineRequest::Action::Help;
        return request;
    }
    if (first == kReprint) {
        // Sample numbers never start with "-": an option there is one given in the wrong place.
        for (const QString& argument : rest)
            if (isOption(argument))
                return refused(
                    QStringLiteral(
                        "Misplaced option \"%1\": --reprint takes a sticker kind and sample numbers.")
                        .arg(argument));
        request.action = CommandLineRequest::Action::Reprint;
        request.kind = rest.value(0);
        request.SampleIds = rest.mid(1);
        return request;
    }
    if (isOption(first))
        return refused(QStringLiteral("Unknown option \"%1\".").arg(first));
    if (rest.contains(kReprint))
        return refused(
            QStringLiteral("Misplaced option \"--reprint\": it comes first, before \"%1\".").arg(first));
    return refused(QStringLiteral("Unexpected argument \"%1\": the window takes no arguments.").arg(first));
}

QStringList CommandLineArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

bool IsCommandLine(int argc, char**) {
    return argc > 1;
}

QString CommandLineUsage() {
    return QStringLiteral(
        "Usage: velmora-barcode-tool                      the window\n"
        "       velmora-barcode-tool --reprint KIND SAMPLE_ID...\n"
        "       velmora-barcode-tool --version\n"
        "       velmora-barcode-tool --help\n"
        "\n"
        "--reprint prints the stickers of samples already recorded again, with the settings,\n"
        "database and printers of this application folder. Nothing is numbered or recorded; the\n"
        "code comes from the stored row. KIND is one of:\n"
        "  sample   sample sticker of each sample (printer 1)\n"
        "  result   result sticker of each sample (printer 2)\n"
        "  large    large label of each sample (printer 1)\n"
        "  small    small barcode sticker of each sample (printer 3)\n"
        "  batch    one batch result sticker: one to four different samples of one customer (printer 2)\n"
        "\n"
        "--version prints the package version (the window's title keeps its version text 1.0).\n"
        "\n"
        "Exit status: 0 all printed; 1 start-up or a printer library failed; 2 refused (an\n"
        "unknown or misplaced option, a wrong KIND or count, or a number that is not recorded),\n"
        "nothing printed; 3 some stickers did not reach their printers (one line each on\n"
        "standard error).");
}

int RunCommandLine(const QStringList& arguments, const QString& applicationFolder) {
    const CommandLineRequest request = ParseCommandLine(arguments);
    switch (request.action) {
    case CommandLineRequest::Action::Window: // not asked for here; say how the tool is used
    case CommandLineRequest::Action::Help:
        WriteLine(stdout, CommandLineUsage());
        return ExitPrinted;
    case CommandLineRequest::Action::Version:
        WriteLine(stdout, QStringLiteral("velmora-barcode-tool %1").arg(QLatin1String(PackageVersion)));
        return ExitPrinted;
    case CommandLineRequest::Action::Refused:
        WriteLine(stderr, request.problem + QStringLiteral("\n\n") + CommandLineUsage());
        return ExitRefused;
    case CommandLineRequest::Action::Reprint:
        break;
    }
    return reprint(request, applicationFolder);
}
