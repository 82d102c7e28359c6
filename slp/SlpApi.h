#pragma once

// The C interface of our two label-printer libraries, libSlpApi7x32.so (300 dpi) and
// libslpapi62.so (203 dpi). Texts are NUL-terminated Windows-1252; truth values are -1 and 0;
// coordinates and sizes are printer dots.

#include <cstdint>

#if defined(SLP_BUILDING_LIBRARY)
#define SLP_API extern "C" __attribute__((visibility("default")))
#else
#define SLP_API extern "C"
#endif

// labelType 2: normal label, 4: small barcode label. Returns 0 when the printer cannot be opened:
// SlpGetLastErrorCode says why (no printer of that name, CUPS not answering, two queues of that
// name, a queue without a driver).
SLP_API int32_t SlpOpenPrinter(const char* printerName, int32_t labelType, int32_t flag);
SLP_API int32_t SlpGetLabelWidth(void);
SLP_API int32_t SlpGetLabelHeight(void);
SLP_API int32_t SlpStartLabel(void);              // -1 started, 0 not
SLP_API int32_t SlpSetRotation(int32_t rotation); // 0 as read, 1 label fed turned by 90 degrees
SLP_API int32_t SlpCreateFont(const char* faceName, int32_t pointSize, int32_t attributes);
SLP_API int32_t SlpDrawTextXY(int32_t x, int32_t y, int32_t font, const char* text);
// symbology 4: Code 128 (readable: text under the bars, in faceName at fontSize); 23: QR code.
SLP_API int32_t SlpSetBarCodeStyle(int32_t symbology, int32_t ratio, int32_t mode, int32_t security,
                                   int32_t readable, int32_t fontSize, int32_t attributes,
                                   const char* faceName);
SLP_API int32_t SlpDrawBarCode(int32_t left, int32_t top, int32_t right, int32_t bottom, const char* data);
SLP_API int32_t SlpDrawPicture(int32_t left, int32_t top, int32_t right, int32_t bottom,
                               const char* imagePath);
// -1 when the sticker reached the printer; 0 when it did not (refused, no answer, write failed).
SLP_API int32_t SlpEndLabel(void);
SLP_API int32_t SlpDeleteFont(int32_t font);
SLP_API int32_t SlpClosePrinter(void);

// Why the last SlpOpenPrinter or SlpEndLabel returned 0, in Windows-1252: copied into buffer
// (NUL-terminated, cut to size - 1 bytes) when buffer is not null; returns the reason's full
// length in bytes, 0 when there is none.
SLP_API int32_t SlpGetLastErrorText(char* buffer, int32_t size);

// The kind of failure the last SlpOpenPrinter or SlpEndLabel returned 0 for, so that the caller can
// word it for its own readers; SLP_ERROR_NONE when there was none.
enum : int32_t {
    SLP_ERROR_NONE = 0,
    SLP_ERROR_NOT_FOUND = 1,      // no printer folder and no CUPS queue has the name
    SLP_ERROR_NOT_ACCEPTING = 2,  // the queue refuses jobs
    SLP_ERROR_SERVER_SILENT = 3,  // CUPS could not be reached or did not answer in time
    SLP_ERROR_FOLDER_FULL = 4,    // no space left where the label was to be written
    SLP_ERROR_WRITE_FAILED = 5,   // the label could not be written for another reason
    SLP_ERROR_NO_LABEL_SIZE = 6,  // no label the printer offers holds the sticker
    SLP_ERROR_AMBIGUOUS_NAME = 7, // two queues answer to the name; nothing was sent
    SLP_ERROR_NO_DRIVER = 8,      // the queue has no driver to turn a page into labels
    SLP_ERROR_DATA_TOO_LONG = 9,  // a barcode cannot hold its data
    SLP_ERROR_JOB_UNKNOWN = 10,   // sent, but whether it printed cannot be known
    SLP_ERROR_REFUSED = 11,       // the printer refused the label for another reason
    SLP_ERROR_JOB_FAILED = 12,    // CUPS took the label, and the printer's job ended without it
    SLP_ERROR_JOB_WAITING = 13,   // CUPS took the label, and its job still waits in the printer
    SLP_ERROR_OTHER = 99,
};
SLP_API int32_t SlpGetLastErrorCode(void);

// A new job begins: what was learnt about printers and servers during the last one (queues looked
// up, a server that did not answer) is asked afresh.
SLP_API int32_t SlpBeginJob(void);

// Why CUPS did not answer during this job, in Windows-1252, copied into buffer as
// SlpGetLastErrorText copies its reason; returns its full length, 0 while CUPS has answered.
SLP_API int32_t SlpGetServerSilence(char* buffer, int32_t size);
// The other printer library found CUPS silent during this job, for the reason given
// (Windows-1252): this one does not wait for it either until the next job begins.
SLP_API int32_t SlpSetServerSilence(const char* reason);

// The CUPS job carrying the label of the last SlpEndLabel that returned -1; 0 when that printer is
// not a CUPS queue.
SLP_API int32_t SlpGetLastJobId(void);

// What became of a CUPS job: printed only when the printer finished it.
enum : int32_t {
    SLP_JOB_PRINTED = 1, // completed
    SLP_JOB_LOST = 2,    // aborted or canceled: it did not print
    SLP_JOB_WAITING = 3, // still pending, held or processing when the wait ended
    SLP_JOB_UNKNOWN = 4, // CUPS did not say
};
// Asks CUPS for the jobs given (of either library) until none waits any more or waitMilliseconds
// have passed, and writes one SLP_JOB_ code per job into states. Returns -1.
SLP_API int32_t SlpGetJobStates(const int32_t* jobIds, int32_t count, int32_t waitMilliseconds,
                                int32_t* states);
// Why a job of the last SlpGetJobStates did not print, copied out as SlpGetLastErrorText copies.
SLP_API int32_t SlpGetJobReason(int32_t jobId, char* buffer, int32_t size);

// Names the next label (Windows-1252, at most 200 bytes), so that it can be found again after the
// desk stopped: the CUPS job carries the name, the file printer's PNG a tEXt chunk "Label" with it.
// Applies to the next SlpStartLabel only. Returns -1, 0 for a name too long or empty.
SLP_API int32_t SlpNameLabel(const char* labelName);

// Looks on the printer for the newest label of each name given and writes one SLP_JOB_ code per name
// into states: PRINTED where the printer finished it (a file printer's file is there), LOST where it
// surely did not print (no such file; a CUPS job aborted or canceled; no CUPS job of that name where
// the queue's history holds a finished job created before notBefore[i]), WAITING where CUPS still
// holds it, UNKNOWN where that cannot be told. notBefore[i]: seconds since 1970 (the caller's
// clock) just before the label could have been sent; 0 when not known. Waits at most
// waitMilliseconds in all, besides finding the printer, which heeds what CUPS said since
// SlpBeginJob as a label does. Returns -1; 0 when the printer was not found (every state UNKNOWN).
// SlpGetLastErrorText then says why any name was not settled.
SLP_API int32_t SlpFindLabels(const char* printerName, const char* const* labelNames,
                              const int64_t* notBefore, int32_t count, int32_t waitMilliseconds,
                              int32_t* states);
