// One packing desk's numbering without the window: draws, checks and records the given number
// of labels for one customer, each label in its own numbering transaction.
//   velmora_numbering_worker <server> <database> <sqlsvr> <odbcdriver> <application folder> <customer>
//   <labels>
#include "AppError.h"
#include "DbConnection.h"
#include "NumberingTransaction.h"
#include "SampleNumbers.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 8) {
        std::fputs(
            "usage: velmora_numbering_worker server database sqlsvr odbcdriver appdir customer labels\n",
            stderr);
        return 2;
    }
    AppSettings settings;
    settings.Server = args.at(1);
    settings.Database = args.at(2);
    settings.SqlSvr = args.at(3);
    settings.OdbcDriver = args.at(4);
    LabelJob job;
    job.CustomerId = args.at(6);
    const int labels = args.at(7).toInt();

    DbConnection db;
    try {
        OpenConnection(db, settings, args.at(5));
        for (int i = 0; i < labels; ++i) {
            NumberingTransaction transaction(db, job.CustomerId);
            const QString sampleId = NextSampleId(db, job);
            RecordNewSample(db, job, sampleId);
            transaction.commit();
        }
    } catch (const AppError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.description()));
        CloseConnection(db);
        return 1;
    }
    CloseConnection(db);
    return 0;
}
