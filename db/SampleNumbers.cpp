#include "SampleNumbers.h"

#include "AppError.h"
#include "DbCommand.h"
#include "NumberText.h"
#include "RecordSet.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kMaxCodeAttempts = 10000;
constexpr int kLastRunningNumber = 99999;

// Two upper-case hexadecimal digits from r: v = floor(5000 r) + 1, the last two digits of
// "00" and v in hexadecimal.
QString codePiece(double r) {
    const int v = static_cast<int>(std::floor(5000.0 * r)) + 1;
    return (QStringLiteral("00") + QString::number(v, 16).toUpper()).right(2);
}

// The stored maximum as a 32-bit integer, rounded as the number handling rounds.
qint32 toInteger32(const QString& text) {
    const double rounded = std::nearbyint(ToDouble(text));
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        throw AppError(QStringLiteral("Overflow"));
    return static_cast<qint32>(rounded);
}

bool isEightDigits(const QString& text) {
    return text.size() == 8 &&
           std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

double SystemCodeRandom() {
    // The codes are the customers' keys to their results: never a guessable generator.
    return QRandomGenerator::system()->generateDouble();
}

QString NextSampleId(const DbConnection& db, const LabelJob& job) {
    const RecordSet maximum(
        db, QStringLiteral("SELECT max(sample_id) as oldSampleID FROM SAMPLE_ORG where CUST_ID = ?"),
        {job.CustomerId});
    const QVariant value = maximum.eof() ? QVariant() : maximum.field(QStringLiteral("oldsampleID"));
    const QString text = value.isNull() ? QString() : value.toString();
    if (isEightDigits(text)) {
        // Customer number and running number apart: adding one to the whole number would drop
        // a leading zero ("012") and run past 99999 into the next customer's numbers.
        const int running = text.mid(3).toInt();
        if (running >= kLastRunningNumber)
            throw AppError(QStringLiteral("Customer %1 has no sample numbers left (%2 is the last)")
                               .arg(job.CustomerId, text));
        return text.left(3) + QStringLiteral("%1").arg(running + 1, 5, 10, QLatin1Char('0'));
    }
    // Other numeric maxima (a sign, a blank, a decimal separator) are no number this tool wrote.
    if (text.size() == 8 && IsNumeric(text))
        return QString::number(qint64(toInteger32(text)) + 1);
    return job.CustomerId + QStringLiteral("00001");
}

QString NewCodeId(const DbConnection& db, const CodeRandom& random) {
    for (int attempt = 1; attempt <= kMaxCodeAttempts; ++attempt) {
        QString candidate;
        for (int piece = 0; piece < 4; ++piece)
            candidate += codePiece(random());
        const RecordSet inUse(db, QStringLiteral("SELECT Sample_ID FROM sample_org where CODE_ID = ?"),
                              {candidate});
        if (inUse.eof())
            return candidate;
    }
    return QStringLiteral("");
}

void RecordSample(const DbConnection& db, const LabelJob& job, const QString& SampleId,
                  const QString& CodeId) {
    ExecuteCommand(
        db,
        QStringLiteral("INSERT INTO SAMPLE_ORG (CUST_ID, SAMPLE_ID, CODE_ID, TIME_STAMP) VALUES (?,?,?,?)"),
        {job.CustomerId, SampleId, CodeId, QDateTime::currentDateTime()});
}
