#pragma once

#include "StickerOutcome.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <memory>
#include <vector>

// What the two printer libraries share during one job: each is a copy of its own, so what one
// learns of CUPS reaches the other only through the tool. BeginPrinterJob hands both the same one.
struct SlpJobShare {
    QString silentServer; // why CUPS did not answer during the job; empty while it has
    // A sticker CUPS took during the job: printed only once its CUPS job completes.
    struct Sent {
        QStringList SampleIds;
        QString sticker;
        StickerOutcome outcome; // outcome.cupsJob names its job
    };
    std::vector<Sent> sent;
};

// What became of one CUPS job: one of the libraries' SLP_JOB_ codes and, when not printed, why.
struct SlpJobState {
    qint32 state = SLP_JOB_PRINTED;
    QString reason;
};

// The label-printer operations the sticker layouts call. SlpLibrary binds them to one of our
// printer libraries; tests put a recording implementation in its place. Texts are converted to
// Windows-1252 by the binding, truth values travel as -1 and 0.
class SlpPrinterApi {
public:
    virtual ~SlpPrinterApi() = default;

    // labelType: 2 normal labels, 4 small barcode labels. Returns 0 when not opened.
    virtual qint32 SlpOpenPrinter(const QString& printerName, qint32 labelType, bool flag) = 0;
    virtual qint32 SlpGetLabelWidth() = 0;
    virtual qint32 SlpGetLabelHeight() = 0;
    virtual bool SlpStartLabel() = 0;
    virtual void SlpSetRotation(qint32 rotation) = 0;
    virtual qint32 SlpCreateFont(const QString& faceName, qint32 size, qint32 attributes) = 0;
    virtual void SlpDrawTextXY(qint32 x, qint32 y, qint32 font, const QString& text) = 0;
    virtual void SlpSetBarCodeStyle(qint32 symbology, qint32 ratio, qint32 mode, qint32 security,
                                    bool readable, qint32 fontSize, qint32 attributes,
                                    const QString& faceName) = 0;
    virtual void SlpDrawBarCode(qint32 left, qint32 top, qint32 right, qint32 bottom,
                                const QString& data) = 0;
    virtual void SlpDrawPicture(qint32 left, qint32 top, qint32 right, qint32 bottom,
                                const QString& path) = 0;
    // False when the sticker did not reach the printer; SlpLastErrorText then says why.
    virtual bool SlpEndLabel() = 0;
    virtual void SlpDeleteFont(qint32 font) = 0;
    virtual void SlpClosePrinter() = 0;

    // Why the last SlpOpenPrinter or SlpEndLabel failed; empty when the library does not say.
    virtual QString SlpLastErrorText() { return {}; }
    // The kind of that failure, one of the library's SLP_ERROR_ codes; 0 when it does not say.
    virtual qint32 SlpLastErrorCode() { return 0; }
    // A job begins: the library asks its printers and servers afresh, and tells share what it
    // finds of them and heeds what the other library told it, so that the job waits once.
    virtual void SlpBeginJob(std::shared_ptr<SlpJobShare> /*share*/) {}
    // The CUPS job that carries the sticker of the last SlpEndLabel that returned true; 0 when
    // that printer is not a CUPS queue.
    virtual qint32 SlpLastJobId() { return 0; }
    // Asks CUPS, waiting at most waitMilliseconds in all, what became of the jobs given.
    virtual std::vector<SlpJobState> SlpJobStates(const std::vector<qint32>& jobIds,
                                                  qint32 /*waitMilliseconds*/) {
        return std::vector<SlpJobState>(jobIds.size());
    }
    // Names the next label on its printer (a CUPS job's name, a text in the file printer's PNG),
    // so that SlpFindLabels can find it after a stop.
    virtual void SlpNameLabel(const QString& /*labelName*/) {}
    // Looks on the printer for the newest label of each name, waiting at most waitMilliseconds in
    // all: one SLP_JOB_ code per name (LOST: surely not printed). notBefore: seconds since 1970,
    // just before each could have been sent. whyNot: why a name was not settled. Like a job's
    // labels, the looks after one SlpBeginJob wait once for a CUPS that does not answer.
    virtual std::vector<qint32> SlpFindLabels(const QString& /*printerName*/, const QStringList& labelNames,
                                              const std::vector<qint64>& /*notBefore*/,
                                              qint32 /*waitMilliseconds*/, QString& /*whyNot*/) {
        return std::vector<qint32>(size_t(labelNames.size()), SLP_JOB_UNKNOWN);
    }
    // At start-up: throws AppError naming the library when it is missing, damaged or lacks a
    // function the tool calls. Loads it in a child process only.
    virtual void SlpCheckLibrary() {}
};
