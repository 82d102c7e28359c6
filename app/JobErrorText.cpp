#include "JobErrorText.h"

#include <QRegularExpression>

namespace {

const QString kCallAdministrator = QStringLiteral(" Bitte den Administrator rufen.");

// Words of the error's English text and the German sentence for them, checked in this order.
struct Meaning {
    const char* pattern; // a regular expression over the English text
    const char* german;  // \0, \1, \2: the match and the pattern's captures
};

const Meaning kMeanings[] = {
    {R"(^Anmeldung .*)", "\\0"}, // a failed server login, already worded for the operator
    {R"(^Customer (\S+) has no sample numbers left \((\S+) is the last\))",
     "Kunde \\1 hat keine Proben-Nr. mehr frei (\\2 ist die letzte). Bitte den Administrator rufen."},
    {R"(^Another desk holds the numbering lock)",
     "Ein anderer Packplatz hält die Nummernvergabe zu lange fest. Bitte nochmals versuchen; hilft das "
     "nicht, den Administrator rufen."},
    {R"((?i)no answer from|has still not answered|timed? ?out)",
     "Datenbank antwortet nicht. Bitte den Administrator rufen."},
    {R"(^(Type mismatch|Overflow)\b)",
     "Drucker 1 ist nicht oder falsch eingestellt (BARCODEPRINTER1). Bitte den Administrator rufen."},
    {R"(^Subscript out of range)", "Mehr als 99 Etiketten in einem Durchgang sind nicht möglich."},
    {R"(^Cannot load library|\.so\b)",
     "Die Druckerbibliothek fehlt oder ist beschädigt. Bitte den Administrator rufen."},
    {R"(settings file)", "Die Einstellungsdatei ist nicht lesbar. Bitte den Administrator rufen."},
    {R"(^The database file)",
     "Die Datenbankdatei fehlt oder ist nicht nutzbar. Bitte den Administrator rufen."},
};

} // namespace

QString GermanErrorText(const QString& description) {
    for (const Meaning& meaning : kMeanings) {
        const QRegularExpression pattern(QString::fromUtf8(meaning.pattern));
        const QRegularExpressionMatch match = pattern.match(description);
        if (!match.hasMatch())
            continue;
        QString text = QString::fromUtf8(meaning.german);
        for (int i = 0; i <= pattern.captureCount(); ++i)
            text.replace(QStringLiteral("\\%1").arg(i), match.captured(i));
        return text;
    }
    // Everything else on the job's way is the database's: the driver's words go to the log.
    return QStringLiteral("Datenbankfehler: die Datenbank hat die Anfrage nicht ausgeführt.") +
           kCallAdministrator;
}

QString JobErrorText(const QString& description, const QString& inHand, const QString& lastRecorded) {
    QString samples;
    if (lastRecorded.isEmpty())
        samples = QStringLiteral("Keine Probe erfasst.");
    else if (inHand.isEmpty() || inHand == lastRecorded)
        samples = QStringLiteral("Zuletzt erfasst: Probe %1.").arg(lastRecorded);
    else
        samples = QStringLiteral("Probe %1 ist nicht erfasst; zuletzt erfasst: Probe %2.")
                      .arg(inHand, lastRecorded);
    return GermanErrorText(description) + u'\n' + samples;
}
