#pragma once

#include <QString>

// Why a sticker did not print. The first values are the printer library's SLP_ERROR_ codes; the
// window words each one for the operator.
enum class StickerCause {
    None = 0,
    NotFound = 1,      // no printer folder and no queue of that name
    NotAccepting = 2,  // the queue refuses jobs
    ServerSilent = 3,  // CUPS could not be reached or did not answer in time
    FolderFull = 4,    // no space left for a file printer's sticker
    WriteFailed = 5,   // the file could not be written
    NoLabelSize = 6,   // no label the printer offers holds the sticker
    AmbiguousName = 7, // two queues answer to the name
    NoDriver = 8,      // a queue without a driver
    DataTooLong = 9,   // a barcode cannot hold its data
    JobUnknown = 10,   // sent, but whether it printed cannot be known
    Refused = 11,      // the printer refused it for another reason
    NotStarted = 50,   // the printer did not start the label
    JobEnded = 51,     // the job ended on an error before the sticker was printed
    NoPrinterSet = 52, // asked for by name, but its printer setting is empty
    Other = 99,
};

// What became of one sticker.
struct StickerOutcome {
    enum class State {
        NoPrinter, // the printer setting is empty: nothing printed, and the job says nothing of it
        Printed,
        Lost,    // the sticker did not reach its printer
        Unknown, // sent, but CUPS stopped answering: it may or may not have printed
    };
    State state = State::NoPrinter;
    QString printer; // the printer's name
    QString reason;  // why not: the library's words, or ours where it has none
    StickerCause cause = StickerCause::None;

    // Not printed for sure, or perhaps not: either way the operator must hear of it.
    bool lost() const { return state == State::Lost || state == State::Unknown; }
};
