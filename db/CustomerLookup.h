#pragma once

#include "DbConnection.h"

#include <QString>

// The customer's stored name, or "Kunde nicht angelegt!" for a number that is not three
// numeric characters or has no row.
QString LookupCustomerName(const DbConnection& db, const QString& customerId);
