// Changes that meet other changes: two visitors saving or deleting the same record (in Chromium).
import { describe, it, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { PhpServer, Site, launchVisitors, artifactsDir } from './support.mjs';
import { shopDatabase, shopTables, T } from './fixtures.mjs';

let db;
let site;
let php;

before(async () => {
  db = shopDatabase('changes');
  site = new Site(db, shopTables(db), { FK: true });
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
