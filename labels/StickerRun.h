#pragma once

#include "SlpPrinterApi.h"
#include "StickerOutcome.h"

#include <QString>
#include <QtGlobal>
#include <vector>

// Label-type codes and rotations the stickers open their printers with.
inline constexpr qint32 kNormalLabel = 2;
inline constexpr qint32 kSmallBarcodeLabel = 4;
inline constexpr qint32 kAsRead = 0;
inline constexpr qint32 kTurned = 1; // label fed turned by 90 degrees

// One drawing step of a sticker's layout. Positions are printer dots: a text at (left, top), a
// barcode or picture in the rectangle left, top, right, bottom.
struct StickerStep {
    enum class Call { CreateFont, Text, NumberBarcode, QrBarcode, Picture };

    Call call;
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;
    qint32 fontSize = 0; // CreateFont: the size created; Text: the size of the font drawn with
    QString content;     // text, barcode data or picture path
};

StickerStep createFont(qint32 size);
StickerStep text(qint32 x, qint32 y, qint32 fontSize, const QString& text);
StickerStep numberBarcode(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& data);
StickerStep qrBarcode(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& data);
StickerStep picture(qint32 left, qint32 top, qint32 right, qint32 bottom, const QString& path);

// What one sticker routine contributes: its printer, how the printer is opened, and its steps.
struct Sticker {
    QString printerSetting; // BarcodePrinter1..3
    qint32 labelType = kNormalLabel;
    bool openFlag = true;
    qint32 rotation = kAsRead;
    std::vector<StickerStep> steps;
};

// "Smart Label Printer " followed by the setting's model digits, its last three characters.
QString printerName(const QString& printerSetting);

// The sequence every sticker runs: open, sizes, start, rotation, steps, end, fonts released,
// close. An empty printer setting prints nothing and reports nothing; a printer that does not open
// for a setting that names one, a label that does not start (not drawn) and one that SlpEndLabel
// did not deliver are lost, with the library's reason where it gives one.
[[nodiscard]] StickerOutcome printSticker(SlpPrinterApi& api, const Sticker& sticker);
