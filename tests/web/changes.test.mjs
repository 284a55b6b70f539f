// Changes that meet other changes: two visitors saving or deleting the same record (in Chromium),
// and the site owner's hooks in hooks/ (over HTTP), which may refuse or change what is written,
// narrow the lists, and frame every page.
import { describe, it, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { PhpServer, Client, Site, listRows, launchVisitors, formErrors, artifactsDir } from './support.mjs';
import { shopDatabase, shopTables, T } from './fixtures.mjs';

// Tables whose names must not lead their hooks anywhere but to their own encoded file.
const ODD = { weird: 'w\u20acird name', climber: '../x', header: 'Header' };

let db;
let site;
let php;
let odd;

before(async () => {
  db = shopDatabase('changes');
  for (const name of Object.values(ODD)) {
    db.exec(`CREATE TABLE \`${name}\` (id INT NOT NULL PRIMARY KEY, v VARCHAR(20) NULL) ENGINE=InnoDB;
      INSERT INTO \`${name}\` VALUES (1, 'one'), (2, 'two'), (3, 'three');`);
  }
  const tables = shopTables(db);
  odd = Object.fromEntries(Object.entries(ODD).map(([k, name]) => [k, tables.length + Object.values(ODD).indexOf(name)]));
  site = new Site(db, [...tables, ...Object.values(ODD).map((name) => ({ name, fields: [{ name: 'id' }, { name: 'v' }] }))],
    { FK: true }, { warnings: true });
  php = await PhpServer.start(site.dir);
});

after(async () => {
  await php?.stop();
  site?.remove();
  db?.drop();
});

const url = (p) => php.base + p;
const customer = (id) => db.exec(`SELECT first_name, city FROM customers WHERE customer_id = ${id}`);

describe('two visitors on one record', () => {
  let visitors;
  let a;
  let b;
  before(async () => {
    visitors = await launchVisitors(2);
    [a, b] = await Promise.all(visitors.contexts.map((c) => c.newPage()));
  });
  after(async () => { await visitors?.close(); });

  it('the later save writes nothing and shows the other value; saving again overwrites it', async () => {
    const edit = url(`edit.php?t=${T.customers}&k[]=7`);
    const [[first, city]] = customer(7);
    await a.goto(edit);
    await b.goto(edit);
    await a.fill('#f4', 'Alphaville');
    await Promise.all([a.waitForURL(/view\.php/), a.click('#Save')]);
    await b.fill('#f1', 'Bea');
    const [answer] = await Promise.all([b.waitForResponse(/execute\.php/), b.click('#Save')]);
    await b.waitForLoadState();
    assert.equal(answer.status(), 409);
    assert.deepEqual(customer(7), [[first, 'Alphaville']], 'nothing of the later save is written');
    assert.match(await b.locator('.ErrorMessage').textContent(), /Someone else changed this record.*saving again will overwrite/);
    assert.match(await b.locator('#other4').textContent(), /Alphaville/);
    assert.equal(await b.locator('#other1').count(), 0, 'only fields the other visitor changed are marked');
    assert.deepEqual([await b.inputValue('#f1'), await b.inputValue('#f4')], ['Bea', city], 'the visitor\'s own values are kept');
    fs.mkdirSync(artifactsDir, { recursive: true });
    await b.screenshot({ path: path.join(artifactsDir, 'edit-conflict.png'), fullPage: true });
    await Promise.all([b.waitForURL(/view\.php/), b.click('#Save')]);
    assert.deepEqual(customer(7), [['Bea', city]]);
  });

  it('a delete asks again after a change, and a record deleted meanwhile is not written', async () => {
    db.exec(`INSERT INTO customers (customer_id, first_name, last_name, city, created) VALUES (901, 'Del', 'Me', 'Oslo', '2026-01-01')`);
    await a.goto(url(`delete.php?t=${T.customers}&k[]=901`));
    await b.goto(url(`edit.php?t=${T.customers}&k[]=901`));
    await b.fill('#f4', 'Bergen');
    await Promise.all([b.waitForURL(/view\.php/), b.click('#Save')]);
    await Promise.all([a.waitForURL(/delete\.php/), a.click('#ConfirmDelete')]);
    assert.match(await a.locator('.Message').textContent(), /changed this record after you asked to delete it/);
    assert.match(await a.locator('table.RecordView').textContent(), /Bergen/);
    assert.deepEqual(customer(901), [['Del', 'Bergen']]);
    await b.goto(url(`edit.php?t=${T.customers}&k[]=901`));
    await Promise.all([a.waitForURL(/tablelist\.php/), a.click('#ConfirmDelete')]);
    assert.deepEqual(customer(901), []);
    await b.fill('#f1', 'Back');
    await b.click('#Save');
    assert.match(await b.locator('.ErrorMessage').textContent(), /not found; it may have been deleted/);
    assert.deepEqual(customer(901), []);
  });
});

describe('hooks of the site owner', () => {
  const hooksDir = () => path.join(site.dir, 'hooks');
  const writeHook = (name, text) => {
    fs.mkdirSync(path.dirname(path.join(hooksDir(), name)), { recursive: true });
    fs.writeFileSync(path.join(hooksDir(), name), text);
  };
  afterEach(() => {
    fs.rmSync(hooksDir(), { recursive: true, force: true });
    fs.rmSync(path.join(site.dir, 'x.php'), { force: true });
    assert.deepEqual(php.problems(), [], 'PHP wrote notices or warnings');
  });

  it('before-hooks refuse or change what is written; after-hooks get the values and key', async () => {
    writeHook('customers.php', `<?php
$log = function (string $what, array $data) { file_put_contents(__DIR__ . '/log.txt', $what . ' ' . json_encode($data) . "\\n", FILE_APPEND); };
return [
    'before_insert' => function (array &$values) {
        if ($values['last_name'] === 'Nobody') { return 'Nobody may be a customer.'; }
        $values['first_name'] = strtoupper($values['first_name']);
    },
    'after_insert' => function (array $values, array $key) use ($log) { $log('inserted', $key); },
    'before_update' => function (array &$values, array $key) {
        if ($key['customer_id'] === '3') { return 'Customer 3 stays as it is.'; }
        $values['city'] = strtoupper($values['city'] ?? '');
    },
    'after_update' => function (array $values, array $key) use ($log) { $log('updated', $values); },
    'before_delete' => function (array $key) { return 'Customer ' . $key['customer_id'] . ' is never deleted.'; },
];
`);
    const c = new Client(php.base);
    const token = await c.token(`add.php?t=${T.customers}`);
    const add = (last) => c.post('execute.php', { csrf: token, action: 'add', t: T.customers, 'f[1]': 'ann', 'f[2]': last, 'f[5]': '2026-05-01' });
    const countOf = (last) => db.exec(`SELECT COUNT(*) FROM customers WHERE last_name = '${last}'`)[0][0];

    const refused = await add('Nobody');
    assert.equal(refused.status, 422);
    assert.equal(formErrors(refused.text), 'Nobody may be a customer.');
    assert.equal(countOf('Nobody'), '0');
    assert.equal((await add('Hooked')).status, 303);
    const [[id, first]] = db.exec(`SELECT customer_id, first_name FROM customers WHERE last_name = 'Hooked'`);
    assert.equal(first, 'ANN', 'the value as the hook changed it');

    // Every field is sent (no tokens of unchanged values), so the hook sees them all.
    const edit = (k, city) => {
      const [row] = db.exec(`SELECT first_name, last_name, email, created FROM customers WHERE customer_id = ${k}`);
      return c.post('execute.php', { csrf: token, action: 'edit', t: T.customers, 'k[]': k, 'f[1]': row[0], 'f[2]': row[1],
        'f[3]': row[2] ?? '', 'f[4]': city, 'f[5]': row[3] });
    };
    const cityBefore = customer(3)[0][1];
    const kept = await edit('3', 'Nowhere');
    assert.equal(kept.status, 422);
    assert.equal(formErrors(kept.text), 'Customer 3 stays as it is.');
    assert.equal(customer(3)[0][1], cityBefore);
    assert.equal((await edit(id, 'tromso')).status, 303);
    assert.equal(customer(id)[0][1], 'TROMSO');

    const del = await c.post('execute.php', { csrf: token, action: 'delete', t: T.customers, 'k[]': id });
    assert.equal(del.status, 403);
    assert.match(del.text, new RegExp(`Customer ${id} is never deleted\\.`));
    assert.equal(countOf('Hooked'), '1');
    const log = fs.readFileSync(path.join(hooksDir(), 'log.txt'), 'utf8').split('\n');
    assert.equal(log[0], `inserted {"customer_id":"${id}"}`);
    assert.match(log[1], /^updated \{"first_name":"ANN",.*"city":"TROMSO"/);
    assert.equal(log.length, 3);
  });

  it('list conditions narrow the list, its count, the search and the export, their values bound', async () => {
    const condition = (value) => writeHook('orders.php', `<?php
return ['list_conditions' => function () { return ['sql' => 't.status = ?', 'params' => [${JSON.stringify(value)}]]; }];
`);
    condition('shipped');
    const shipped = db.exec(`SELECT order_id FROM orders WHERE status = 'shipped' ORDER BY order_id`).map((r) => r[0]);
    assert.ok(shipped.length > 0 && shipped.length < Number(db.exec('SELECT COUNT(*) FROM orders')[0][0]));
    const c = new Client(php.base);
    const list = await c.get(`tablelist.php?t=${T.orders}&s=0&d=a`);
    assert.deepEqual(listRows(list.text).map((r) => r[0]), shipped.slice(0, 10));
    assert.match(list.text, new RegExp(`<p class="Summary">${shipped.length} records &middot;`));
    const search = await c.get(`searchres.php?t=${T.orders}&adv=1&o[0]=gt&v[0]=0&m=all&s=0&d=a`);
    assert.deepEqual(listRows(search.text).map((r) => r[0]), shipped.slice(0, 10));
    const csv = await c.get(`tablelist.php?t=${T.orders}&s=0&d=a&export=csv`);
    assert.deepEqual(csv.text.trim().split('\r\n').slice(1).map((l) => l.split(',')[0]), shipped);
    const index = await c.get('index.php');
    assert.match(index.text, new RegExp(`>orders</a></td>\n<td class="Number">${shipped.length}</td>`));
    condition("shipped' OR '1'='1");
    assert.deepEqual(listRows((await c.get(`tablelist.php?t=${T.orders}`)).text), []);
  });

  it('header and footer frame every page', async () => {
    writeHook('header.php', '<div id="OwnerTop">Top of <?= htmlspecialchars($GLOBALS[\'qm_database_name\']) ?></div>\n');
    writeHook('footer.php', '<div id="OwnerBottom">Bottom</div>\n');
    const c = new Client(php.base);
    for (const page of ['index.php', `tablelist.php?t=${T.customers}`, `edit.php?t=${T.customers}&k[]=2`, 'view.php?t=999']) {
      const { text } = await c.get(page);
      const top = text.indexOf(`<div id="OwnerTop">Top of ${db.name}</div>`);
      const bottom = text.indexOf('<div id="OwnerBottom">Bottom</div>');
      assert.ok(text.indexOf('<body>') < top && top < text.indexOf('<div id="Top">'), `${page}: header at the top`);
      assert.ok(text.lastIndexOf('</div>', bottom) > text.indexOf('<div id="Page">') && bottom < text.indexOf('</body>'),
        `${page}: footer at the bottom`);
    }
  });

  it('a table name maps to its encoded file and nowhere else', async () => {
    const only = (id) => `<?php return ['list_conditions' => function () { return ['sql' => 't.id = ?', 'params' => [${id}]]; }];\n`;
    writeHook('w%E2%82%ACird%20name.php', only(2));
    writeHook('%48eader.php', only(3));
    // Files a crafted name would reach if it were used as it is: the page frame's header for
    // "Header", and for "../x" the site's x.php (outside the folder) or hooks/x.php (its last part).
    writeHook('header.php', '<p id="Frame">frame</p>\n');
    writeHook('x.php', only(1));
    fs.writeFileSync(path.join(site.dir, 'x.php'), only(1));
    const c = new Client(php.base);
    const ids = async (t) => listRows((await c.get(`tablelist.php?t=${t}`)).text).map((r) => r[0]);
    assert.deepEqual(await ids(odd.weird), ['2']);
    assert.deepEqual(await ids(odd.header), ['3']);
    assert.deepEqual(await ids(odd.climber), ['1', '2', '3']);
    const page = await c.get(`tablelist.php?t=${odd.header}`);
    assert.equal(page.text.split('id="Frame"').length, 2, 'the frame\'s header once, as the frame');
  });
});
