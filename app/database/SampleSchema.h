#pragma once

/// The sample ERP schema shipped with the program, for the demo database and the tests.
namespace SampleSchema {

/// CREATE TABLE and CREATE INDEX statements, each ending with a semicolon at the end of a line.
const char* schemaSql();
/// The seed rows (states, cities, company 1, tax types, CEST rows).
const char* seedSql();

} // namespace SampleSchema
