#include "AppError.h"
#include "JobErrorText.h"
#include "JobRequest.h"
#include "LostStickers.h"
#include "MainModule.h"
#include "NumberText.h"
#include "NumberingTransaction.h"
#include "OwedStickers.h"
#include "SampleNumbers.h"
#include "StatementThread.h"
#include "StickerPrinter.h"
#include "SystemLog.h"

#include <QScopeGuard>

namespace {

constexpr int MaxLabelsPerPass = 99;

// Number, code and row of one label in one transaction, so that no other desk draws the same
// number or code before this row is recorded. SampleId holds the number as soon as it is drawn.
QString numberAndRecord(const DbConnection& db, const LabelJob& job, QString& SampleId) {
    NumberingTransaction transaction(db);
    SampleId = NextSampleId(db, job);
    const QString CodeId = job.Kind > 0 ? NewCodeId(db) : QString();
    RecordSample(db, job, SampleId, CodeId);
    transaction.commit();
    return CodeId;
}

// The count box's number where the repeat rule applies; one pass otherwise.
qint16 repeatCount(const LabelJob& job, const QString& text2) {
    return RepeatRuleApplies(job.CustomerId, text2) ? ToInteger16(text2.trimmed()) : qint16(1);
}

// The first `count` of a pass's numbers or codes, empty where the pass had fewer labels.
QStringList firstOf(QStringList items, int count) {
    items.resize(count);
    return items;
}

// What the job is doing and owes while it prints one label's or one pass's stickers.
struct JobPrinting {
    StickerPrinter& stickers;
    OwedStickers& owed;
    JobReport& report;

    // A lost sticker is told at once and kept for the window; the job itself goes on.
    void print(const std::vector<const StickerKind*>& kinds, const QStringList& SampleIds,
               const QStringList& CodeIds) {
        for (const StickerKind* kind : kinds) {
            NoteSticker(report.lostStickers, SampleIds, kind->name,
                        stickers.print(*kind, SampleIds, CodeIds));
            owed.settle(*kind, SampleIds);
        }
        if (!kinds.empty())
            stickers.pauseAfter(*kinds.back());
    }
};

// The job ended on an error: what it still owes, one lost line each where a printer is set.
void noteUnprinted(JobReport& report, const OwedStickers& owed, const AppSettings& settings) {
    for (const OwedStickers::Owed& sticker : owed.owed()) {
        const QString printerSetting = settings.*sticker.kind->printer;
        if (!printerSetting.isEmpty())
            NoteSticker(report.lostStickers, sticker.SampleIds, sticker.kind->name,
                        {StickerOutcome::State::Lost, printerName(printerSetting),
                         QStringLiteral("the job ended on an error before it was printed"),
                         StickerCause::JobEnded});
    }
}

QString description(const std::exception& failure) {
    const auto* appError = dynamic_cast<const AppError*>(&failure);
    return appError ? appError->description() : QString::fromLocal8Bit(failure.what());
}

QString errorText(const std::exception& failure, const QString& inHand, const QString& lastRecorded) {
    QString text = description(failure);
    if (!inHand.isEmpty())
        text += QStringLiteral(" Sample in hand: %1.").arg(inHand);
    if (lastRecorded.isEmpty())
        text += QStringLiteral(" No sample was recorded.");
    else if (inHand != lastRecorded)
        text += QStringLiteral(" Last sample recorded: %1.").arg(lastRecorded);
    return text;
}

} // namespace

JobReport RunLabelJob(MainModule& module, const StopRequest& stop) {
    JobReport report;
    LabelJob& job = module.job;
    OwedStickers owed;
    QString inHand; // the number drawn for the label in hand, before and after its row
    const QScopeGuard forgetStop([&module] { module.db.stopRequest = nullptr; });
    try {
        StickerPrinter stickers(module, job);
        stickers.uses7x32(); // a printer 1 without a series ends the job before anything is drawn
        job.RepeatCount = repeatCount(job, module.window().text2());
        ReopenWhenLost(module.db);
        BeginPrinterJob(module);
        JobPrinting printing{stickers, owed, report};
        const std::vector<const StickerKind*> labelStickers = StickersOfJob(job.Kind, false);
        const std::vector<const StickerKind*> passStickers = StickersOfJob(job.Kind, true);
        const int total = std::max(0, int(job.RepeatCount)) * std::max(0, int(job.LabelCount));
        for (int pass = 1, labelsDone = 0; pass <= job.RepeatCount; ++pass) {
            QStringList passSamples, passCodes; // for its batch sticker
            for (int i = 1; i <= job.LabelCount; ++i) {
                if (i > MaxLabelsPerPass)
                    throw AppError(QStringLiteral("Subscript out of range"));
                if (module.progress)
                    module.progress(++labelsDone, total);
                // A statement that does not end is given up when the window is closed during its
                // label; a close asked for before the label began lets it finish.
                module.db.stopRequest = stop.requested() ? nullptr : &stop;
                const QString CodeId = numberAndRecord(module.db, job, inHand);
                report.lastRecorded = inHand;
                passSamples << inHand;
                passCodes << CodeId;
                owed.add(inHand, labelStickers);
                owed.add(inHand, passStickers);
                printing.print(labelStickers, {inHand}, {CodeId});
                inHand.clear();
                // A four-test kit is one unit: its batch sticker lists all four, so a stop waits
                // for the end of the pass.
                if (passStickers.empty() && (report.stopped = stop.requested()))
                    return report;
            }
            for (const StickerKind* kind : passStickers)
                printing.print({kind}, firstOf(passSamples, kind->samples),
                               firstOf(passCodes, kind->samples));
            if (!passStickers.empty() && (report.stopped = stop.requested()))
                return report;
        }
        ResetLabelJob(module);
    } catch (const ClosedWhileWaiting& closed) {
        // Closed while the database kept the job waiting: it stops, naming what it still owes.
        TellAdministrator(closed.description());
        report.stopped = true;
        noteUnprinted(report, owed, module.settings);
    } catch (const std::exception& failure) {
        // The job ends here; what it recorded stays, and what it owes is named.
        report.error = errorText(failure, inHand, report.lastRecorded);
        report.germanError = JobErrorText(description(failure), inHand, report.lastRecorded);
        report.stopped = stop.requested();
        noteUnprinted(report, owed, module.settings);
    }
    return report;
}
