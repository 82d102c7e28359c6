#pragma once

#include "AppSettings.h"
#include "StickerRun.h"

#include <QString>
#include <QtGlobal>
#include <vector>

// One sticker the tool prints, with all that the job, the reprint and the lost-sticker wording
// know of it.
struct StickerKind {
    QString name;                  // English, in the lost-sticker lines: "sample sticker"
    QString germanName;            // the operator's: "Probenetikett"
    QString keyword;               // --reprint KIND and the reprint dialog's choice
    QString AppSettings::*printer; // BarcodePrinter1..3
    StickerLayout layout7x32;      // none where libSlpApi7x32 does not print it
    StickerLayout layout62;        // where both libraries do, printer 1's series picks
    int samples;                   // samples it names: one, or a four-test kit's four
    bool showsCode;                // a reprint needs each sample's stored test code
    int pause;                     // ms the printers are given after it
    std::vector<qint16> jobKinds;  // LabelJob.Kind values that print it: per label, or per pass
                                   // where it names several samples
};

// Every sticker, in the order a label prints them and the reprint dialog offers them.
const std::vector<StickerKind>& StickerKinds();

// nullptr when no sticker has that name, keyword or layout.
const StickerKind* StickerKindNamed(const QString& name);
const StickerKind* StickerKindOfKeyword(const QString& keyword);
const StickerKind* StickerKindOfLayout(StickerLayout layout);

// The name a sticker carries on its printer, "Velmora sample 70100001": its kind and its first
// sample, which no other sticker of any desk shares (a reprint shares it with the sticker itself).
QString StickerLabelName(const StickerKind& kind, const QString& firstSampleId);

// The stickers a job of this kind prints for each label, or once at the end of each pass.
std::vector<const StickerKind*> StickersOfJob(qint16 jobKind, bool perPass);
