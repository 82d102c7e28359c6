#pragma once

#include <QStringList>

// The statements that set up the embedded SQLite database: the tables SAMPLE_ORG and customer
// and their indexes. Each statement is safe to run again. Kept in step with schema/.
QStringList EmbeddedSchemaStatements();
