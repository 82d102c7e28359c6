#pragma once

#include "DbConnection.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// Stickers a desk owes for recorded samples, kept in the table OWED_STICKER beside SAMPLE_ORG and
// written in the same transaction as the rows, so that a desk stopped at any moment finds them at
// its next start. A sticker is one row, keyed by the desk, its kind and its first sample.
struct OwedStickerRow {
    enum class State {
        Owed = 0,    // not printed: never sent, or told as lost
        Maybe = 1,   // sent, and whether it printed could not be told
        Sending = 2, // about to be sent when its outcome was last written
    };
    QString sticker;       // STICKER: the kind's keyword, "sample", "batch", ...
    QStringList SampleIds; // SAMPLE_IDS: the samples it names, first one also in SAMPLE_ID
    State state = State::Owed;
    QDateTime written; // TIME_STAMP, local time: when the row was last written; invalid if unreadable
};

// The desk's name in OWED_STICKER: host and application folder, so that desks sharing a server (or a
// file) each see only what they owe.
QString DeskName(const QString& applicationFolder);

// Replaces the desk's row of this sticker (or adds it); a sticker never written before (replace
// false) is only added.
void WriteOwedSticker(const DbConnection& db, const QString& desk, const OwedStickerRow& row,
                      bool replace = true);

// The desk owes this sticker no more: printed, or given up by the operator.
void ClearOwedSticker(const DbConnection& db, const QString& desk, const QString& sticker,
                      const QString& firstSampleId);

// What the desk owes, oldest first.
std::vector<OwedStickerRow> ReadOwedStickers(const DbConnection& db, const QString& desk);

// A server whose database lacks the table (an older schema) is refused with the script to run:
// the tool never creates a server's tables. Throws AppError.
void CheckOwedStickerTable(const DbConnection& db);
