#include "SampleNumbers.h"

#include "AppError.h"
#include "DbCommand.h"
#include "RecordSet.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kMaxCodeAttempts = 10000;
constexpr int kLastRunningNumber = 99999;
constexpr int kRunningDigits = 5;

// Two upper-case hexadecimal digits from r: v = floor(5000 r) + 1, the last two digits of
// "00" and v in hexadecimal.
QString codePiece(double r) {
    const int v = static_cast<int>(std::floor(5000.0 * r)) + 1;
    return (QStringLiteral("00") + QString::number(v, 16).toUpper()).right(2);
}

// One of the customer's numbers: the customer number and five digits.
bool isWellFormed(const QString& text, const QString& customerId) {
    return text.size() == customerId.size() + kRunningDigits && text.startsWith(customerId) &&
           std::all_of(text.cend() - kRunningDigits, text.cend(),
                       [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

double SystemCodeRandom() {
    // The codes are the customers' keys to their results: never a guessable generator.
    return QRandomGenerator::system()->generateDouble();
}

QString NextSampleId(const DbConnection& db, const LabelJob& job) {
    // The customer's numbers lie between customer + "00000" and customer + "99999" in any collation,
    // so the index on (CUST_ID, SAMPLE_ID) answers each maximum with one seek. A row of another
    // shape in that range (letters, nine characters) is stepped over with the next maximum below
    // it: it never decides the next number, and never blocks the customer.
    const QString first = job.CustomerId + QStringLiteral("00000");
    QString below = job.CustomerId + QStringLiteral("99999");
    bool inclusive = true;
    for (;;) {
        const RecordSet maximum(
            db,
            inclusive ? QStringLiteral("SELECT max(sample_id) as oldSampleID FROM SAMPLE_ORG "
                                       "where CUST_ID = ? and SAMPLE_ID >= ? and SAMPLE_ID <= ?")
                      : QStringLiteral("SELECT max(sample_id) as oldSampleID FROM SAMPLE_ORG "
                                       "where CUST_ID = ? and SAMPLE_ID >= ? and SAMPLE_ID < ?"),
            {job.CustomerId, first, below});
        const QVariant value = maximum.eof() ? QVariant() : maximum.field(QStringLiteral("oldsampleID"));
        if (value.isNull())
            return job.CustomerId + QStringLiteral("00001");
        const QString text = value.toString();
        if (isWellFormed(text, job.CustomerId)) {
            const int running = text.right(kRunningDigits).toInt();
            if (running >= kLastRunningNumber)
                throw AppError(QStringLiteral("Customer %1 has no sample numbers left (%2 is the last)")
                                   .arg(job.CustomerId, text));
            return job.CustomerId +
                   QStringLiteral("%1").arg(running + 1, kRunningDigits, 10, QLatin1Char('0'));
        }
        if (text == below && !inclusive)
            throw AppError(QStringLiteral("The database returned %1 as a maximum below itself").arg(text));
        below = text;
        inclusive = false;
    }
}

namespace {

QString drawCode(const CodeRandom& random) {
    QString candidate;
    for (int piece = 0; piece < 4; ++piece)
        candidate += codePiece(random());
    return candidate;
}

const QString kInsert =
    QStringLiteral("INSERT INTO SAMPLE_ORG (CUST_ID, SAMPLE_ID, CODE_ID, TIME_STAMP) VALUES (?,?,?,?)");

// An insert that leaves out a code another desk holds, committed or not: PostgreSQL names the
// unique index on codes; SQL Server holds the code's key range until the commit, so a desk drawing
// the same code meanwhile waits for it and then finds the code taken.
QString insertUnlessCodeTaken(DbBackend backend) {
    if (backend == DbBackend::PostgreSql)
        return kInsert + QStringLiteral(" ON CONFLICT (CODE_ID) WHERE CODE_ID <> '' DO NOTHING");
    return QStringLiteral(
        "INSERT INTO SAMPLE_ORG (CUST_ID, SAMPLE_ID, CODE_ID, TIME_STAMP) SELECT ?,?,?,? "
        "WHERE NOT EXISTS (SELECT 1 FROM SAMPLE_ORG WITH (UPDLOCK, HOLDLOCK) WHERE CODE_ID = ?)");
}

} // namespace

QString NewCodeId(const DbConnection& db, const CodeRandom& random) {
    for (int attempt = 1; attempt <= kMaxCodeAttempts; ++attempt) {
        const QString candidate = drawCode(random);
        const RecordSet inUse(db, QStringLiteral("SELECT Sample_ID FROM sample_org where CODE_ID = ?"),
                              {candidate});
        if (inUse.eof())
            return candidate;
    }
    return QStringLiteral("");
}

QString RecordNewSample(const DbConnection& db, const LabelJob& job, const QString& SampleId,
                        const CodeRandom& random) {
    if (db.numberingLock == NumberingLock::Lab || db.backend == DbBackend::Sqlite) {
        const QString code = NewCodeId(db, random);
        RecordSample(db, job, SampleId, code);
        return code;
    }
    const QString insert = insertUnlessCodeTaken(db.backend);
    const QDateTime now = QDateTime::currentDateTime();
    for (int attempt = 1; attempt <= kMaxCodeAttempts; ++attempt) {
        const QString candidate = drawCode(random);
        QVariantList values{job.CustomerId, SampleId, candidate, now};
        if (db.backend == DbBackend::SqlServer)
            values << candidate;
        const int recorded = ExecuteCommand(db, insert, values);
        if (recorded > 0)
            return candidate;
        // A session with NOCOUNT ON (SQL Server) leaves the driver without a count: the row tells.
        if (recorded < 0 &&
            !RecordSet(db, QStringLiteral("SELECT CODE_ID FROM SAMPLE_ORG WHERE SAMPLE_ID = ?"), {SampleId})
                 .eof())
            return candidate;
    }
    RecordSample(db, job, SampleId, QStringLiteral(""));
    return QStringLiteral("");
}

void RecordSample(const DbConnection& db, const LabelJob& job, const QString& SampleId,
                  const QString& CodeId) {
    ExecuteCommand(db, kInsert, {job.CustomerId, SampleId, CodeId, QDateTime::currentDateTime()});
}
