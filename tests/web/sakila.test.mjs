// The generated site over the Sakila sample (../shared/data/sakila): a schema of the kind users
// bring, with composite keys, ENUM, SET, YEAR, BLOB and geometry columns, triggers and foreign keys
// between all its tables. Skipped where the sample is not there.
import { describe, it, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { Site, PhpServer, Client, listRows, formErrors, linkById, decode, parseCsv, launchBrowser, download } from './support.mjs';
import { sakilaDir, sakilaPresent, sakilaDatabase, sakilaTables } from './fixtures.mjs';

// The child lists of a record view, by table: summary line, cells of the rows, next and add links.
function childLists(html) {
  const lists = {};
  const re = /<div class="ChildRecords" id="Child\d+">\s*<h2>([^<]*) <span[\s\S]*?<p class="Summary">([^<]*)<\/p>([\s\S]*?)<\/div>\s*<\/div>/g;
  for (const [, table, summary, body] of html.matchAll(re)) {
    const link = (cls) => { const m = new RegExp(`<a href="([^"]*)" class="${cls}"`).exec(body); return m ? decode(m[1]) : null; };
    lists[decode(table)] = {
      summary: decode(summary.replace(/&middot;/g, '\u00b7')),
      rows: [...body.matchAll(/<tr class="Table(?:Alt)?Row">([\s\S]*?)<\/tr>/g)].filter((r) => !r[1].includes('NoRecords'))
        .map((r) => [...r[1].matchAll(/<td[^>]*>([\s\S]*?)<\/td>/g)].map((c) => decode(c[1].replace(/<[^>]*>/g, '')))),
      next: link('ChildNext'),
      add: link('ChildAdd'),
    };
  }
  return lists;
}

describe('the Sakila sample', { skip: sakilaPresent ? false : `no Sakila sample in ${sakilaDir}` }, () => {
  let db;
  let site;
  let php;
  let tables;

  before(async () => {
    db = sakilaDatabase('sakila');
    tables = sakilaTables(db);
    site = new Site(db, tables, { FK: true, Navigator: true, JavaValidate: true, RecsPerPage: 15 });
    php = await PhpServer.start(site.dir);
  });

  after(async () => {
    await php?.stop();
    site?.remove();
    db?.drop();
  });

  it('every page of every table answers, sorted by every column, without a PHP notice', async () => {
    const c = new Client(php.base);
    for (let t = 0; t < tables.length; t++) {
      const pages = [`tablelist.php?t=${t}`, `tablelist.php?t=${t}&last=1`, `add.php?t=${t}`, `search.php?t=${t}`,
        `advview.php?t=${t}`, `searchres.php?t=${t}&q=an`, `searchres.php?t=${t}&adv=1&o[1]=begins&v[1]=A`];
      tables[t].fields.forEach((f, i) => pages.push(`tablelist.php?t=${t}&s=${i}&d=d&p=2`));
      for (const p of pages) {
        const r = await c.get(p);
        assert.equal(r.status, 200, p);
        assert.match(r.text, /<\/html>\n$/, p);
      }
      const list = await c.get(`tablelist.php?t=${t}`);
      assert.ok(listRows(list.text).length > 0, tables[t].name);
      const view = /<a href="(view\.php\?[^"]*)">View<\/a>/.exec(list.text);
      assert.ok(view, `${tables[t].name} offers no record view`);
      for (const p of ['view.php', 'edit.php', 'delete.php']) {
        const r = await c.get(view[1].replace(/&amp;/g, '&').replace('view.php', p));
        assert.equal(r.status, 200, `${p} of ${tables[t].name}`);
      }
    }
    assert.deepEqual(php.problems(), []);
  });

  it('shows lookups, BLOB sizes and SET values, and pages the largest table', async () => {
    const c = new Client(php.base);
    const t = (name) => tables.findIndex((x) => x.name === name);
    const film = await c.get(`view.php?t=${t('film')}&k[]=1`);
    assert.match(film.text, /ACADEMY DINOSAUR/);
    assert.match(film.text, /Deleted Scenes,Behind the Scenes/);
    assert.match(film.text, /<span class="Lookup" title="1">English/);
    const address = listRows((await c.get(`tablelist.php?t=${t('address')}&s=0&d=a`)).text);
    assert.deepEqual(address[0].slice(0, 2), ['1', '47 MySakila Drive']);
    const staff = listRows((await c.get(`tablelist.php?t=${t('staff')}`)).text);
    assert.ok(staff.some((r) => r.some((v) => /^\[binary, [\d.]+ KB\]$/.test(v)) || r.includes('NULL')));
    const rental = await c.get(`tablelist.php?t=${t('rental')}&s=1&d=a`);
    assert.match(rental.text, /16,0\d\d records|About [\d,]+ records/);
    const rentalAdd = await c.get(`add.php?t=${t('rental')}`);
    assert.match(rentalAdd.text, /name="f\[2\]"[^>]*data-lookup=/, 'inventory (4,581 rows) gets a search box');
    assert.match(rentalAdd.text, /<select name="f\[3\]"[^>]*class="Lookup">/, 'customer (599 rows) gets a drop-down');
    assert.deepEqual(php.problems(), []);
  });

  it('edits and adds records through the forms, triggers and composite keys included', async () => {
    const c = new Client(php.base);
    const t = (name) => tables.findIndex((x) => x.name === name);
    const token = await c.token(`add.php?t=${t('actor')}`);
    const edit = await c.post('execute.php', [['csrf', token], ['action', 'edit'], ['t', t('actor')], ['k[]', '1'],
      ['f[1]', 'PENÉLOPE'], ['f[2]', 'GUINESS'], ['f[3]', '2026-01-02 03:04:05']]);
    assert.equal(edit.status, 303, formErrors(edit.text));
    assert.deepEqual(db.exec('SELECT first_name FROM actor WHERE actor_id = 1'), [['PENÉLOPE']]);
    // A composite key; the sample's own foreign key from film_actor points at a table it lacks, so
    // adding is refused by the server, which the visitor is told plainly.
    const change = await c.post('execute.php', [['csrf', token], ['action', 'edit'], ['t', t('film_actor')], ['k[]', '1'],
      ['k[]', '1'], ['f[0]', '1'], ['f[1]', '1'], ['f[2]', '2026-05-06 07:08:09']]);
    assert.equal(change.status, 303, formErrors(change.text));
    assert.equal(change.location, `view.php?t=${t('film_actor')}&k%5B0%5D=1&k%5B1%5D=1`);
    assert.deepEqual(db.exec('SELECT last_update FROM film_actor WHERE actor_id = 1 AND film_id = 1'), [['2026-05-06 07:08:09']]);
    const add = await c.post('execute.php', { csrf: token, action: 'add', t: t('film_actor'), 'f[0]': '1', 'f[1]': '2',
      'f[2]': '2026-01-01 00:00:00' });
    assert.equal(add.status, 422);
    assert.equal(formErrors(add.text), 'A lookup value does not match any record of its table.');
    const film = await c.post('execute.php', { csrf: token, action: 'add', t: t('film'), 'f[1]': 'QUILL TEST',
      'f[2]': 'A film', 'f[3]': '2026', 'f[4]': '1', 'f[6]': '3', 'f[7]': '4.99', 'f[8]': '90', 'f[9]': '19.99', 'f[10]': 'PG',
      'f[12]': '2026-01-01 00:00:00' });
    assert.equal(film.status, 303, formErrors(film.text));
    // The film trigger copied the title into film_text.
    assert.deepEqual(db.exec(`SELECT title FROM film_text WHERE title = 'QUILL TEST'`), [['QUILL TEST']]);
    const refused = await c.post('execute.php', { csrf: token, action: 'delete', t: t('language'), 'k[]': '1' });
    assert.equal(refused.status, 409);
    assert.deepEqual(php.problems(), []);
  });

  it('searches its utf8mb3 tables for texts they cannot hold without a server error', async () => {
    const c = new Client(php.base);
    // An emoji, bytes that are not UTF-8, and a NUL before an emoji.
    for (const v of ['%F0%9F%98%80', '%FF%FE', '%C3', '%00%F0%9F%98%80']) {
      for (let t = 0; t < tables.length; t++) {
        const every = tables[t].fields.map((f, i) => `o[${i}]=eq&v[${i}]=${v}`).join('&');
        const urls = [`searchres.php?t=${t}&q=${v}`, `searchres.php?t=${t}&adv=1&${every}&m=any`];
        tables[t].fields.forEach((f, i) => {
          urls.push(`tablelist.php?t=${t}&s=${i}&a[]=${v}&a[]=1`);
          // (Some of the sample's foreign keys name a table it lacks: those are no lookups.)
          if (f.lookup && tables.some((x) => f.lookup.startsWith(`${x.name}.`))) {
            urls.push(`search.php?t=${t}&lookup=${i}&q=${v}`);
          }
        });
        for (const url of urls) {
          const r = await c.get(url);
          // A paging key that does not fit its sort column's type is refused (404) before any
          // statement; one that fits but cannot be held is ignored. Never a server error.
          if (url.startsWith('tablelist')) assert.ok([200, 404].includes(r.status), `${url}: ${r.status}`);
          else assert.equal(r.status, 200, url);
          if (url.startsWith('searchres')) assert.deepEqual(listRows(r.text), [], url);
        }
      }
    }
    assert.deepEqual(php.problems(), []);
  });

  it('lists on a record the records that refer to it, page by page, with an add link that fills the key in', async () => {
    const c = new Client(php.base);
    const t = (name) => tables.findIndex((x) => x.name === name);
    const customer = '5';
    const first = (await c.get(`view.php?t=${t('customer')}&k[]=${customer}`)).text;
    assert.deepEqual(Object.keys(childLists(first)), ['payment', 'rental']);
    for (const [child, other] of [['payment', 'rental'], ['rental', 'payment']]) {
      const expected = db.exec(`SELECT ${child}_id FROM ${child} WHERE customer_id = ${customer} ORDER BY ${child}_id`).map((r) => r[0]);
      const pages = Math.ceil(expected.length / 5);
      assert.ok(pages > 2, `${child}: ${expected.length} records`);
      const seen = [];
      for (let html = first, p = 1; html; p++) {
        const lists = childLists(html);
        assert.equal(lists[child].summary, `${expected.length} records \u00b7 page ${p} of ${pages}`);
        assert.match(lists[other].summary, / page 1 of /, `paging ${child} leaves ${other} alone`);
        seen.push(...lists[child].rows.map((r) => r[0]));
        html = lists[child].next && (await c.get(lists[child].next)).text;
      }
      assert.deepEqual(seen, expected);
    }
    const addLink = childLists(first).rental.add;
    assert.equal(addLink, `add.php?t=${t('rental')}&f%5B3%5D=${customer}`);
    const add = await c.get(addLink);
    assert.match(add.text, new RegExp(`<select name="f\\[3\\]"[^>]*>(<option[^>]*>[^<]*</option>)*?<option value="${customer}" selected>`));

    // The sample's film_actor, film_category and inventory refer to a film table it lacks: the
    // film shows no child lists, while an actor lists its film_actor rows (a composite key).
    assert.deepEqual(childLists((await c.get(`view.php?t=${t('film')}&k[]=2`)).text), {});
    const actor = childLists((await c.get(`view.php?t=${t('actor')}&k[]=2`)).text);
    assert.deepEqual(Object.keys(actor), ['film_actor']);
    assert.deepEqual(actor.film_actor.rows.map((r) => r[1]),
      db.exec('SELECT film_id FROM film_actor WHERE actor_id = 2 ORDER BY film_id LIMIT 5').map((r) => r[0]));
    assert.deepEqual(php.problems(), []);
  });

  it('in Chromium, a customer shows its rentals, adds one with the customer chosen, and a search downloads', async () => {
    const t = (name) => tables.findIndex((x) => x.name === name);
    const browser = await launchBrowser();
    try {
      const page = await browser.context.newPage();
      await page.goto(`${php.base}view.php?t=${t('customer')}&k[]=5`);
      const rentals = db.exec('SELECT rental_id FROM rental WHERE customer_id = 5 ORDER BY rental_id').map((r) => r[0]);
      const list = page.locator('.ChildRecords', { has: page.locator('h2', { hasText: /^rental/ }) });
      const seen = await list.locator('tbody td:first-child').allTextContents();
      await list.locator('.ChildNext').click();
      assert.match(await list.locator('.Summary').textContent(), /page 2 of /);
      seen.push(...await list.locator('tbody td:first-child').allTextContents());
      assert.deepEqual(seen, rentals.slice(0, 10));

      await Promise.all([page.waitForURL(/add\.php/), list.locator('.ChildAdd').click()]);
      assert.equal(await page.inputValue('#f3'), '5');
      assert.equal(await page.locator('#f3 option:checked').textContent(), 'ELIZABETH');

      await page.goto(`${php.base}tablelist.php?t=${t('actor')}`);
      await page.fill('.QuickSearch input[name=q]', 'BER');
      await Promise.all([page.waitForURL(/searchres\.php/), page.click('.QuickSearch button')]);
      const csv = await download(page, '#ExportCsv');
      assert.equal(csv.name, 'actor.csv');
      assert.deepEqual(parseCsv(csv.text), [['actor_id', 'first_name', 'last_name', 'last_update'],
        ...db.exec(`SELECT actor_id, first_name, last_name, last_update FROM actor
          WHERE CONCAT_WS('|', first_name, last_name) LIKE '%BER%' ORDER BY actor_id`)]);
      await page.close();
    } finally {
      await browser.close();
    }
    assert.deepEqual(php.problems(), []);
  });

  it('exports searched lists as CSV with exactly the records the database has, lookups shown beside', async () => {
    const c = new Client(php.base);
    const t = (name) => tables.findIndex((x) => x.name === name);
    const exported = async (page) => {
      const link = linkById((await c.get(page)).text, 'ExportCsv');
      assert.equal(link, `${page}&export=csv`);
      return parseCsv((await c.get(link)).text);
    };
    const actors = db.exec(`SELECT actor_id, first_name, last_name, last_update FROM actor
      WHERE CONCAT_WS('|', first_name, last_name) LIKE '%BER%' ORDER BY actor_id`);
    assert.ok(actors.length > 3);
    assert.deepEqual(await exported(`searchres.php?t=${t('actor')}&q=BER`),
      [['actor_id', 'first_name', 'last_name', 'last_update'], ...actors]);

    // Films beginning with a letter, sorted by title: SET values hold commas, so fields are quoted.
    const films = db.exec(`SELECT f.film_id, f.title, f.description, f.release_year, f.language_id, l.name,
        f.original_language_id, o.name, f.rental_duration, f.rental_rate, f.length, f.replacement_cost, f.rating,
        f.special_features, f.last_update
      FROM film f JOIN language l ON l.language_id = f.language_id LEFT JOIN language o ON o.language_id = f.original_language_id
      WHERE f.title LIKE 'S%' ORDER BY f.title DESC`).map((r) => r.map((v) => v ?? ''));
    assert.ok(films.length > 3 && films.some((r) => r[13].includes(',')));
    assert.deepEqual(await exported(`searchres.php?t=${t('film')}&adv=1&m=all&o%5B1%5D=begins&v%5B1%5D=S&s=1&d=d`),
      [['film_id', 'title', 'description', 'release_year', 'language_id', 'language_id (language.name)', 'original_language_id',
        'original_language_id (language.name)', 'rental_duration', 'rental_rate', 'length', 'replacement_cost', 'rating',
        'special_features', 'last_update'], ...films]);
    assert.deepEqual(php.problems(), []);
  });
});
