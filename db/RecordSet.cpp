#include "RecordSet.h"

#include "AppError.h"
#include "Binding.h"

#include <QSqlError>
#include <QSqlRecord>

RecordSet::RecordSet(const DbConnection& db, const QString& statement, const QVariantList& parameters)
    : mQuery(prepareStatement(db, statement, parameters)) {
    executeStatement(mQuery);
    moveNext();
}

void RecordSet::moveNext() {
    mEof = !mQuery.next();
    if (mEof && mQuery.lastError().isValid())
        throw AppError(mQuery.lastError().text());
}

QVariant RecordSet::field(const QString& name) const {
    if (mEof)
        throw AppError(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    const int index = mQuery.record().indexOf(name);
    if (index < 0)
        throw AppError(QStringLiteral("Item cannot be found in the collection: %1").arg(name));
    if (mQuery.isNull(index))
        return {};
    return mQuery.value(index);
}
