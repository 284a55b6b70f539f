// Median latency of the generated site's pages on a 1,000,000-row table, next to Adminer's pages
// on the same table, served the same way (`php -S`, one request at a time) from a private MariaDB
// with a 1 GB buffer pool. Prints each of our medians over Adminer's for the first page, a page in
// the middle ordered by the key and the same page sorted by an indexed text column, and the
// largest of the three last as "ratio: X".
import { execFileSync } from 'node:child_process';
import net from 'node:net';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { ScratchDatabase, Site, PhpServer, Client, listRows, sourceDir } from '../../tests/web/support.mjs';

const ROWS = Number(process.env.QM_BENCH_ROWS || 1000000);
const REQUESTS = Number(process.env.QM_BENCH_REQUESTS || 25);
const PER_PAGE = 50;                 // Adminer's page size
const MIDDLE = ROWS / 2;             // offset of the middle page
const adminerDir = process.env.QM_ADMINER_DIR || '/usr/share/adminer';

const sandbox = fs.mkdtempSync(path.join(os.tmpdir(), 'qmweb-bench-'));
fs.rmdirSync(sandbox);
const exports = execFileSync(path.join(sourceDir, 'scripts/sandbox'), ['start', sandbox, '--buffer-pool-size', '1G']).toString();
for (const line of exports.split('\n')) {
  const m = /^export (QM_MYSQL_\w+)=(.*)$/.exec(line.trim());
  if (m) process.env[m[1]] = m[2].replace(/^'(.*)'$/, '$1');
}
delete process.env.QM_SANDBOX_ENV;

const servers = [];
let db;
let site;
try {
  db = new ScratchDatabase('bench');
  const t0 = Date.now();
  db.exec(`
    CREATE TABLE big (
      id INT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY,
      name VARCHAR(40) NOT NULL,
      note VARCHAR(120) NULL,
      KEY name_idx (name)
    ) ENGINE=InnoDB;
    SET SESSION unique_checks = 0;
    INSERT INTO big (name, note)
      SELECT CONCAT(ELT(1 + seq MOD 12, 'amber', 'birch', 'cedar', 'delta', 'ember', 'fjord', 'grove', 'heath',
                                         'inlet', 'juniper', 'kestrel', 'linden'), ' ', LPAD((seq * 7919) MOD 1000003, 7, '0')),
             RPAD(CONCAT('Note ', seq, ': '), 100, 'lorem ipsum dolor sit amet, consectetur adipiscing elit ')
      FROM seq_1_to_${ROWS};
    ANALYZE TABLE big;`);
  console.log(`loaded ${ROWS} rows in ${((Date.now() - t0) / 1000).toFixed(1)} s`);

  site = new Site(db, [{ name: 'big', fields: [{ name: 'id' }, { name: 'name' }, { name: 'note' }] }], { RecsPerPage: PER_PAGE });
  // Both sites are served from opcache, also our files written a moment ago.
  const php = ['-d', 'opcache.file_update_protection=0'];
  const ours = await PhpServer.start(site.dir, php);
  const adminer = await PhpServer.start(adminerDir, php);
  servers.push(ours, adminer);
  const c = new Client(ours.base);
  const a = new Client(adminer.base);
  const s = JSON.parse(JSON.stringify({ host: process.env.QM_MYSQL_HOST, port: process.env.QM_MYSQL_PORT }));
  const login = await a.post('adminer.php', { 'auth[driver]': 'server', 'auth[server]': `${s.host}:${s.port}`,
    'auth[username]': db.user, 'auth[password]': db.password, 'auth[db]': db.name });
  if (login.status !== 302) throw new Error(`Adminer login failed (${login.status})`);
  const adm = `adminer.php?server=${encodeURIComponent(`${s.host}:${s.port}`)}&username=${encodeURIComponent(db.user)}&db=${encodeURIComponent(db.name)}`;
  const middlePage = MIDDLE / PER_PAGE;

  const cases = [
    ['first page', 'tablelist.php?t=0', `${adm}&select=big`, true],
    ['middle page by key', `tablelist.php?t=0&p=${middlePage + 1}`, `${adm}&select=big&order%5B0%5D=id&page=${middlePage}`, true],
    ['middle page sorted by name', `tablelist.php?t=0&s=1&d=a&p=${middlePage + 1}`,
      `${adm}&select=big&order%5B0%5D=name&page=${middlePage}`, true],
    ['search', 'searchres.php?t=0&q=0424242', `${adm}&select=big&where%5B0%5D%5Bcol%5D=&where%5B0%5D%5Bop%5D=LIKE+%25%25&where%5B0%5D%5Bval%5D=0424242`, false],
    ['record view', `view.php?t=0&k[]=${MIDDLE + 7}`, `${adm}&edit=big&where%5Bid%5D=${MIDDLE + 7}`, false],
  ];

  // Both sites must show the same rows, or the timings compare different work.
  const expectedMiddle = db.exec(`SELECT id FROM big ORDER BY name, id LIMIT ${MIDDLE}, 3`).map((r) => r[0]);
  const sorted = listRows((await c.get(cases[2][1])).text).map((r) => r[0]).slice(0, 3);
  if (JSON.stringify(sorted) !== JSON.stringify(expectedMiddle)) throw new Error(`wrong rows on the sorted middle page: ${sorted}`);
  const adminerSorted = (await a.get(cases[2][2])).text;
  if (!adminerSorted.includes(`where%5Bid%5D=${expectedMiddle[0]}`)) throw new Error('Adminer did not show the sorted middle page');

  // A bare HTTP/1.0 request on a fresh connection, as light as a client can be, so that the
  // figures are the servers' and not the client's.
  const rawGet = (client, url) => new Promise((resolve, reject) => {
    const u = new URL(url, client.base);
    const cookie = [...client.cookies].map(([k, v]) => `${k}=${v}`).join('; ');
    const chunks = [];
    const sock = net.connect(Number(u.port), u.hostname, () => {
      sock.write(`GET ${u.pathname}${u.search} HTTP/1.0\r\nHost: ${u.host}\r\nCookie: ${cookie}\r\n\r\n`);
    });
    sock.on('data', (d) => chunks.push(d));
    sock.on('end', () => resolve(Buffer.concat(chunks).toString('latin1')));
    sock.on('error', reject);
  });
  const time = async (client, url) => {
    const t = process.hrtime.bigint();
    const r = await rawGet(client, url);
    const ms = Number(process.hrtime.bigint() - t) / 1e6;
    if (!r.startsWith('HTTP/1.0 200') && !r.startsWith('HTTP/1.1 200')) throw new Error(`${url} answered ${r.slice(0, 40)}`);
    return ms;
  };
  const median = (xs) => { const v = [...xs].sort((x, y) => x - y); return v.length % 2 ? v[(v.length - 1) / 2] : (v[v.length / 2 - 1] + v[v.length / 2]) / 2; };
  const ratios = [];
  console.log(`median of ${REQUESTS} requests each (after 2 warm-up requests), in ms:`);
  for (const [name, ourUrl, theirUrl, compared] of cases) {
    const ourTimes = [];
    const theirTimes = [];
    // The warm-up answers must be the real pages (a lost Adminer login would answer quickly too).
    for (let i = 0; i < 2; i++) {
      if (!/id="Records?"/.test(await rawGet(c, ourUrl))) throw new Error(`${ourUrl} did not show records`);
      if (!/where%5Bid%5D=|fields\[name\]/.test(await rawGet(a, theirUrl))) throw new Error(`${theirUrl} did not show records`);
    }
    for (let i = 0; i < REQUESTS; i++) {
      ourTimes.push(await time(c, ourUrl));
      theirTimes.push(await time(a, theirUrl));
    }
    const o = median(ourTimes);
    const t = median(theirTimes);
    console.log(`${name.padEnd(28)} ours ${o.toFixed(2).padStart(9)}   Adminer ${t.toFixed(2).padStart(9)}   ours/Adminer ${(o / t).toFixed(3)}`);
    if (compared) ratios.push(o / t);
  }
  if (ours.problems().length) throw new Error(`PHP notices on our pages: ${ours.problems()}`);
  console.log(`ratio: ${Math.max(...ratios).toFixed(3)}`);
} finally {
  for (const srv of servers) await srv.stop();
  site?.remove();
  try { db?.drop(); } catch { /* the server goes away with the sandbox */ }
  execFileSync(path.join(sourceDir, 'scripts/sandbox'), ['stop', sandbox]);
}
