#include "CustomerLookup.h"

#include "NumberText.h"
#include "RecordSet.h"

QString LookupCustomerName(const DbConnection& db, const QString& customerId) {
    const QString notFound = QStringLiteral("Kunde nicht angelegt!");
    // A number that fails the check is never found, so the database is not asked.
    if (customerId.size() != 3 || !IsNumeric(customerId))
        return notFound;
    const RecordSet customer(db, QStringLiteral("SELECT cust_name from customer where CUST_ID = ?"),
                             {customerId});
    if (customer.eof())
        return notFound;
    const QVariant name = customer.field(QStringLiteral("cust_name"));
    return name.isNull() ? QStringLiteral("") : name.toString();
}
