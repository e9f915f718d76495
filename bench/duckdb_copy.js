// Converts a comma-separated file to a JSON array with DuckDB, through the Node.js
// package @duckdb/node-api (its native engine ships inside the npm package):
//
//   node bench/duckdb_copy.js MODULE_DIR SOURCE OUTPUT
//
// MODULE_DIR is the folder that npm installed the package into (the one holding
// node_modules), so that the benchmark needs nothing installed in the repository.
"use strict";
const path = require("path");

async function main() {
  const [moduleDir, source, output] = process.argv.slice(2);
  const { DuckDBInstance } = require(path.join(moduleDir, "node_modules", "@duckdb", "node-api"));
  const instance = await DuckDBInstance.create(":memory:");
  const connection = await instance.connect();
  const quote = (text) => "'" + text.replace(/'/g, "''") + "'";
  await connection.run(
    `COPY (SELECT * FROM read_csv(${quote(source)}, delim = ',', header = true, ` +
      `quote = '"', all_varchar = true)) TO ${quote(output)} (FORMAT JSON, ARRAY true)`
  );
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
