#include "RecordSet.h"

#include "AppError.h"
#include "Binding.h"

#include <QSqlError>
#include <QSqlRecord>

RecordSet::RecordSet(const DbConnection& db, const QString& statement, const QVariantList& parameters)
    : mDb(db), mWhat(runningStatement(statement)), mQuery(std::make_shared<QSqlQuery>()) {
    // The query lives with the statement's thread until it has ended, however long that takes.
    std::shared_ptr<QSqlQuery> query = mQuery;
    RunStatement(db, mWhat, [query, statement, parameters, backend = db.backend](QSqlDatabase& database) {
        *query = prepareStatement(database, backend, statement, parameters);
        executeStatement(*query);
    });
    moveNext();
}

void RecordSet::moveNext() {
    std::shared_ptr<QSqlQuery> query = mQuery;
    auto eof = std::make_shared<bool>(true);
    // A driver may fetch the row from the server only now.
    RunStatement(mDb, mWhat, [query, eof](QSqlDatabase&) {
        *eof = !query->next();
        if (*eof && query->lastError().isValid())
            throw AppError(query->lastError().text());
    });
    mEof = *eof;
}

QVariant RecordSet::field(const QString& name) const {
    if (mEof)
        throw AppError(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    const int index = mQuery->record().indexOf(name);
    if (index < 0)
        throw AppError(QStringLiteral("Item cannot be found in the collection: %1").arg(name));
    if (mQuery->isNull(index))
        return {};
    return mQuery->value(index);
}
