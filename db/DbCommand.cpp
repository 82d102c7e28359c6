#include "DbCommand.h"

#include "Binding.h"

#include <QSqlQuery>

void ExecuteCommand(const DbConnection& db, const QString& statement, const QVariantList& parameters) {
    QSqlQuery query = prepareStatement(db, statement, parameters);
    executeStatement(query);
}
