#include "EmbeddedSchema.h"

QStringList EmbeddedSchemaStatements() {
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS SAMPLE_ORG ("
                       "CUST_ID varchar(3), SAMPLE_ID varchar(8), CODE_ID varchar(8), TIME_STAMP datetime)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS customer (CUST_ID varchar(3), cust_name varchar(100))"),
        // The customer's highest number is read from this index, not from the table.
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS IX_SAMPLE_ORG_CUST_SAMPLE ON SAMPLE_ORG (CUST_ID, SAMPLE_ID)"),
        // The code check binds its value, so it cannot use the partial index below.
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_SAMPLE_ORG_CODE ON SAMPLE_ORG (CODE_ID)"),
        // No sample number and no code is ever issued twice, whatever the desks do.
        QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS UX_SAMPLE_ORG_SAMPLE ON SAMPLE_ORG (SAMPLE_ID)"),
        QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS UX_SAMPLE_ORG_CODE ON SAMPLE_ORG (CODE_ID) "
                       "WHERE CODE_ID <> ''"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_CUSTOMER_CUST ON customer (CUST_ID)"),
        // What each desk still owes, written in the same transaction as the samples' rows.
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS OWED_STICKER (DESK varchar(400), STICKER varchar(20), "
            "SAMPLE_ID varchar(8), SAMPLE_IDS varchar(40), STATE varchar(1), TIME_STAMP datetime)"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS IX_OWED_STICKER_DESK ON OWED_STICKER (DESK, STICKER, SAMPLE_ID)"),
    };
}
