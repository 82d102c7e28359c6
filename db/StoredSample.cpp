#include "StoredSample.h"

#include "RecordSet.h"

std::optional<StoredSample> FindStoredSample(const DbConnection& db, const QString& SampleId) {
    const RecordSet row(db, QStringLiteral("SELECT CUST_ID, CODE_ID FROM SAMPLE_ORG where SAMPLE_ID = ?"),
                        {SampleId});
    if (row.eof())
        return std::nullopt;
    // A NULL read as empty text, as the job records an empty code.
    const auto text = [&row](const char* column) {
        const QVariant value = row.field(QLatin1String(column));
        return value.isNull() ? QString() : value.toString();
    };
    return StoredSample{text("CUST_ID"), text("CODE_ID")};
}
