#include "RecordSet.h"

#include "AppError.h"
#include "Binding.h"

#include <QSqlError>
#include <QSqlQuery>

RecordSet::RecordSet(const DbConnection& db, const QString& statement, const QVariantList& parameters) {
    // Every row is fetched at once on the connection's own thread, as a client-side cursor does;
    // the rows are the caller's only when the query has ended.
    auto rows = std::make_shared<QList<QSqlRecord>>();
    RunStatement(db, runningStatement(statement),
                 [rows, statement, parameters, backend = db.backend](QSqlDatabase& database) {
                     QSqlQuery query = prepareStatement(database, backend, statement, parameters);
                     executeStatement(query);
                     while (query.next())
                         rows->append(query.record());
                     if (query.lastError().isValid())
                         throw AppError(query.lastError().text());
                 });
    mRows = std::move(*rows);
}

QVariant RecordSet::field(const QString& name) const {
    if (eof())
        throw AppError(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    const QSqlRecord& row = mRows.at(mRow);
    const int index = row.indexOf(name);
    if (index < 0)
        throw AppError(QStringLiteral("Item cannot be found in the collection: %1").arg(name));
    if (row.isNull(index))
        return {};
    return row.value(index);
}
