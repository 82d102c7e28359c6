#include "AppError.h"
#include "DeskMark.h"
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
#include "StoredSample.h"
#include "SystemLog.h"

#include <QScopeGuard>
#include <optional>

namespace {

constexpr int MaxLabelsPerPass = 99;

// The database never said whether the label in hand was committed, and cannot be asked now.
class SampleInDoubt : public AppError {
public:
    using AppError::AppError;
};

// Whether the sample is recorded, asked once the database answers again; nothing while it does not.
std::optional<bool> recordedAfterAll(const DbConnection& db, const QString& SampleId) {
    if (db.statements && db.statements->stuck())
        return std::nullopt;
    try {
        return FindStoredSample(db, SampleId).has_value();
    } catch (const AppError&) {
        return std::nullopt;
    }
}

// Number, code, row and owed stickers of one label in one transaction, so that no other desk draws
// the same number or code before this row is recorded, and no row is without what it is owed. The
// outcomes of the stickers printed since the last transaction ride along. SampleId holds the number
// as soon as it is drawn.
QString numberAndRecord(MainModule& module, const LabelJob& job, QString& SampleId, OwedStickers& owed,
                        const std::vector<const StickerKind*>& kinds, bool lastOfPass) {
    const DbConnection& db = module.db;
    CheckEmbeddedFile(db);
    const OwedStickers before = owed;
    try {
        const QString desk = DeskName(module.applicationFolder);
        NumberingTransaction transaction(db, job.CustomerId, [&] { owed.write(db, desk); });
        SampleId = NextSampleId(db, job);
        QString CodeId;
        if (job.Kind > 0)
            CodeId = RecordNewSample(db, job, SampleId);
        else
            RecordSample(db, job, SampleId, CodeId);
        owed.add(SampleId, kinds, lastOfPass);
        owed.write(db, desk);
        try {
            transaction.commit();
        } catch (const CommitInDoubt& doubt) {
            const std::optional<bool> recorded = recordedAfterAll(db, SampleId);
            if (!recorded)
                throw SampleInDoubt(doubt.description());
            if (!*recorded)
                throw;
            TellAdministrator(
                QStringLiteral("Sample %1 was recorded after all: %2").arg(SampleId, doubt.description()));
        }
        owed.written();
        return CodeId;
    } catch (...) {
        owed = before;
        throw;
    }
}

// The last number issued goes beside the embedded database before its sticker is printed.
void markIssued(MainModule& module, const LabelJob& job, const QString& SampleId) {
    DeskMark& mark = module.deskMark;
    if (mark.path.isEmpty() || mark.issued.value(job.CustomerId) >= SampleId)
        return;
    mark.issued.insert(job.CustomerId, SampleId);
    try {
        WriteDeskMark(mark);
    } catch (const AppError& error) {
        TellAdministrator(error.description());
    }
}

// What the job printed since its last transaction, written once it ends: printed stickers owed no
// more, lost ones still owed. Where this fails, the next start shows them as perhaps printed.
void writeOutcomes(MainModule& module, OwedStickers& owed) {
    if (!owed.anyChanged())
        return;
    try {
        NumberingTransaction transaction(module.db, module.job.CustomerId);
        owed.write(module.db, DeskName(module.applicationFolder));
        transaction.commit();
        owed.written();
    } catch (const AppError& error) {
        TellAdministrator(
            QStringLiteral("What the job printed last could not be written to OWED_STICKER; the "
                           "next start shows those stickers as perhaps printed: %1")
                .arg(error.description()));
    }
}

// Printed is the printer's word: once CUPS has said what became of the stickers it took, the
// owed rows follow it, and then what the job printed is written.
void finishPrinting(MainModule& module, JobReport& report, OwedStickers& owed) {
    const qsizetype toldBefore = report.lostStickers.size();
    SettlePrinterJobs(module, report.lostStickers, [&owed](const SlpJobShare::Sent& sent) {
        StickerOutcome printed;
        printed.state = StickerOutcome::State::Printed;
        if (const StickerKind* kind = StickerKindNamed(sent.sticker))
            owed.settle(*kind, sent.SampleIds, printed);
    });
    for (qsizetype i = toldBefore; i < report.lostStickers.size(); ++i) {
        const LostSticker& lost = report.lostStickers.at(i);
        StickerOutcome outcome;
        outcome.state = lost.unknown ? StickerOutcome::State::Unknown : StickerOutcome::State::Lost;
        if (const StickerKind* kind = StickerKindNamed(lost.sticker))
            owed.settle(*kind, lost.SampleIds, outcome);
    }
    writeOutcomes(module, owed);
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
    MainModule& module;
    StickerPrinter& stickers;
    OwedStickers& owed;
    JobReport& report;

    // A lost sticker is told at once and kept for the window; the job itself goes on.
    void print(const std::vector<const StickerKind*>& kinds, const QStringList& SampleIds,
               const QStringList& CodeIds) {
        for (const StickerKind* kind : kinds) {
            const StickerOutcome outcome = stickers.print(*kind, SampleIds, CodeIds);
            NoteSticker(report.lostStickers, SampleIds, kind->name, outcome);
            AwaitPrinted(module, SampleIds, kind->name, outcome);
            owed.settle(*kind, SampleIds, outcome);
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

// What ended the job: SQLite says "readonly" of a file deleted under it, so the file is named.
QString reasonOf(const std::exception& failure, const DbConnection& db) {
    QString text = description(failure);
    try {
        CheckEmbeddedFile(db);
    } catch (const AppError& gone) {
        if (gone.description() != text)
            text = gone.description() + QStringLiteral(" (") + text + u')';
    }
    return text;
}

QString errorText(const std::exception& failure, const QString& reason, const QString& inHand,
                  const QString& lastRecorded) {
    QString text = reason;
    if (!inHand.isEmpty() && dynamic_cast<const SampleInDoubt*>(&failure) != nullptr)
        text +=
            QStringLiteral(" Sample in hand: %1; the database has not said whether it was recorded. If it "
                           "was, the next start shows its stickers as owed.")
                .arg(inHand);
    else if (!inHand.isEmpty())
        text += QStringLiteral(" Sample in hand: %1.").arg(inHand);
    const bool inDoubt = dynamic_cast<const SampleInDoubt*>(&failure);
    if (lastRecorded.isEmpty())
        text += inDoubt ? QStringLiteral(" No sample was recorded before it.")
                        : QStringLiteral(" No sample was recorded.");
    else if (inHand != lastRecorded)
        text += (inDoubt ? QStringLiteral(" Last sample recorded for certain: %1.")
                         : QStringLiteral(" Last sample recorded: %1."))
                    .arg(lastRecorded);
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
        JobPrinting printing{module, stickers, owed, report};
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
                std::vector<const StickerKind*> owedKinds = labelStickers;
                owedKinds.insert(owedKinds.end(), passStickers.begin(), passStickers.end());
                const QString CodeId =
                    numberAndRecord(module, job, inHand, owed, owedKinds, i == job.LabelCount);
                report.lastRecorded = inHand;
                markIssued(module, job, inHand);
                passSamples << inHand;
                passCodes << CodeId;
                printing.print(labelStickers, {inHand}, {CodeId});
                inHand.clear();
                // A four-test kit is one unit: its batch sticker lists all four, so a stop waits
                // for the end of the pass.
                if (passStickers.empty() && (report.stopped = stop.requested())) {
                    finishPrinting(module, report, owed);
                    return report;
                }
            }
            for (const StickerKind* kind : passStickers)
                printing.print({kind}, firstOf(passSamples, kind->samples),
                               firstOf(passCodes, kind->samples));
            if (!passStickers.empty() && (report.stopped = stop.requested())) {
                finishPrinting(module, report, owed);
                return report;
            }
        }
        finishPrinting(module, report, owed);
        ResetLabelJob(module);
    } catch (const ClosedWhileWaiting& closed) {
        // Closed while the database kept the job waiting: it stops, naming what it still owes.
        TellAdministrator(closed.description());
        report.stopped = true;
        noteUnprinted(report, owed, module.settings);
        finishPrinting(module, report, owed);
    } catch (const std::exception& failure) {
        // The job ends here; what it recorded stays, and what it owes is named.
        const QString reason = reasonOf(failure, module.db);
        const bool inDoubt = dynamic_cast<const SampleInDoubt*>(&failure) != nullptr;
        report.error = errorText(failure, reason, inHand, report.lastRecorded);
        // A sample in doubt is not said to be unrecorded: its own line follows in the message.
        report.germanError = JobErrorText(reason, inDoubt ? QString() : inHand, report.lastRecorded);
        report.stopped = stop.requested();
        if (dynamic_cast<const SampleInDoubt*>(&failure)) {
            // A kit's sticker names the sample in hand if it was recorded: the next start tells.
            report.inDoubt = inHand;
            owed.forget(StickersOfJob(job.Kind, true));
        }
        noteUnprinted(report, owed, module.settings);
        finishPrinting(module, report, owed);
    }
    return report;
}
