#include "DbCommand.h"

#include "Binding.h"

#include <QSqlQuery>
#include <memory>

int ExecuteCommand(const DbConnection& db, const QString& statement, const QVariantList& parameters) {
    // Everything the statement needs is its own: it may end after its caller has given up on it.
    auto changed = std::make_shared<int>(0);
    RunStatement(db, runningStatement(statement),
                 [statement, parameters, backend = db.backend, changed](QSqlDatabase& database) {
                     QSqlQuery query = prepareStatement(database, backend, statement, parameters);
                     executeStatement(query);
                     *changed = query.numRowsAffected();
                 });
    return *changed;
}
