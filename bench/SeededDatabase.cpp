#include "SeededDatabase.h"

#include "DbConnection.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <stdexcept>

namespace {

constexpr int FirstCustomer = 100;
constexpr int CustomerCount = 900;

void require(bool ok, const QString& what) {
    if (!ok)
        throw std::runtime_error(what.toStdString());
}

// Distinct eight-digit codes for distinct rows: multiplying by an odd number is a bijection on
// 32 bits, so no code repeats and consecutive rows do not get neighbouring codes.
QString codeOfRow(quint32 row) {
    return QStringLiteral("%1").arg(row * 2654435761u, 8, 16, QLatin1Char('0')).toUpper();
}

void fill(const QString& path, int rowCount) {
    AppSettings settings;
    settings.Database = path.chopped(int(qstrlen(".sqlite")));
    QFile(path).open(QIODevice::WriteOnly); // an empty named file is filled with the tables
    DbConnection db;
    OpenConnection(db, settings, QDir::tempPath());
    // One statement of ours: a large table takes longer than the tool's bound for one of its own.
    db.statementWaitSeconds = 3600;
    RunStatement(db, QStringLiteral("seeding"), [rowCount](QSqlDatabase& database) {
        QSqlQuery query(database);
        // A file built aside needs no log: an interrupted build is thrown away. Desks opening a
        // copy put it into their own mode.
        for (const char* pragma :
             {"PRAGMA journal_mode = OFF", "PRAGMA synchronous = OFF", "PRAGMA cache_size = -1048576"})
            require(query.exec(QString::fromLatin1(pragma)), query.lastError().text());
        require(database.transaction(), database.lastError().text());
        require(query.prepare(QStringLiteral(
                    "INSERT INTO SAMPLE_ORG (CUST_ID, SAMPLE_ID, CODE_ID, TIME_STAMP) VALUES (?,?,?,?)")),
                query.lastError().text());
        const QDateTime stamp(QDate(2024, 3, 1), QTime(8, 0));
        // Round robin over the customers: each gets about rowCount / 900 consecutive numbers.
        for (int row = 0; row < rowCount; ++row) {
            const QString customer = QString::number(FirstCustomer + row % CustomerCount);
            query.bindValue(0, customer);
            query.bindValue(1, customer + QString::number(row / CustomerCount + 1).rightJustified(5, u'0'));
            query.bindValue(2, row % 4 == 0 ? QString() : codeOfRow(quint32(row)));
            query.bindValue(3, stamp.addSecs(row));
            require(query.exec(), query.lastError().text());
        }
        require(database.commit(), database.lastError().text());
    });
    CloseConnection(db);
}

} // namespace

QString SeededDatabase(int rowCount) {
    const QDir cache(QStringLiteral(VELMORA_BENCH_CACHE));
    require(cache.mkpath(QStringLiteral(".")), QStringLiteral("cannot make ") + cache.path());
    const QString path = cache.filePath(QStringLiteral("samples-%1.sqlite").arg(rowCount));
    if (QFile::exists(path))
        return path;

    // Built aside and renamed, so an interrupted run never leaves a half-filled file behind.
    const QString building = cache.filePath(QStringLiteral("building-%1.sqlite").arg(rowCount));
    QFile::remove(building);
    fill(building, rowCount);
    require(QFile::rename(building, path), QStringLiteral("cannot rename ") + building);
    return path;
}
