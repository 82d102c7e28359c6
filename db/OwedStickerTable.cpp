#include "OwedStickerTable.h"

#include "AppError.h"
#include "DbCommand.h"
#include "RecordSet.h"

#include <QDateTime>
#include <QSysInfo>

namespace {

// The time a row was written: a date type where the server has one, the text SQLite keeps.
QDateTime writtenAt(const QVariant& field) {
    if (field.typeId() == QMetaType::QDateTime)
        return field.toDateTime();
    QDateTime time = QDateTime::fromString(field.toString().trimmed(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return time.isValid() ? time : QDateTime::fromString(field.toString().trimmed(), Qt::ISODate);
}

} // namespace

QString DeskName(const QString& applicationFolder) {
    return QSysInfo::machineHostName() + QLatin1Char(':') + applicationFolder;
}

void WriteOwedSticker(const DbConnection& db, const QString& desk, const OwedStickerRow& row, bool replace) {
    const QString first = row.SampleIds.value(0);
    // Delete and insert: the desks' login may not update.
    if (replace)
        ClearOwedSticker(db, desk, row.sticker, first);
    ExecuteCommand(db,
                   QStringLiteral("INSERT INTO OWED_STICKER (DESK, STICKER, SAMPLE_ID, SAMPLE_IDS, STATE, "
                                  "TIME_STAMP) VALUES (?,?,?,?,?,?)"),
                   {desk, row.sticker, first, row.SampleIds.join(u' '), QString::number(int(row.state)),
                    QDateTime::currentDateTime()});
}

void ClearOwedSticker(const DbConnection& db, const QString& desk, const QString& sticker,
                      const QString& firstSampleId) {
    ExecuteCommand(
        db, QStringLiteral("DELETE FROM OWED_STICKER WHERE DESK = ? AND STICKER = ? AND SAMPLE_ID = ?"),
        {desk, sticker, firstSampleId});
}

std::vector<OwedStickerRow> ReadOwedStickers(const DbConnection& db, const QString& desk) {
    RecordSet rows(
        db,
        QStringLiteral("SELECT STICKER, SAMPLE_IDS, STATE, TIME_STAMP FROM OWED_STICKER WHERE DESK = ? "
                       "ORDER BY TIME_STAMP, SAMPLE_ID"),
        {desk});
    std::vector<OwedStickerRow> owed;
    for (; !rows.eof(); rows.moveNext()) {
        const int state = rows.field(QStringLiteral("STATE")).toString().trimmed().toInt();
        owed.push_back({rows.field(QStringLiteral("STICKER")).toString().trimmed(),
                        rows.field(QStringLiteral("SAMPLE_IDS")).toString().split(u' ', Qt::SkipEmptyParts),
                        state == 0   ? OwedStickerRow::State::Owed
                        : state == 1 ? OwedStickerRow::State::Maybe
                                     : OwedStickerRow::State::Sending,
                        writtenAt(rows.field(QStringLiteral("TIME_STAMP")))});
    }
    return owed;
}

void CheckOwedStickerTable(const DbConnection& db) {
    if (db.backend == DbBackend::Sqlite)
        return; // the embedded database gains it when opened
    try {
        RecordSet probe(db, QStringLiteral("SELECT STICKER FROM OWED_STICKER WHERE 1 = 0"));
    } catch (const AppError& error) {
        const QString script = db.backend == DbBackend::PostgreSql ? QStringLiteral("schema/postgresql.sql")
                                                                   : QStringLiteral("schema/sqlserver.sql");
        throw AppError(
            QStringLiteral("The database has no table OWED_STICKER (or the login may not read it), "
                           "where each desk keeps the stickers it still owes. Run the part of %1 "
                           "that creates OWED_STICKER and grants SELECT, INSERT, DELETE on it to "
                           "velmora. Nothing was recorded. The server said: %2")
                .arg(script, error.description()));
    }
}
