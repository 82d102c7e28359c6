#pragma once

#include "DbConnection.h"

#include <QMap>
#include <QString>

// A small file beside an embedded database (<file>.desk): that this desk has used the database, and
// the last sample number it issued per customer. A database deleted, or an older copy put back,
// would otherwise number again from where it stands.
struct DeskMark {
    QString path;                  // empty on a server: nothing is kept beside it
    QMap<QString, QString> issued; // customer -> last sample number issued here
};

QString DeskMarkPath(const QString& databasePath);

// The mark beside a database; an empty map where there is none. Throws AppError when it cannot be
// read or is not a mark.
DeskMark ReadDeskMark(const QString& databasePath);

// Writes the mark whole in place of the old one, without waiting for the disk: it only has to be
// ahead of any backup. Throws AppError with the system's text.
void WriteDeskMark(const DeskMark& mark);

// Each customer's highest recorded number of its own form (customer number and five digits).
QMap<QString, QString> HighestSampleIds(const DbConnection& db);

// At start-up on an embedded database: a database whose numbers are behind the mark stops start-up
// (German for the operator in the error, English for the administrator on standard error); otherwise
// the mark is brought up to the database and written. Throws AppError.
DeskMark CheckDeskMark(const DbConnection& db, const QString& databasePath);

// A database file that is no longer the one opened (deleted, or another copied over it) ends what
// is being done: numbering on would issue numbers again. Throws AppError.
void CheckEmbeddedFile(const DbConnection& db);
