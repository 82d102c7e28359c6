#include "CustomerLookup.h"
#include "JobDoubles.h"
#include "MainModule.h"
#include "StartUp.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The private server of scripts/start-test-postgres.sh, named in VELMORA_PG_STATE by CTest.
QString testServerPort(QString* whyNot) {
    QFile state(qEnvironmentVariable("VELMORA_PG_STATE"));
    if (!state.open(QIODevice::ReadOnly)) {
        *whyNot = QStringLiteral("no PostgreSQL test server (run through CTest)");
        return {};
    }
    for (const QByteArray& line : state.readAll().split('\n')) {
        if (line.startsWith("PORT="))
            return QString::fromUtf8(line.mid(5));
        if (line.startsWith("SKIP="))
            *whyNot = QString::fromUtf8(line.mid(5));
    }
    return {};
}

// A desk whose settings file points at the PostgreSQL server through psqlODBC: the same path a
// SQL Server takes through FreeTDS.
TEST(PostgresLabelJob, WholeJobThroughOdbc) {
    QString whyNot;
    const QString port = testServerPort(&whyNot);
    if (port.isEmpty())
        GTEST_SKIP() << whyNot.toStdString();

    QTemporaryDir folder;
    {
        QFile settings(folder.filePath("VO_Vudu.ini"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("SERVER=127.0.0.1," + port.toLatin1() +
                       "\nDATABASE=velmora\nSQLSVR=velmora\nODBCDRIVER=PostgreSQL Unicode\n"
                       "BARCODEPRINTER1=Smart Label Printer 450\nBARCODEPRINTER2=Smart Label Printer 440\n");
    }
    Log log;
    StickerLog printer7x32("7x32", log);
    StickerLog printer62("62", log);
    PauseLog pause(log);
    Boxes boxes;
    MainModule module;
    module.window = [&]() -> JobBoxes& { return boxes; };
    module.printer7x32 = &printer7x32;
    module.printer62 = &printer62;
    module.pause = &pause;
    StartUp(module, folder.path());
    ASSERT_EQ(module.db.backend, DbBackend::PostgreSql);

    QSqlQuery(QStringLiteral("DELETE FROM SAMPLE_ORG WHERE CUST_ID = '705'"), module.db.database());
    QSqlQuery(QStringLiteral("DELETE FROM customer WHERE CUST_ID = '705'"), module.db.database());
    QSqlQuery(QStringLiteral("INSERT INTO customer (CUST_ID, cust_name) VALUES ('705', 'Grünwerk Agrar KG')"),
              module.db.database());
    EXPECT_EQ(LookupCustomerName(module.db, "705"), QString::fromUtf8("Grünwerk Agrar KG"));

    module.job = {"705", 4, FourTests, 1};
    boxes.mText2 = "2";
    RunLabelJob(module);

    QSqlQuery rows(QStringLiteral("SELECT SAMPLE_ID, CODE_ID FROM SAMPLE_ORG WHERE CUST_ID = '705' ORDER BY SAMPLE_ID"),
                   module.db.database());
    QStringList samples;
    while (rows.next()) {
        samples << rows.value(0).toString();
        EXPECT_EQ(rows.value(1).toString().size(), 8);
    }
    EXPECT_EQ(samples, QStringList({"70500001", "70500002", "70500003", "70500004", "70500005", "70500006",
                                    "70500007", "70500008"}));
    EXPECT_EQ(std::count(log.begin(), log.end(), "62 batch 440"), 2);
    EXPECT_EQ(module.job.CustomerId, "0");
    CloseConnection(module.db);
}

} // namespace
