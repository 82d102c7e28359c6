#pragma once

#include "SlpApi.h"

#include <QString>

// Why a sticker did not print. The printer library's kinds are its SLP_ERROR_ codes, taken from
// its C interface; the tool's own follow. The window words each one for the operator.
enum class StickerCause {
    None = SLP_ERROR_NONE,
    NotFound = SLP_ERROR_NOT_FOUND,
    NotAccepting = SLP_ERROR_NOT_ACCEPTING,
    ServerSilent = SLP_ERROR_SERVER_SILENT,
    FolderFull = SLP_ERROR_FOLDER_FULL,
    WriteFailed = SLP_ERROR_WRITE_FAILED,
    NoLabelSize = SLP_ERROR_NO_LABEL_SIZE,
    AmbiguousName = SLP_ERROR_AMBIGUOUS_NAME,
    NoDriver = SLP_ERROR_NO_DRIVER,
    DataTooLong = SLP_ERROR_DATA_TOO_LONG,
    JobUnknown = SLP_ERROR_JOB_UNKNOWN,
    Refused = SLP_ERROR_REFUSED,
    JobFailed = SLP_ERROR_JOB_FAILED,
    JobWaiting = SLP_ERROR_JOB_WAITING,
    NotStarted = 50,   // the printer did not start the label
    JobEnded = 51,     // the job ended on an error before the sticker was printed
    NoPrinterSet = 52, // asked for by name, but its printer setting is empty
    Other = SLP_ERROR_OTHER,
};

// What became of one sticker.
struct StickerOutcome {
    enum class State {
        NoPrinter, // the printer setting is empty: nothing printed, and the job says nothing of it
        Printed,
        Lost,    // the sticker did not reach its printer
        Unknown, // sent, but CUPS stopped answering: it may or may not have printed
        Waiting, // CUPS holds its job: not printed until the printer goes on, so never printed again
    };
    State state = State::NoPrinter;
    QString printer; // the printer's name
    QString reason;  // why not: the library's words, or ours where it has none
    StickerCause cause = StickerCause::None;
    qint32 cupsJob = 0; // the CUPS job that carries a sticker counted printed: printed once it completes

    // Not printed for sure, or perhaps not: either way the operator must hear of it.
    bool lost() const { return state != State::NoPrinter && state != State::Printed; }
};
