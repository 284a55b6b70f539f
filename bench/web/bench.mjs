// Median latency of the generated site's pages on a 1,000,000-row table, next to Adminer's pages
// on the same table, served the same way (`php -S`, one request at a time) from a private MariaDB
// with a 1 GB buffer pool. Prints each of our medians over Adminer's, with the most it should be:
// the first page, the middle page by its number, the page after it (ours by key, from the middle
// page's Next link), the middle page sorted by an indexed text column and the page after that, a
// search for a common word, a search in a FULLTEXT-indexed column, and a record view. The last
// line is the largest of those ratios, "ratio: X".
// Before that line it downloads the whole table as CSV once from each, counting the lines (ours:
// a header and every row; Adminer's export form: text output, CSV, data only), and prints the
// PHP process's peak memory during our export (it fails at 32 MB or more), the wall time per row
// of both and ours over Adminer's as "export ratio: X".
import { execFileSync } from 'node:child_process';
import net from 'node:net';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { ScratchDatabase, Site, PhpServer, Client, listRows, linkById, sourceDir } from '../../tests/web/support.mjs';

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
    ALTER TABLE big ADD FULLTEXT KEY note_ft (note);
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

  // Our next pages are the Next links of the middle pages: they continue from the last key shown.
  const nextOf = async (url) => {
    const next = linkById((await c.get(url)).text, 'NextPage');
    if (!next || !/a%5B0%5D=/.test(next)) throw new Error(`${url} has no Next link by key: ${next}`);
    return next;
  };
  const middle = `tablelist.php?t=0&p=${middlePage + 1}`;
  const sortedMiddle = `tablelist.php?t=0&s=1&d=a&p=${middlePage + 1}`;
  const adminerWhere = (col, val) => `${adm}&select=big&where%5B0%5D%5Bcol%5D=${col}&where%5B0%5D%5Bop%5D=LIKE+%25%25&where%5B0%5D%5Bval%5D=${val}`;
  // [name, our page, Adminer's page, the most ours/Adminer should be]
  const cases = [
    ['first page', 'tablelist.php?t=0', `${adm}&select=big`, 0.5],
    ['middle page by number', middle, `${adm}&select=big&order%5B0%5D=id&page=${middlePage}`, 0.5],
    ['next page from the middle', await nextOf(middle), `${adm}&select=big&order%5B0%5D=id&page=${middlePage + 1}`, 0.05],
    ['middle page sorted by name', sortedMiddle, `${adm}&select=big&order%5B0%5D=name&page=${middlePage}`, 0.5],
    ['its next page', await nextOf(sortedMiddle), `${adm}&select=big&order%5B0%5D=name&page=${middlePage + 1}`, 0.05],
    ['search for a common word', 'searchres.php?t=0&q=cedar', adminerWhere('', 'cedar'), 0.3],
    ['search in a FULLTEXT column', 'searchres.php?t=0&adv=1&m=all&o%5B2%5D=contains&v%5B2%5D=424242',
      adminerWhere('note', '424242'), 0.1],
    ['record view', `view.php?t=0&k[]=${MIDDLE + 7}`, `${adm}&edit=big&where%5Bid%5D=${MIDDLE + 7}`, 0.5],
  ];

  // Both sites must show the same rows, or the timings compare different work.
  const expectedMiddle = db.exec(`SELECT id FROM big ORDER BY name, id LIMIT ${MIDDLE}, 3`).map((r) => r[0]);
  const sorted = listRows((await c.get(sortedMiddle)).text).map((r) => r[0]).slice(0, 3);
  if (JSON.stringify(sorted) !== JSON.stringify(expectedMiddle)) throw new Error(`wrong rows on the sorted middle page: ${sorted}`);
  const adminerSorted = (await a.get(cases[3][2])).text;
  if (!adminerSorted.includes(`where%5Bid%5D=${expectedMiddle[0]}`)) throw new Error('Adminer did not show the sorted middle page');
  // The next pages by key and by number, and the two searches' first rows, must agree too.
  for (const [name, ours, theirs] of cases.slice(2, -1)) {
    const first = listRows((await c.get(ours)).text)[0][0];
    if (!new RegExp(`where%5Bid%5D=${first}(?!\\d)`).test((await a.get(theirs)).text)) {
      throw new Error(`Adminer's ${name} does not show record ${first}`);
    }
  }

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
  for (const [name, ourUrl, theirUrl, most] of cases) {
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
    console.log(`${name.padEnd(28)} ours ${o.toFixed(2).padStart(9)}   Adminer ${t.toFixed(2).padStart(9)}   `
      + `ours/Adminer ${(o / t).toFixed(3)} (at most ${most}${o / t > most ? ', MISSED' : ''})`);
    ratios.push(o / t);
  }
  if (ours.problems().length) throw new Error(`PHP notices on our pages: ${ours.problems()}`);

  // The whole table as CSV, ours next to Adminer's, each once. Our export is served by a server
  // of its own whose prepended file notes the PHP process's peak memory of each export request;
  // the pages above were timed without it.
  const probeDir = fs.mkdtempSync(path.join(os.tmpdir(), 'qmweb-peak-'));
  const peakFile = path.join(probeDir, 'peak');
  const prepend = path.join(probeDir, 'peak.php');
  fs.writeFileSync(prepend, `<?php
if (isset($_GET['export']) && $_GET['export'] === 'csv') {
    register_shutdown_function(function () {
        file_put_contents(${JSON.stringify(peakFile)}, (string)memory_get_peak_usage(true));
    });
}
`);
  try {
    const exporter = await PhpServer.start(site.dir, [...php, '-d', `auto_prepend_file=${prepend}`]);
    servers.push(exporter);
    const e = new Client(exporter.base);
    // One request on a fresh connection; the body is not kept, only its lines counted and its
    // first bytes, so that the client stays light while the servers write 100 MB or more.
    const rawStream = (client, method, url, form = null) => new Promise((resolve, reject) => {
      const u = new URL(url, client.base);
      const cookie = [...client.cookies].map(([k, v]) => `${k}=${v}`).join('; ');
      const body = form ? new URLSearchParams(form).toString() : '';
      let head = Buffer.alloc(0);
      let headText = null;
      let start = Buffer.alloc(0);
      let lines = 0;
      let last = -1;
      const t = process.hrtime.bigint();
      const take = (d) => {
        if (start.length < 4096) start = Buffer.concat([start, d.subarray(0, 4096 - start.length)]);
        for (let i = d.indexOf(10); i !== -1; i = d.indexOf(10, i + 1)) lines++;
        if (d.length) last = d[d.length - 1];
      };
      const sock = net.connect(Number(u.port), u.hostname, () => {
        sock.write(`${method} ${u.pathname}${u.search} HTTP/1.0\r\nHost: ${u.host}\r\nCookie: ${cookie}\r\n`
          + (form ? `Content-Type: application/x-www-form-urlencoded\r\nContent-Length: ${Buffer.byteLength(body)}\r\n` : '')
          + `\r\n${body}`);
      });
      sock.on('data', (d) => {
        if (headText !== null) { take(d); return; }
        head = Buffer.concat([head, d]);
        const end = head.indexOf('\r\n\r\n');
        if (end === -1) return;
        headText = head.subarray(0, end).toString('latin1');
        take(head.subarray(end + 4));
      });
      sock.on('end', () => resolve({ head: headText || head.toString('latin1'), start, lines, endsWithNewline: last === 10,
        ms: Number(process.hrtime.bigint() - t) / 1e6 }));
      sock.on('error', reject);
    });
    // lines: the number the body must have (null: any); first: what its first line must match.
    const checkCsv = (what, r, lines, first) => {
      if (!/^HTTP\/1\.[01] 200/.test(r.head)) throw new Error(`${what} answered ${r.head.slice(0, 60)}`);
      if (/^transfer-encoding:/im.test(r.head)) throw new Error(`${what} came in chunks, its lines cannot be counted`);
      if (!/^content-type: text\/(csv|plain)/im.test(r.head)) throw new Error(`${what} is no CSV: ${r.head}`);
      const line = r.start.toString('utf8').split('\r\n')[0];
      if (!first.test(line)) throw new Error(`${what} starts with ${JSON.stringify(line)}`);
      if ((lines !== null && r.lines !== lines) || !r.endsWithNewline) throw new Error(`${what} has ${r.lines} lines, not ${lines}`);
    };

    // Warm-up: a search's export (a few rows, the same code), then the whole table.
    const small = await rawStream(e, 'GET', 'searchres.php?t=0&q=0424242&export=csv');
    checkCsv('the search export', small, null, /^id,name,note$/);
    fs.rmSync(peakFile, { force: true });
    const full = await rawStream(e, 'GET', 'tablelist.php?t=0&export=csv');
    checkCsv('the export', full, ROWS + 1, /^id,name,note$/);
    if (!full.start.toString('latin1').includes('\r\n1,')) throw new Error('the export does not start with the first record');
    for (let i = 0; i < 50 && !fs.existsSync(peakFile); i++) await new Promise((r) => setTimeout(r, 100));
    if (!fs.existsSync(peakFile)) throw new Error('the export did not note its peak memory');
    const peakMb = Number(fs.readFileSync(peakFile, 'utf8')) / (1024 * 1024);
    console.log(`export peak memory: ${peakMb.toFixed(1)} MB`);
    if (peakMb >= 32) throw new Error(`the export took ${peakMb.toFixed(1)} MB of memory`);
    if (exporter.problems().length) throw new Error(`PHP notices on our export: ${exporter.problems()}`);

    // Adminer's export form: its fields as the dump page names them, output shown as text, CSV
    // with commas, no database or table statements, the table's data as rows.
    const dumpUrl = `${adm}&dump=big`;
    const dumpPage = (await a.get(dumpUrl)).text;
    const formHtml = (/<form[^>]*method=["']?post[^>]*>([\s\S]*?)<\/form>/i.exec(dumpPage) || [])[1] || '';
    const names = new Set([...formHtml.matchAll(/name=["']?([^"' >]+)/g)].map((m) => m[1]));
    for (const name of ['output', 'format', 'db_style', 'table_style', 'data_style', 'data[]', 'token']) {
      if (!names.has(name)) throw new Error(`Adminer's export form has no field ${name} (${[...names]})`);
    }
    const choice = (name, value) => {
      const radio = new RegExp(`name=["']?${name.replace(/[[\]]/g, '\\$&')}["']? [^>]*value=["']?${value}["' >]`);
      const select = new RegExp(`<select name=["']?${name}["']?[^>]*>([\\s\\S]*?)</select>`).exec(formHtml);
      const option = select && new RegExp(`<option[^>]*>${value}(<|$)`, 'm').test(select[1]);
      if (!radio.test(formHtml) && !option) throw new Error(`Adminer's export form does not offer ${name}=${value}`);
      return [name, value];
    };
    const token = /name=["']?token["']? value=["']?([^"' >]+)/.exec(formHtml);
    if (!token) throw new Error('no token in Adminer\'s export form');
    const dumpForm = [choice('output', 'text'), choice('format', 'csv'), ['db_style', ''], ['table_style', ''],
      choice('data_style', 'INSERT'), choice('data[]', 'big'), ['token', token[1]]];
    const theirs = await rawStream(a, 'POST', dumpUrl, dumpForm);
    // With no table statements Adminer writes no heading line: a byte order mark, then the rows.
    checkCsv('Adminer\'s export', theirs, ROWS, /^\ufeff1,/);

    const ourUs = (full.ms * 1000) / ROWS;
    const theirUs = (theirs.ms * 1000) / ROWS;
    console.log(`export per row: ours ${ourUs.toFixed(3)} µs   Adminer ${theirUs.toFixed(3)} µs   ours/Adminer ${(ourUs / theirUs).toFixed(3)}`);
    console.log(`export ratio: ${(ourUs / theirUs).toFixed(3)}`);
  } finally {
    fs.rmSync(probeDir, { recursive: true, force: true });
  }
  console.log(`ratio: ${Math.max(...ratios).toFixed(3)}`);
} finally {
  for (const srv of servers) await srv.stop();
  site?.remove();
  try { db?.drop(); } catch { /* the server goes away with the sandbox */ }
  execFileSync(path.join(sourceDir, 'scripts/sandbox'), ['stop', sandbox]);
}
