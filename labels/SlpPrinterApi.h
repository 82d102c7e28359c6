#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

// What the two printer libraries share during one job: each is a copy of its own, so what one
// learns of CUPS reaches the other only through the tool. BeginPrinterJob hands both the same one.
struct SlpJobShare {
    QString silentServer; // why CUPS did not answer during the job; empty while it has
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
    // At start-up: throws AppError naming the library when it is missing, damaged or lacks a
    // function the tool calls. Loads it in a child process only.
    virtual void SlpCheckLibrary() {}
};
