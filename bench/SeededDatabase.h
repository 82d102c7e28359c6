#pragma once

#include <QString>

// The customer whose labels are measured; the other rows are spread over customers 100 to 999.
inline constexpr char BenchCustomer[] = "701";

// The path of an SQLite file made by the tool's own schema and holding rowCount sample rows,
// built once into the cache folder and reused by later runs. Throws std::runtime_error on failure.
QString SeededDatabase(int rowCount);
