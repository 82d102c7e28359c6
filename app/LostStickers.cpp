#include "LostStickers.h"

#include "JobErrorText.h"
#include "StickerKinds.h"
#include "SystemLog.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int MaxLinesShown = 8;      // sticker lines of each part of the window's message
constexpr int MaxNumbersPerLine = 20; // numbers or ranges on one line of it
constexpr int ShortestRange = 3;      // shorter runs of numbers are listed one by one
// How long, in all, a job waits after its last sticker for CUPS to say what its printers did.
constexpr qint32 PrinterJobPatienceMs = 15000;

// One line of the message: stickers of one kind on one printer, lost for one cause.
struct StickerLine {
    QString sticker;
    QString printer;
    StickerCause cause;
    QStringList SampleIds;      // one-sample stickers: all their numbers, in order
    QList<QStringList> batches; // batch stickers: each one's samples
    int count = 0;
};

QString shown(const QString& SampleId, const QString& none) {
    return SampleId.isEmpty() ? none : SampleId;
}

bool allDigits(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// b directly follows a: both all digits, of the same length, b one more.
bool follows(const QString& a, const QString& b) {
    if (a.size() != b.size() || a.size() > 18 || !allDigits(a) || !allDigits(b))
        return false;
    return b.toULongLong() == a.toULongLong() + 1;
}

// "70100001 bis 70100099, 70100120": runs of consecutive numbers as ranges, in the given order.
QStringList numberItems(const QStringList& SampleIds) {
    QStringList items;
    for (qsizetype i = 0; i < SampleIds.size();) {
        qsizetype end = i + 1;
        while (end < SampleIds.size() && follows(SampleIds[end - 1], SampleIds[end]))
            ++end;
        if (end - i >= ShortestRange) {
            items << SampleIds[i] + QStringLiteral(" bis ") + SampleIds[end - 1];
        } else {
            for (qsizetype k = i; k < end; ++k)
                items << shown(SampleIds[k], QStringLiteral("(ohne Nummer)"));
        }
        i = end;
    }
    return items;
}

QString limited(QStringList items, const QString& separator) {
    if (items.size() > MaxNumbersPerLine) {
        const qsizetype more = items.size() - MaxNumbersPerLine;
        items.resize(MaxNumbersPerLine);
        items << QStringLiteral("und %1 weitere").arg(more);
    }
    return items.join(separator);
}

// A batch sticker names the samples it lists; rows it left empty are not numbers to name.
QString batchNumbers(const QStringList& SampleIds) {
    QStringList named;
    for (const QString& SampleId : SampleIds)
        if (!SampleId.isEmpty())
            named << SampleId;
    return named.isEmpty() ? QStringLiteral("(ohne Nummer)") : numberItems(named).join(QStringLiteral(", "));
}

QString numbersOf(const StickerLine& line) {
    if (line.batches.isEmpty())
        return limited(numberItems(line.SampleIds), QStringLiteral(", "));
    QStringList items;
    for (const QStringList& batch : line.batches)
        items << batchNumbers(batch);
    return limited(items, QStringLiteral("; "));
}

std::vector<StickerLine> linesOf(const QList<LostSticker>& lost) {
    std::vector<StickerLine> lines;
    for (const LostSticker& sticker : lost) {
        auto line = std::find_if(lines.begin(), lines.end(), [&](const StickerLine& l) {
            return l.sticker == sticker.sticker && l.printer == sticker.printer && l.cause == sticker.cause;
        });
        if (line == lines.end())
            line = lines.insert(lines.end(),
                                StickerLine{sticker.sticker, sticker.printer, sticker.cause, {}, {}});
        ++line->count;
        const StickerKind* kind = StickerKindNamed(sticker.sticker);
        if ((kind && kind->samples > 1) || sticker.SampleIds.size() > 1)
            line->batches << sticker.SampleIds;
        else
            line->SampleIds << sticker.SampleIds.value(0);
    }
    // The commonest cause first: it is the one to mend.
    std::stable_sort(lines.begin(), lines.end(),
                     [](const StickerLine& a, const StickerLine& b) { return a.count > b.count; });
    return lines;
}

// "    Ergebnisetikett 70100001 bis 70100003 (Smart Label Printer 440): Drucker nimmt keine
// Aufträge an"; the printer is not named twice where the words already name it.
QString lostLines(const QList<LostSticker>& lost, bool withCause) {
    QString text;
    const std::vector<StickerLine> lines = linesOf(lost);
    int notShown = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const StickerLine& line = lines[i];
        if (i >= size_t(MaxLinesShown)) {
            notShown += line.count;
            continue;
        }
        const QString words = withCause ? GermanCause(line.cause, line.printer) : QString();
        text += QStringLiteral("    ") + GermanStickerName(line.sticker) + u' ' + numbersOf(line);
        if (!words.contains(line.printer))
            text += QStringLiteral(" (") + line.printer + u')';
        if (!words.isEmpty())
            text += QStringLiteral(": ") + words;
        text += u'\n';
    }
    if (notShown > 0)
        text += QStringLiteral("    und %1 weitere\n").arg(notShown);
    return text;
}

QString stickers(qsizetype count) {
    return count == 1 ? QStringLiteral("1 Etikett") : QStringLiteral("%1 Etiketten").arg(count);
}

} // namespace

QString GermanStickerName(const QString& sticker) {
    const StickerKind* kind = StickerKindNamed(sticker);
    return kind ? kind->germanName : sticker;
}

QString GermanCause(StickerCause cause, const QString& printer) {
    switch (cause) {
    case StickerCause::NotFound:
        return QStringLiteral("Drucker '%1' nicht gefunden").arg(printer);
    case StickerCause::NoPrinterSet:
        return QStringLiteral("kein Drucker eingestellt");
    case StickerCause::NotAccepting:
        return QStringLiteral("Drucker nimmt keine Aufträge an");
    case StickerCause::ServerSilent:
        return QStringLiteral("Druckserver antwortet nicht");
    case StickerCause::FolderFull:
        return QStringLiteral("Ordner voll");
    case StickerCause::WriteFailed:
        return QStringLiteral("Etikett konnte nicht gespeichert werden");
    case StickerCause::NoLabelSize:
        return QStringLiteral("keine passenden Etiketten im Drucker");
    case StickerCause::AmbiguousName:
        return QStringLiteral("mehrere Drucker heißen '%1'").arg(printer);
    case StickerCause::NoDriver:
        return QStringLiteral("Drucker ohne Treiber eingerichtet");
    case StickerCause::DataTooLong:
        return QStringLiteral("Text zu lang für den Barcode");
    case StickerCause::JobUnknown:
        return QStringLiteral("nicht bekannt, ob gedruckt");
    case StickerCause::Refused:
        return QStringLiteral("Drucker hat das Etikett abgelehnt");
    case StickerCause::JobFailed:
        return QStringLiteral("Drucker hat den Auftrag abgebrochen");
    case StickerCause::JobWaiting:
        return QStringLiteral("wartet im Drucker: nicht gedruckt, bis der Drucker weiterarbeitet");
    case StickerCause::NotStarted:
        return QStringLiteral("Drucker hat das Etikett nicht begonnen");
    case StickerCause::JobEnded:
        return QStringLiteral("Auftrag vorher abgebrochen");
    case StickerCause::None:
    case StickerCause::Other:
        break;
    }
    return QStringLiteral("Druckfehler");
}

QString LostStickerLine(const QStringList& SampleIds, const QString& sticker, const QString& printer,
                        const QString& reason, bool unknown) {
    QStringList numbers;
    for (const QString& SampleId : SampleIds)
        numbers << shown(SampleId, QStringLiteral("(no number)"));
    const QString samples = numbers.size() == 1 ? QStringLiteral("sample ") : QStringLiteral("samples ");
    return (unknown ? QStringLiteral("Sticker of unknown fate: ") : QStringLiteral("Sticker lost: ")) +
           samples + numbers.join(u' ') + QStringLiteral(", ") + sticker + QStringLiteral(", ") + printer +
           QStringLiteral(": ") + reason;
}

void NoteSticker(QList<LostSticker>& lost, const QStringList& SampleIds, const QString& sticker,
                 const StickerOutcome& outcome) {
    if (!outcome.lost())
        return;
    TellAdministrator(LostStickerLine(SampleIds, sticker, outcome.printer, outcome.reason,
                                      outcome.state == StickerOutcome::State::Unknown));
    lost.append({SampleIds, sticker, outcome.printer, outcome.reason, outcome.cause,
                 outcome.state == StickerOutcome::State::Unknown ||
                     outcome.state == StickerOutcome::State::Waiting});
}

bool AwaitPrinted(MainModule& module, const QStringList& SampleIds, const QString& sticker,
                  const StickerOutcome& outcome) {
    if (outcome.state != StickerOutcome::State::Printed || outcome.cupsJob == 0 || !module.printerJob)
        return false;
    module.printerJob->sent.push_back({SampleIds, sticker, outcome});
    return true;
}

void SettlePrinterJobs(MainModule& module, QList<LostSticker>& lost,
                       const std::function<void(const SlpJobShare::Sent&)>& printed) {
    if (!module.printerJob || module.printerJob->sent.empty())
        return;
    std::vector<SlpJobShare::Sent> sent = std::exchange(module.printerJob->sent, {});
    std::vector<qint32> jobs;
    for (const SlpJobShare::Sent& sticker : sent)
        jobs.push_back(sticker.outcome.cupsJob);
    // Either library can ask: both print through the same CUPS.
    const std::vector<SlpJobState> states = module.printer7x32->SlpJobStates(jobs, PrinterJobPatienceMs);
    for (size_t i = 0; i < sent.size(); ++i) {
        StickerOutcome outcome = sent[i].outcome;
        const SlpJobState state = i < states.size() ? states[i] : SlpJobState{SLP_JOB_UNKNOWN, {}};
        switch (state.state) {
        case SLP_JOB_PRINTED:
            if (printed)
                printed(sent[i]);
            continue;
        case SLP_JOB_LOST:
            outcome.state = StickerOutcome::State::Lost;
            outcome.cause = StickerCause::JobFailed;
            break;
        case SLP_JOB_WAITING:
            outcome.state = StickerOutcome::State::Waiting;
            outcome.cause = StickerCause::JobWaiting;
            break;
        default:
            outcome.state = StickerOutcome::State::Unknown;
            outcome.cause = StickerCause::JobUnknown;
            break;
        }
        outcome.reason =
            state.reason.isEmpty() ? QStringLiteral("the printer library gave no reason") : state.reason;
        NoteSticker(lost, sent[i].SampleIds, sent[i].sticker, outcome);
    }
}

QList<LostSticker> StickersToPrintAgain(const QList<LostSticker>& lost) {
    QList<LostSticker> again;
    for (const LostSticker& sticker : lost)
        if (!sticker.unknown)
            again << sticker;
    return again;
}

QString LostStickersMessage(const JobReport& report) {
    const QList<LostSticker> lost = StickersToPrintAgain(report.lostStickers);
    QList<LostSticker> unknown;
    QList<LostSticker> waiting;
    for (const LostSticker& sticker : report.lostStickers)
        if (sticker.unknown)
            (sticker.cause == StickerCause::JobWaiting ? waiting : unknown) << sticker;

    QStringList parts;
    if (!report.error.isEmpty())
        parts << QStringLiteral("Der Auftrag wurde wegen eines Fehlers beendet:\n") +
                     (report.germanError.isEmpty() ? GermanErrorText(report.error) : report.germanError) +
                     u'\n' +
                     (report.inDoubt.isEmpty()
                          ? QString()
                          : QStringLiteral(
                                "Ob Probe %1 erfasst ist, ist nicht bekannt; der nächste Start zeigt "
                                "es.\n")
                                .arg(report.inDoubt));
    if (!lost.isEmpty())
        parts << stickers(lost.size()) +
                     (report.earlier ? QStringLiteral(" nicht gedruckt nach einem Abbruch:\n")
                                     : QStringLiteral(" nicht gedruckt:\n")) +
                     lostLines(lost, !report.earlier);
    if (!unknown.isEmpty() && report.earlier)
        parts << QStringLiteral("%1 vielleicht gedruckt: Drucker prüfen.\n").arg(stickers(unknown.size())) +
                     lostLines(unknown, false);
    else if (!unknown.isEmpty())
        parts << QStringLiteral("Für %1 nicht bekannt, ob gedruckt: Drucker prüfen, bevor nochmals gedruckt "
                                "wird.\n")
                         .arg(stickers(unknown.size())) +
                     lostLines(unknown, false);
    if (!waiting.isEmpty())
        parts << stickers(waiting.size()) + QStringLiteral(" noch im Drucker:\n") + lostLines(waiting, true);
    if (parts.isEmpty())
        return {};
    if (!lost.isEmpty())
        parts << QStringLiteral("Die Proben sind erfasst. „Nochmals drucken“ druckt die nicht gedruckten "
                                "Etiketten noch einmal.");
    if (!unknown.isEmpty())
        parts << QStringLiteral("Fehlende Etiketten mit F5 nachdrucken.");
    if (!report.error.isEmpty())
        parts << QStringLiteral("Nach „Schließen“ wird das Programm beendet.");
    return parts.join(u'\n');
}
