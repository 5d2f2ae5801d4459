// node dump_table.mjs <database.mdb> <table>
// Prints, as JSON, the user tables of the database and the named table's column names and rows
// in storage order, NULL as null. Exits non-zero when the file cannot be read.
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const [file, tableName] = process.argv.slice(2);
if (!file || !tableName) {
    console.error("usage: node dump_table.mjs <database.mdb> <table>");
    process.exit(2);
}

const reader = new MDBReader(readFileSync(file));
const table = reader.getTable(tableName);
const columns = table.getColumnNames();
const rows = table.getData().map((row) => columns.map((name) => row[name] ?? null));
process.stdout.write(
    JSON.stringify({
        tables: reader.getTableNames(),
        systemTables: reader.getTableNames({ normalTables: false, systemTables: true }),
        columns,
        rows,
    })
);
