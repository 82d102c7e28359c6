#pragma once

#include "AppSettings.h"
#include "LabelJob.h"
#include "SlpPrinterApi.h"
#include "StickerOutcome.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>
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

// A sticker's layout: how its printer is opened, and its steps.
struct LaidOutSticker {
    qint32 labelType = kNormalLabel;
    bool openFlag = true;
    qint32 rotation = kAsRead;
    std::vector<StickerStep> steps;
};

// What a layout fills its sticker with.
struct StickerData {
    const AppSettings& settings;
    const LabelJob& job;   // its customer picks the test centre
    QStringList SampleIds; // one, or the four of a batch sticker
    QStringList CodeIds;   // beside them, where the sticker shows codes
};

using StickerLayout = LaidOutSticker (*)(const StickerData&);

// The fill-in lines of the sample and large stickers: the reference and the dates right of the
// barcode at rightX, designation, further information and a free line at lowerX, each on its row
// (the rows and the date lines are the generation's, the rest the sticker's).
struct FillInForm {
    std::array<qint32, 5> rowY;
    qint32 dayLine, dateLine; // underscores after "Blühtag:" and "Probendatum:"
    qint32 rightX, lowerX;
    qint32 designationLine, infoLine, freeLine;
};
// A normal sticker, as read: the barcode steps given, then the fill-in lines in a font of 12.
LaidOutSticker formSticker(std::vector<StickerStep> steps, const FillInForm& form);

// "Smart Label Printer " followed by the setting's model digits, its last three characters.
QString printerName(const QString& printerSetting);

// The sequence every sticker runs: open, sizes, start, rotation, steps, end, fonts released,
// close. An empty printer setting prints nothing and reports nothing; a printer that does not open
// for a setting that names one, a label that does not start (not drawn) and one that SlpEndLabel
// did not deliver are lost, with the library's reason where it gives one. A name given goes to the
// printer with the label, so that it can be found there after a stop.
[[nodiscard]] StickerOutcome printSticker(SlpPrinterApi& api, const QString& printerSetting,
                                          const LaidOutSticker& sticker, const QString& labelName = {});

// One printer library's stickers, drawn with the settings and the job they read.
class StickerRoutines {
public:
    StickerRoutines(SlpPrinterApi& api, const AppSettings& settings, const LabelJob& job)
        : mApi(api), mSettings(settings), mJob(job) {}

    // On the printer of the sticker kind the layout belongs to.
    StickerOutcome print(StickerLayout layout, const QStringList& SampleIds,
                         const QStringList& CodeIds) const;

private:
    SlpPrinterApi& mApi;
    const AppSettings& mSettings;
    const LabelJob& mJob;
};
