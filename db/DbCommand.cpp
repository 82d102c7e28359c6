#include "DbCommand.h"

#include "Binding.h"

#include <QSqlQuery>

void ExecuteCommand(const DbConnection& db, const QString& statement, const QVariantList& parameters) {
    // Everything the statement needs is its own: it may end after its caller has given up on it.
    RunStatement(db, runningStatement(statement),
                 [statement, parameters, backend = db.backend](QSqlDatabase& database) {
                     QSqlQuery query = prepareStatement(database, backend, statement, parameters);
                     executeStatement(query);
                 });
}
