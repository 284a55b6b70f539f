// The sample shop plus tables that exercise what the shop lacks: many column kinds, a table
// without a primary key, hostile names and values, a large table, and a lookup parent too large
// for a drop-down list.
import fs from 'node:fs';
import path from 'node:path';
import { ScratchDatabase, Site, allFields, sourceDir } from './support.mjs';

export const hostileTable = '<img src=x onerror=alert(1)>';
export const hostileColumn = '<script>alert("c")</script>';
export const hostileValue = "<script>alert('v')</script>";
export const BIG_ROWS = 30000;

export function shopDatabase(prefix) {
  const db = new ScratchDatabase(prefix);
  db.loadShop();
  db.exec(`
    CREATE TABLE kinds (
      id INT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY,
      d DATE NULL, dt DATETIME NULL, tm TIME NULL, yr YEAR NULL,
      e ENUM('red','green','blue') NOT NULL DEFAULT 'red',
      s SET('a','b','c') NULL,
      b BLOB NULL, txt TEXT NULL, n INT NULL, price DECIMAL(8,2) NULL, f FLOAT NULL
    ) ENGINE=InnoDB;
    INSERT INTO kinds (d, dt, tm, yr, e, s, b, txt, n, price, f) VALUES
      ('2026-02-03', '2026-02-03 04:05:06', '07:08:09', 2026, 'green', 'a,c', REPEAT('x', 2048),
       CONCAT('Long text start ', REPEAT('lorem ipsum ', 40), 'END'), NULL, 12.50, 1.5),
      (NULL, NULL, NULL, NULL, 'blue', NULL, NULL, 'short', 7, NULL, NULL);
    CREATE TABLE nokey (label VARCHAR(20) NOT NULL, amount INT NOT NULL) ENGINE=InnoDB;
    INSERT INTO nokey VALUES ('one', 1), ('two', 2), ('three', 3);
    CREATE TABLE \`${hostileTable}\` (id INT NOT NULL PRIMARY KEY, \`${hostileColumn}\` VARCHAR(60) NULL) ENGINE=InnoDB;
    INSERT INTO \`${hostileTable}\` VALUES (1, '${hostileValue.replace(/'/g, "''")}');
    CREATE TABLE big (
      id INT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY,
      name VARCHAR(40) NOT NULL, note VARCHAR(100) NULL, KEY name_idx (name), FULLTEXT KEY note_ft (note)
    ) ENGINE=InnoDB;
    INSERT INTO big (name, note) SELECT CONCAT('name', LPAD(seq MOD 997, 4, '0')), CONCAT('note ', seq) FROM seq_1_to_${BIG_ROWS};
    ANALYZE TABLE big;
    CREATE TABLE parentbig (pid INT NOT NULL PRIMARY KEY, title VARCHAR(40) NOT NULL) ENGINE=InnoDB;
    INSERT INTO parentbig SELECT seq, CONCAT('Title ', LPAD(seq, 5, '0')) FROM seq_1_to_1500;
    CREATE TABLE childbig (cid INT NOT NULL AUTO_INCREMENT PRIMARY KEY, pid INT NOT NULL,
      CONSTRAINT fk_child_parent FOREIGN KEY (pid) REFERENCES parentbig (pid)) ENGINE=InnoDB;
    INSERT INTO childbig (pid) VALUES (7), (1234);
    CREATE TABLE visits (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY) ENGINE=InnoDB;
  `);
  return db;
}

// The tables of the site, in config.php order; positions are the table indexes of the pages.
export const T = { customers: 0, products: 1, orders: 2, order_lines: 3, kinds: 4, nokey: 5, hostile: 6, big: 7,
  parentbig: 8, childbig: 9 };

export function shopTables(db) {
  return [
    { name: 'customers', fields: [
      { name: 'customer_id' },
      { name: 'first_name', max: 40, min: 2, nulls: 0 },
      { name: 'last_name', nulls: 0 },
      { name: 'email', chars: '@.' },
      { name: 'city' },
      { name: 'created', nulls: 0 },
    ] },
    { name: 'products', fields: [
      { name: 'product_id' }, { name: 'name', nulls: 0 }, { name: 'price', nulls: 0 },
      { name: 'in_stock', max: 500, min: 0 }, { name: 'description' },
    ] },
    { name: 'orders', fields: [
      { name: 'order_id' }, { name: 'customer_id', lookup: 'customers.last_name', nulls: 0 },
      { name: 'ordered_at', nulls: 0 }, { name: 'status' },
    ] },
    { name: 'order_lines', fields: [
      { name: 'order_id', lookup: 'orders.order_id' }, { name: 'line_no' },
      { name: 'product_id', lookup: 'products.name' }, { name: 'quantity' },
    ] },
    { name: 'kinds', fields: allFields(db, 'kinds') },
    { name: 'nokey', fields: allFields(db, 'nokey') },
    { name: hostileTable, fields: [{ name: 'id' }, { name: hostileColumn }] },
    { name: 'big', fields: allFields(db, 'big') },
    { name: 'parentbig', fields: allFields(db, 'parentbig') },
    { name: 'childbig', fields: [{ name: 'cid' }, { name: 'pid', lookup: 'parentbig.title' }] },
  ];
}

export function shopSite(db, options = {}) {
  return new Site(db, shopTables(db), { FK: true, ...options });
}

// The Sakila sample (../shared/data/sakila): a schema of the kind users bring. Tests that use it
// skip where it is not there.
export const sakilaDir = process.env.QM_SAKILA_DIR || path.resolve(sourceDir, '../shared/data/sakila');
export const sakilaPresent = fs.existsSync(path.join(sakilaDir, 'sakila-schema.sql'))
  && fs.existsSync(path.join(sakilaDir, 'sakila-data.sql'));

export function sakilaDatabase(prefix) {
  const db = new ScratchDatabase(prefix);
  // The files name their database; they are loaded into the scratch database instead. Bytes
  // are kept as they are (latin1 in, latin1 out).
  const rename = (file) => fs.readFileSync(path.join(sakilaDir, file), 'latin1')
    .replace(/^(DROP SCHEMA IF EXISTS|CREATE SCHEMA) sakila;\r?$/gm, '')
    .replace(/^USE sakila;\r?$/m, `USE \`${db.name}\`;`)
    .replace(/\b(FROM|JOIN) sakila\./g, '$1 ');
  // The sample as shipped has statements this server refuses (views over missing tables); the
  // rest is loaded all the same, as a user's own database would come.
  db.exec(rename('sakila-schema.sql'), { force: true });
  db.exec(rename('sakila-data.sql'), { force: true });
  return db;
}

// Every base table with all its columns; each foreign key becomes a lookup showing the parent's
// first text column (or the referenced column where the parent has none).
export function sakilaTables(db) {
  const names = db.exec(`SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE()
    AND TABLE_TYPE = 'BASE TABLE' ORDER BY TABLE_NAME`).map((r) => r[0]);
  const fks = db.exec(`SELECT TABLE_NAME, COLUMN_NAME, REFERENCED_TABLE_NAME, REFERENCED_COLUMN_NAME
    FROM information_schema.KEY_COLUMN_USAGE WHERE TABLE_SCHEMA = DATABASE() AND REFERENCED_TABLE_NAME IS NOT NULL`);
  const textColumn = (table, fallback) => {
    const rows = db.exec(`SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE()
      AND TABLE_NAME = '${table}' AND DATA_TYPE IN ('varchar', 'char') ORDER BY ORDINAL_POSITION LIMIT 1`);
    return rows.length ? rows[0][0] : fallback;
  };
  return names.map((name) => ({
    name,
    fields: db.exec(`SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE()
      AND TABLE_NAME = '${name}' ORDER BY ORDINAL_POSITION`).map(([col]) => {
      const fk = fks.find((f) => f[0] === name && f[1] === col);
      return fk ? { name: col, lookup: `${fk[2]}.${textColumn(fk[2], fk[3])}` } : { name: col };
    }),
  }));
}
