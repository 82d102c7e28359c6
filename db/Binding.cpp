#include "Binding.h"

#include "AppError.h"

#include <QDateTime>
#include <QSqlError>

namespace {

QVariant boundValue(const QVariant& value, DbBackend backend) {
    if (value.typeId() == QMetaType::QString) {
        // Qt binds a null QString as SQL NULL; an empty code must stay empty text.
        const QString text = value.toString();
        return text.isNull() ? QVariant(QStringLiteral("")) : value;
    }
    if (value.typeId() == QMetaType::QDateTime) {
        QDateTime time = value.toDateTime().toLocalTime();
        time.setTime(QTime(time.time().hour(), time.time().minute(), time.time().second()));
        // SQLite has no date type: store the text form its own date functions read.
        if (backend == DbBackend::Sqlite)
            return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        return time;
    }
    return value;
}

} // namespace

QSqlQuery prepareStatement(const QSqlDatabase& database, DbBackend backend, const QString& statement,
                           const QVariantList& parameters) {
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        throw AppError(query.lastError().text());
    for (qsizetype i = 0; i < parameters.size(); ++i)
        query.bindValue(static_cast<int>(i), boundValue(parameters.at(i), backend));
    return query;
}

void executeStatement(QSqlQuery& query) {
    if (!query.exec())
        throw AppError(query.lastError().text());
}

QString runningStatement(const QString& statement) {
    return QStringLiteral("running \"%1\"").arg(statement);
}
