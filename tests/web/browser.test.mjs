// The generated site in headless Chromium: what a visitor does, click by click, and screenshots
// of the pages in each of the three stylesheets.
import { describe, it, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { PhpServer, launchBrowser, artifactsDir, stylesheets, download, parseCsv } from './support.mjs';
import { shopDatabase, shopSite, T } from './fixtures.mjs';

let db;
let site;
let php;
let browser;

before(async () => {
  db = shopDatabase('browser');
  site = shopSite(db, { Admin: 'boss', AdminPass: 'open sesame' });
  php = await PhpServer.start(site.dir);
  browser = await launchBrowser();
});

after(async () => {
  await browser?.close();
  await php?.stop();
  site?.remove();
  db?.drop();
});

const url = (p) => php.base + p;
const cells = (page, row) => page.locator(`#Records tbody tr:nth-child(${row}) td`).allTextContents();
const firstColumn = (page) => page.locator('#Records tbody tr td:first-child').allTextContents();

async function logIn(page) {
  await page.goto(url('index.php'));
  if (await page.locator('#LoginForm').count() === 0) return;
  await page.fill('#user', 'boss');
  await page.fill('#pass', 'open sesame');
  await Promise.all([page.waitForURL(/index\.php$/), page.click('#LoginForm button[type=submit]')]);
}

describe('a visitor', () => {
  it('logs in, sorts, pages, searches, adds, edits, deletes and logs out', async () => {
    const page = await browser.context.newPage();
    // Login: a wrong password first.
    await page.goto(url(`tablelist.php?t=${T.customers}`));
    assert.equal(await page.locator('#LoginForm').count(), 1);
    await page.fill('#user', 'boss');
    await page.fill('#pass', 'guess');
    await page.click('#LoginForm button[type=submit]');
    assert.match(await page.locator('.ErrorMessage').textContent(), /not correct/);
    await page.fill('#pass', 'open sesame');
    await Promise.all([page.waitForURL(/tablelist\.php\?t=0$/), page.click('#LoginForm button[type=submit]')]);
    assert.equal(await page.locator('h1').textContent(), 'customers');

    // Sorting by a column header, both ways, with the arrow.
    await page.click('#Records th >> text=last_name');
    assert.equal(await page.locator('#Records th img.SortArrow').getAttribute('src'), 'up.gif');
    const asc = db.exec('SELECT customer_id FROM customers ORDER BY last_name, customer_id').map((r) => r[0]);
    assert.deepEqual(await firstColumn(page), asc.slice(0, 10));
    await page.click('#Records th >> text=last_name');
    assert.equal(await page.locator('#Records th img.SortArrow').getAttribute('src'), 'down.gif');
    assert.deepEqual(await firstColumn(page), [...asc].reverse().slice(0, 10));

    // Paging.
    await page.click('#NextPage');
    assert.deepEqual(await firstColumn(page), [...asc].reverse().slice(10, 20));
    assert.match(await page.locator('.Summary').textContent(), /page 2 of 3/);
    await page.click('#PrevPage');
    assert.deepEqual(await firstColumn(page), [...asc].reverse().slice(0, 10));

    // Searching.
    await page.fill('.QuickSearch input[name=q]', 'Bergen');
    await page.click('.QuickSearch button');
    const cities = await page.locator('#Records tbody tr td:nth-child(5)').allTextContents();
    assert.ok(cities.length > 0 && cities.every((c) => c === 'Bergen'));

    // The searched list downloads as CSV: a header row and exactly the records found.
    const csv = await download(page, '#ExportCsv');
    assert.equal(csv.name, 'customers.csv');
    assert.deepEqual(parseCsv(csv.text), [['customer_id', 'first_name', 'last_name', 'email', 'city', 'created'],
      ...db.exec(`SELECT customer_id, first_name, last_name, email, city, created FROM customers
        WHERE CONCAT_WS('|', customer_id, first_name, last_name, email, city, created) LIKE '%Bergen%'
        ORDER BY customer_id`).map((r) => r.map((v) => v ?? ''))]);

    // Adding: a broken entry first, then the corrected one.
    await page.goto(url(`tablelist.php?t=${T.customers}`));
    await page.click('#AddRecord');
    await page.fill('#f1', 'J');
    await page.fill('#f2', 'Nordvik');
    await page.fill('#f3', 'j.nordvik-at-example');
    // The date picker offers no 31 April: the date is left empty (a bad date typed by hand is
    // refused by the server, see inputs.test.mjs).
    await page.click('#Save');
    assert.equal(await page.locator('#err1').textContent(), 'Must be 2 to 40 characters long.');
    assert.equal(await page.locator('#err3').textContent(), 'Must include: @');
    assert.equal(await page.locator('#err5').textContent(), 'This field is required.');
    assert.equal(await page.inputValue('#f2'), 'Nordvik', 'the input is kept');
    await page.fill('#f1', 'Jens');
    await page.fill('#f3', 'j@nordvik.example');
    await page.fill('#f5', '2026-04-30');
    await Promise.all([page.waitForURL(/view\.php/), page.click('#Save')]);
    assert.match(await page.locator('.Message').textContent(), /The record was added/);
    assert.deepEqual(db.exec(`SELECT first_name, email, created FROM customers WHERE last_name = 'Nordvik'`),
      [['Jens', 'j@nordvik.example', '2026-04-30']]);

    // Editing from the record view.
    await page.click('#EditRecord');
    await page.fill('#f4', 'Hamar');
    await Promise.all([page.waitForURL(/view\.php/), page.click('#Save')]);
    assert.match(await page.locator('#Record').textContent(), /Hamar/);
    assert.equal(db.exec(`SELECT city FROM customers WHERE last_name = 'Nordvik'`)[0][0], 'Hamar');

    // Deleting asks first; Cancel keeps the record, the confirmation deletes it.
    await page.click('#DeleteRecord');
    assert.match(await page.locator('.Warning').textContent(), /really want to delete/);
    await page.click('#DeleteForm .Cancel');
    assert.equal(db.exec(`SELECT COUNT(*) FROM customers WHERE last_name = 'Nordvik'`)[0][0], '1');
    await page.goBack();
    await Promise.all([page.waitForURL(/tablelist\.php/), page.click('#ConfirmDelete')]);
    assert.match(await page.locator('.Message').textContent(), /The record was deleted/);
    assert.equal(db.exec(`SELECT COUNT(*) FROM customers WHERE last_name = 'Nordvik'`)[0][0], '0');

    // Logging out.
    await page.click('#Logout');
    assert.equal(await page.locator('#LoginForm').count(), 1);
    await page.goto(url(`tablelist.php?t=${T.customers}`));
    assert.equal(await page.locator('#LoginForm').count(), 1);
    assert.equal(await page.locator('#Records').count(), 0);
    await page.close();
    assert.deepEqual(php.problems(), []);
  });

  it('picks a lookup value from the drop-down and from the suggestions of a large parent', async () => {
    const page = await browser.context.newPage();
    await logIn(page);
    await page.goto(url(`add.php?t=${T.orders}`));
    const labels = await page.locator('#f1 option').allTextContents();
    assert.ok(labels.includes('Holm') && labels.includes('Strand'));
    await page.selectOption('#f1', { label: 'Dahl' });
    await page.fill('#f2', '2026-12-24T18:00');
    await page.selectOption('#f3', 'paid');
    await Promise.all([page.waitForURL(/view\.php/), page.click('#Save')]);
    assert.match(await page.locator('#Record').textContent(), /Dahl/);
    const dahl = db.exec(`SELECT customer_id FROM customers WHERE last_name = 'Dahl' ORDER BY first_name LIMIT 1`)[0][0];
    assert.deepEqual(db.exec(`SELECT customer_id, status FROM orders WHERE ordered_at = '2026-12-24 18:00:00'`), [[dahl, 'paid']]);

    await page.goto(url(`add.php?t=${T.childbig}`));
    await page.locator('#f1').pressSequentially('Title 0149', { delay: 20 });
    await page.waitForFunction(() => document.querySelectorAll('#dl1 option').length === 10);
    assert.deepEqual(await page.locator('#dl1 option').evaluateAll((os) => os.map((o) => o.value)),
      ['1490', '1491', '1492', '1493', '1494', '1495', '1496', '1497', '1498', '1499']);
    await page.fill('#f1', '1493');
    await Promise.all([page.waitForURL(/view\.php/), page.click('#Save')]);
    assert.match(await page.locator('#Record').textContent(), /Title 01493/);
    await page.close();
  });

  it('sees a customer\'s orders on the customer\'s record, page by page, and adds one with the customer filled in', async () => {
    const customer = '12';
    db.exec(`INSERT INTO orders (customer_id, ordered_at, status) SELECT ${customer}, CONCAT('2026-11-0', seq, ' 10:00:00'), 'new'
      FROM seq_1_to_4`);
    const orders = db.exec(`SELECT order_id FROM orders WHERE customer_id = ${customer} ORDER BY order_id`).map((r) => r[0]);
    assert.equal(orders.length, 7);
    const page = await browser.context.newPage();
    await logIn(page);
    await page.goto(url(`view.php?t=${T.customers}&k[]=${customer}`));
    const list = page.locator('.ChildRecords', { has: page.locator('h2', { hasText: /^orders/ }) });
    assert.match(await list.locator('.Summary').textContent(), /^7 records · page 1 of 2$/);
    const seen = await list.locator('tbody td:first-child').allTextContents();
    await list.locator('.ChildNext').click();
    assert.match(await list.locator('.Summary').textContent(), /page 2 of 2/);
    seen.push(...await list.locator('tbody td:first-child').allTextContents());
    assert.deepEqual(seen, orders);
    assert.equal(await list.locator('.ChildNext').count(), 0);
    assert.match(await page.locator('#Record').textContent(), /Holm/, 'the record itself stays on its page');

    await Promise.all([page.waitForURL(/add\.php/), list.locator('.ChildAdd').click()]);
    assert.equal(await page.inputValue('#f1'), customer);
    await page.fill('#f2', '2026-12-01T08:00');
    await Promise.all([page.waitForURL(/view\.php/), page.click('#Save')]);
    assert.deepEqual(db.exec(`SELECT customer_id FROM orders WHERE ordered_at = '2026-12-01 08:00:00'`), [[customer]]);
    await page.close();
    assert.deepEqual(php.problems(), []);
  });

  it('with $JavaValidate the browser shows the rules before anything is sent', async () => {
    site.setOptions({ JavaValidate: true });
    const page = await browser.context.newPage();
    await logIn(page);
    await page.goto(url(`add.php?t=${T.customers}`));
    let posted = 0;
    page.on('request', (r) => { if (r.method() === 'POST') posted++; });
    await page.fill('#f1', 'J');
    await page.fill('#f3', 'nobody');
    await page.click('#Save');
    assert.equal(await page.locator('#err1').textContent(), 'Must be 2 to 40 characters long.');
    assert.equal(await page.locator('#err2').textContent(), 'This field is required.');
    assert.equal(await page.locator('#err3').textContent(), 'Must include: @ .');
    assert.equal(posted, 0);
    assert.ok(page.url().endsWith(`add.php?t=${T.customers}`));
    site.setOptions({ JavaValidate: false });
    await page.close();
  });
});

// Walking a list by its Next and Previous links, which continue from the key of the page's first
// or last row: the sort column holds NULLs (which sort first) and ties (the key breaks them).
describe('walking a list by key', () => {
  let W;
  // Clicks a link and waits until its page has loaded.
  const follow = async (page, link) => {
    const from = page.url();
    await Promise.all([page.waitForURL((u) => u.href !== from), page.click(link)]);
  };
  const order = (d) => `ORDER BY grp ${d}, id ${d}`;
  before(() => {
    db.exec(`CREATE TABLE walk (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, grp VARCHAR(10) NULL, KEY grp_idx (grp)) ENGINE=InnoDB;
      INSERT INTO walk (grp) SELECT IF(seq MOD 4 = 0, NULL, ELT(1 + seq MOD 3, 'a', 'b', 'c')) FROM seq_1_to_75;`);
    W = site.tables.length;
    site.configure([...site.tables, { name: 'walk', fields: [{ name: 'id' }, { name: 'grp' }] }], site.options);
  });

  it('shows the offset pages\' rows, next and back, both ways, and last then previous', async () => {
    const page = await browser.context.newPage();
    await logIn(page);
    for (const [d, dir] of [['a', 'ASC'], ['d', 'DESC']]) {
      const all = db.exec(`SELECT id FROM walk ${order(dir)}`).map((r) => r[0]);
      const pages = [];
      const links = [];
      await page.goto(url(`tablelist.php?t=${W}&s=1&d=${d}`));
      for (let p = 1; p <= 8; p++) {
        if (p > 1) await follow(page, '#NextPage');
        links.push(page.url());
        pages.push(await firstColumn(page));
        assert.deepEqual(pages[p - 1], all.slice((p - 1) * 10, p * 10), `${dir} page ${p} by key`);
      }
      for (let p = 7; p >= 1; p--) {
        await follow(page, '#PrevPage');
        links.push(page.url());
        assert.deepEqual(await firstColumn(page), pages[p - 1], `${dir} page ${p} on the way back`);
      }
      assert.ok(links.some((l) => /&n=1/.test(l)), `${dir}: some page went on from a NULL: ${links}`);
      assert.equal(await page.locator('#PrevPage').count(), 0, 'the first page has no previous page');
      // The offset pages say the same.
      for (let p = 1; p <= 8; p++) {
        await page.goto(url(`tablelist.php?t=${W}&s=1&d=${d}&p=${p}`));
        assert.deepEqual(await firstColumn(page), pages[p - 1], `${dir} page ${p} by number`);
      }
      await page.goto(url(`tablelist.php?t=${W}&s=1&d=${d}`));
      await follow(page, '#LastPage');
      assert.deepEqual(await firstColumn(page), all.slice(70), `${dir} last page`);
      await follow(page, '#PrevPage');
      assert.deepEqual(await firstColumn(page), all.slice(60, 70), `${dir} the page before the last`);
    }
    await page.close();
    assert.deepEqual(php.problems(), []);
  });

  it('shows no row twice and skips none while rows come and go between clicks', async () => {
    const page = await browser.context.newPage();
    await logIn(page);
    const start = db.exec(`SELECT id FROM walk ${order('ASC')}`).map((r) => r[0]);
    const deleted = new Set();
    const seen = [];
    await page.goto(url(`tablelist.php?t=${W}&s=1&d=a`));
    for (let click = 0; ; click++) {
      seen.push(...await firstColumn(page));
      // Rows before and after the page come, a row shown and a row not yet shown go.
      const [shown, ahead] = [seen[seen.length - 3], start[Math.min(seen.length + 12, start.length - 1)]];
      db.exec(`INSERT INTO walk (grp) VALUES (NULL), ('a'), ('b'), ('c'); DELETE FROM walk WHERE id IN (${shown}, ${ahead});`);
      deleted.add(shown).add(ahead);
      if (await page.locator('#NextPage').count() === 0 || click === 12) break;
      await follow(page, '#NextPage');
    }
    assert.equal(new Set(seen).size, seen.length, `a row came twice: ${seen}`);
    const missed = start.filter((id) => !seen.includes(id) && !deleted.has(id));
    assert.deepEqual(missed, [], 'rows that stayed all along were each shown');
    await page.close();
  });
});

// Pictures of the pages are kept for a person to look at; they prove nothing by themselves. A busy
// machine sometimes makes headless Chromium refuse a capture, so it is tried again and, failing
// that, only reported, while the assertions about the styles still decide the test.
async function keepPicture(page, file, fullPage = false) {
  for (let attempt = 1; attempt <= 3; attempt++) {
    try {
      await page.screenshot({ path: file, fullPage });
      return;
    } catch (error) {
      if (attempt === 3) console.warn(`picture ${file} not taken: ${error.message}`);
      else await page.waitForTimeout(250 * attempt);
    }
  }
}

describe('appearance', () => {
  it('every page is styled by each of the three stylesheets', async () => {
    fs.mkdirSync(artifactsDir, { recursive: true });
    site.setOptions({ Navigator: true });
    for (const [style, css] of Object.entries(stylesheets)) {
      site.setOptions({ CSS: css });
      const page = await browser.context.newPage();
      await page.goto(url('login.php'));
      if (await page.locator('#Logout').count() > 0) await page.click('#Logout');
      await keepPicture(page, path.join(artifactsDir, `${style}-login.png`));
      await logIn(page);
      const shots = {
        tables: 'index.php',
        list: `tablelist.php?t=${T.orders}&s=1&d=d`,
        view: `view.php?t=${T.kinds}&k[]=1`,
        children: `view.php?t=${T.customers}&k[]=12`,
        search: `advview.php?t=${T.customers}`,
      };
      for (const [name, p] of Object.entries(shots)) {
        await page.goto(url(p));
        await keepPicture(page, path.join(artifactsDir, `${style}-${name}.png`), true);
      }
      await page.goto(url(`add.php?t=${T.customers}`));
      await page.fill('#f1', 'J');
      await page.fill('#f3', 'x');
      await page.click('#Save');
      await keepPicture(page, path.join(artifactsDir, `${style}-add-errors.png`), true);
      // The stylesheet is really applied: the header row takes its colours from it.
      await page.goto(url(`tablelist.php?t=${T.customers}`));
      const header = await page.locator('#Records tr.Header').evaluate((el) => getComputedStyle(el).backgroundColor);
      const alt = await page.locator('#Records tr.TableAltRow').first().evaluate((el) => getComputedStyle(el).backgroundColor);
      assert.notEqual(header, 'rgba(0, 0, 0, 0)', `${style}: header row not styled`);
      assert.notEqual(alt, 'rgba(0, 0, 0, 0)', `${style}: alternate rows not styled`);
      const arrowLoaded = await page.goto(url('up.gif'));
      assert.equal(arrowLoaded.headers()['content-type'], 'image/gif');
      await page.close();
    }
    site.setOptions({ CSS: 'default.css', Navigator: false });
    assert.deepEqual(php.problems(), []);
  });

  it('a stylesheet written by the appearance builder styles the body, header rows, alternate rows and links', async () => {
    // The builder's own output: its selectors and its way of writing the declarations.
    const built = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'qmweb-css-')), 'built.css');
    fs.writeFileSync(built, [
      'BODY { font-name: Arial; font-size: 10; color: #000080;background-color: #FFFFF0 }',
      'TR.Header { font-name: Arial; font-size: 10; color: #FFFFFF;font-weight:bold;background-color: #800000 }',
      'TR.TableAltRow { font-name: Arial; font-size: 10; color: #000000;font-style:italic;background-color: #E0FFE0 }',
      'A:link { font-name: Arial; font-size: 10; color: #0000FF;text-decoration:underline;background-color: #FFFFF0 }',
      'A:hover { COLOR: #FF0000; text-decoration: underline  }',
      'A:visited { COLOR: #800080; text-decoration: none  }', ''].join('\r\n'));
    site.setOptions({ CSS: built });
    const page = await browser.context.newPage();
    await logIn(page);
    await page.goto(url(`tablelist.php?t=${T.orders}`));
    const style = (sel, prop) => page.locator(sel).first().evaluate((el, p) => getComputedStyle(el)[p], prop);
    assert.equal(await style('body', 'backgroundColor'), 'rgb(255, 255, 240)');
    assert.equal(await style('#Records tr.Header', 'backgroundColor'), 'rgb(128, 0, 0)');
    assert.equal(await style('#Records tr.Header th', 'fontWeight'), '700');
    assert.equal(await style('#Records tr.TableAltRow', 'backgroundColor'), 'rgb(224, 255, 224)');
    assert.equal(await style('#Records tr.TableAltRow td', 'fontStyle'), 'italic');
    assert.equal(await style('#Records tr.TableRow td', 'color'), 'rgb(0, 0, 128)');
    assert.equal(await style('a[href^="add.php"]', 'color'), 'rgb(0, 0, 255)');
    await keepPicture(page, path.join(artifactsDir, 'Built-list.png'), true);
    await page.close();
    site.setOptions({ CSS: 'default.css' });
    fs.rmSync(path.dirname(built), { recursive: true, force: true });
  });
});
