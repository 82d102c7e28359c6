#include "DeskMark.h"

#include "AppError.h"
#include "RecordSet.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

const QByteArray kHeader = "velmora-barcode-tool desk mark 1";

// The operator reads the German words in the window; the administrator the English ones.
[[noreturn]] void stop(const QString& german, const QString& english) {
    std::fprintf(stderr, "%s\n", qPrintable(english));
    std::fflush(stderr);
    throw AppError(german);
}

} // namespace

QString DeskMarkPath(const QString& databasePath) {
    return databasePath + QStringLiteral(".desk");
}

DeskMark ReadDeskMark(const QString& databasePath) {
    DeskMark mark{DeskMarkPath(databasePath), {}};
    QFile file(mark.path);
    if (!file.exists())
        return mark;
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("The desk mark %1 cannot be read: %2").arg(mark.path, file.errorString()));
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.value(0) != kHeader)
        throw AppError(QStringLiteral("%1 is not a desk mark of this tool").arg(mark.path));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split(' ');
        if (fields.size() == 2)
            mark.issued.insert(QString::fromLatin1(fields[0]), QString::fromLatin1(fields[1]));
    }
    return mark;
}

void WriteDeskMark(const DeskMark& mark) {
    QByteArray text = kHeader + '\n';
    for (auto it = mark.issued.cbegin(); it != mark.issued.cend(); ++it)
        text += it.key().toLatin1() + ' ' + it.value().toLatin1() + '\n';
    // Written beside and renamed over the old one: a stop never leaves half a mark.
    const QString temporary = mark.path + QStringLiteral(".new");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() ||
        !file.flush())
        throw AppError(
            QStringLiteral("The desk mark %1 cannot be written: %2").arg(temporary, file.errorString()));
    file.close();
    // Whoever may use the database may keep its mark.
    const QString database = mark.path.chopped(5);
    if (QFileInfo::exists(database))
        file.setPermissions(QFile::permissions(database));
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(mark.path).constData()) != 0)
        throw AppError(QStringLiteral("The desk mark %1 cannot be written: %2")
                           .arg(mark.path, QString::fromLocal8Bit(std::strerror(errno))));
}

QMap<QString, QString> HighestSampleIds(const DbConnection& db) {
    static const QRegularExpression ownForm(QStringLiteral("^[0-9]{8}$"));
    QMap<QString, QString> highest;
    RecordSet rows(db, QStringLiteral("SELECT CUST_ID, max(SAMPLE_ID) AS HIGHEST FROM SAMPLE_ORG "
                                      "WHERE SAMPLE_ID LIKE CUST_ID || '_____' GROUP BY CUST_ID"));
    for (; !rows.eof(); rows.moveNext()) {
        const QString customer = rows.field(QStringLiteral("CUST_ID")).toString();
        const QString sample = rows.field(QStringLiteral("HIGHEST")).toString();
        if (ownForm.match(sample).hasMatch())
            highest.insert(customer, sample);
    }
    return highest;
}

DeskMark CheckDeskMark(const DbConnection& db, const QString& databasePath) {
    DeskMark mark = ReadDeskMark(databasePath);
    const QMap<QString, QString> recorded = HighestSampleIds(db);
    for (auto it = mark.issued.cbegin(); it != mark.issued.cend(); ++it) {
        const QString inDatabase = recorded.value(it.key());
        if (inDatabase >= it.value())
            continue;
        const QString shown = inDatabase.isEmpty() ? QStringLiteral("none") : inDatabase;
        stop(QStringLiteral("Die Datenbank %1 ist älter als dieser Arbeitsplatz: für Kunde %2 ist die "
                            "höchste Proben-Nr. dort %3, ausgegeben wurde schon %4. Es würden Nummern "
                            "doppelt vergeben. Bitte den Administrator verständigen.")
                 .arg(databasePath, it.key(), inDatabase.isEmpty() ? QStringLiteral("keine") : inDatabase,
                      it.value()),
             QStringLiteral(
                 "The database %1 is behind this desk: customer %2's highest sample number there is "
                 "%3, but this desk has already issued %4 (desk mark %5). A backup put back, or "
                 "an older copy? Numbering on would issue numbers a second time. See the README, "
                 "section \"Backing up and restoring\", for how to carry on. Nothing was recorded.")
                 .arg(databasePath, it.key(), shown, it.value(), mark.path));
    }
    for (auto it = recorded.cbegin(); it != recorded.cend(); ++it)
        if (mark.issued.value(it.key()) < it.value())
            mark.issued.insert(it.key(), it.value());
    WriteDeskMark(mark);
    return mark;
}

void CheckEmbeddedFile(const DbConnection& db) {
    if (db.backend != DbBackend::Sqlite || db.embeddedFile.isEmpty())
        return;
    struct stat now {};
    const bool there = ::stat(QFile::encodeName(db.embeddedFile).constData(), &now) == 0;
    if (there && quint64(now.st_dev) == db.embeddedDevice && quint64(now.st_ino) == db.embeddedInode)
        return;
    throw AppError(QStringLiteral("The database file %1 was %2 while the tool had it open. Numbering on "
                                  "would issue sample numbers again; put the database back and start again.")
                       .arg(db.embeddedFile, there ? QStringLiteral("replaced") : QStringLiteral("deleted")));
}
