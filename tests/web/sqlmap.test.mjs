// Every parameter of every page that reads the database, tried with sqlmap (level 3, risk 2):
// none may be injectable. Each target gets a `php -S` of its own so that several run at once.
import { describe, it, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { PhpServer, which } from './support.mjs';
import { shopDatabase, shopSite, T } from './fixtures.mjs';

const sqlmap = which('sqlmap');

// [name, path and query, parameters to try, POST body]
const targets = [
  ['list', `tablelist.php?t=${T.orders}&s=1&d=a&p=2`, 't,s,d,p'],
  ['list by key', `tablelist.php?t=${T.big}&s=1&d=a&p=2&a[0]=name0001&a[1]=5`, 'a[0],a[1]'],
  ['list by key after a NULL', `tablelist.php?t=${T.customers}&s=3&d=a&p=2&a[0]=&a[1]=5&n=1`, 'a[1],n'],
  ['simple search', `searchres.php?t=${T.customers}&q=Oslo`, 'q'],
  // Words through a FULLTEXT index, after the count of the first rows that hold each.
  ['FULLTEXT search', `searchres.php?t=${T.big}&adv=1&m=all&o[2]=contains&v[2]=note%2012345`, 'v[2]'],
  ['advanced search', `searchres.php?t=${T.customers}&adv=1&o[4]=eq&v[4]=Oslo&m=all`, 'o[4],v[4],m'],
  ['record view', `view.php?t=${T.customers}&k[]=3`, 'k[]'],
  ['child list', `view.php?t=${T.customers}&k[]=12&cp[0]=1`, 'cp[0]'],
  ['export', `searchres.php?t=${T.customers}&q=Oslo&s=4&d=d&export=csv`, 'q,s,d,export'],
  ['edit form', `edit.php?t=${T.order_lines}&k[]=3&k[]=1`, 't,k[]'],
  ['delete confirmation', `delete.php?t=${T.customers}&k[]=3`, 'k[]'],
  ['lookup suggestions', `search.php?t=${T.childbig}&lookup=1&q=Title`, 'lookup,q'],
  ['add', 'execute.php', 'f[1],f[4]',
    `csrf=x&action=add&t=${T.customers}&f[1]=Ann&f[2]=Berg&f[3]=ann%40example.org&f[4]=Oslo&f[5]=2026-04-13`],
  ['edit', 'execute.php', 'f[1],f[3],k[]',
    `csrf=x&action=edit&t=${T.customers}&k[]=5&f[1]=Dev&f[2]=Sand&f[3]=dev%40example.org&f[4]=Oslo&f[5]=2026-04-13`],
  // The token of the record as its form showed it: the statements that lock and compare the record.
  ['edit token', 'execute.php', 'h',
    `csrf=x&action=edit&t=${T.customers}&k[]=5&f[1]=Dev&f[2]=Sand&f[5]=2026-04-13&h=${'0'.repeat(64)}`],
  ['delete token', 'execute.php', 'h', `csrf=x&action=delete&t=${T.customers}&k[]=5&h=${'0'.repeat(64)}`],
];

describe('sqlmap', { skip: sqlmap ? false : 'sqlmap is not installed' }, () => {
  let db;
  let site;
  const servers = [];
  const results = new Map();

  before(async () => {
    db = shopDatabase('sqlmap');
    site = shopSite(db);
    const out = fs.mkdtempSync(path.join(os.tmpdir(), 'qmweb-sqlmap-'));
    // Three at a time: sqlmap waits on the server most of the time.
    const queue = [...targets];
    const worker = async () => {
      for (let t = queue.shift(); t; t = queue.shift()) {
        const php = await PhpServer.start(site.dir);
        servers.push(php);
        const r = await runSqlmap(php.base, t, path.join(out, String(servers.length)));
        await php.stop();
        r.problems = php.problems();
        results.set(t[0], r);
      }
    };
    await Promise.all([worker(), worker(), worker()]);
    fs.rmSync(out, { recursive: true, force: true });
  });

  after(async () => {
    for (const s of servers) await s.stop();
    site?.remove();
    db?.drop();
  });

  for (const [name] of targets) {
    it(`finds nothing injectable in ${name}`, (t) => {
      const r = results.get(name);
      assert.ok(r, 'sqlmap did not run');
      t.diagnostic(`sqlmap took ${r.seconds} s`);
      assert.doesNotMatch(r.output, /identified the following injection point|is vulnerable/, r.output.slice(-3000));
      assert.match(r.output, /all tested parameters do not appear to be injectable/, r.output.slice(-3000));
      assert.equal(r.timedOut, false);
      assert.deepEqual(r.problems, [], 'PHP wrote notices or warnings under sqlmap');
    });
  }

  it('left the database intact', () => {
    assert.equal(db.exec('SELECT COUNT(*) FROM big')[0][0], '30000');
    assert.deepEqual(db.exec('SELECT first_name, last_name FROM customers WHERE customer_id = 5').length, 1);
  });
});

function runSqlmap(base, [, target, params, data], outDir) {
  const args = ['-u', base + target, '-p', params, '--batch', '--level', '3', '--risk', '2', '--flush-session',
    '--output-dir', outDir, '--disable-coloring', '--time-sec', '2', '--answers', 'follow=N,Array-like=N'];
  // The form token is read from a small form before every request.
  if (data) args.push('--data', data, '--csrf-token', 'csrf', '--csrf-url', `${base}add.php?t=${T.nokey}`);
  return new Promise((resolve) => {
    const proc = spawn(sqlmap, args, { stdio: ['ignore', 'pipe', 'pipe'] });
    let output = '';
    proc.stdout.on('data', (d) => { output += d; });
    proc.stderr.on('data', (d) => { output += d; });
    let timedOut = false;
    const started = Date.now();
    const timer = setTimeout(() => { timedOut = true; proc.kill('SIGTERM'); }, 300000);
    proc.on('exit', () => { clearTimeout(timer); resolve({ output, timedOut, seconds: (Date.now() - started) / 1000 }); });
  });
}
