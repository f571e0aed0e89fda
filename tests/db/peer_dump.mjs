// Dumps a table of an Access file through mdb-reader as tab-separated lines:
// first the password line, then one line per row (table "-": none). Numbers keep their shortest
// exact form, date-times become day-based numbers, NULL is \N.
//   node peer_dump.mjs <node_modules dir> <file> <table> [password]
const [modules, file, table, password] = process.argv.slice(2);
const { default: MDBReader } = await import(`${modules}/mdb-reader/lib/node/index.js`);
const { readFileSync } = await import("fs");
const reader = new MDBReader(readFileSync(file), { password: password ?? "" });
const out = [];
out.push("P\t" + (reader.getPassword() ?? "\\N"));
const t = table === "-" ? null : reader.getTable(table);
const names = t ? t.getColumnNames() : [];
for (const row of t ? t.getData() : []) {
  out.push(names.map((n) => {
    const v = row[n];
    if (v === null || v === undefined) return "\\N";
    if (v instanceof Date) return String(v.getTime() / 86400000 + 25569);
    return String(v);
  }).join("\t"));
}
process.stdout.write(out.join("\n") + "\n");
