// Searching tables whose texts are not utf8mb4 (utf8mb3, latin1), with values those character sets
// cannot hold and bytes that are not UTF-8, through every way a request value reaches a
// comparison: quick search, advanced search, paging by key and lookup suggestions. And what
// "is empty" means for columns that are not texts.
import { describe, it, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { ScratchDatabase, Site, PhpServer, Client, listRows } from './support.mjs';

let db;
let site;
let php;

// Table 0 (utf8mb3) and its lookup parent, table 1 (latin1); table 2 (utf8mb3) has a text key. Field positions of table 0:
// id 0, name 1, note 2, kind 3, n 4, amount 5, d 6, oid 7.
before(async () => {
  db = new ScratchDatabase('search');
  db.exec(`
    CREATE TABLE owner (oid INT NOT NULL PRIMARY KEY, label VARCHAR(30) NOT NULL) CHARACTER SET latin1;
    INSERT INTO owner VALUES (1, 'Café'), (2, 'plain');
    CREATE TABLE m3 (id INT NOT NULL PRIMARY KEY, name VARCHAR(30) NOT NULL, note TEXT NULL,
      kind ENUM('a', 'b') NULL, n INT NULL, amount DECIMAL(6,2) NULL, d DATE NULL, oid INT NULL,
      KEY name_idx (name)) CHARACTER SET utf8mb3;
    INSERT INTO m3 VALUES (1, 'Ωmega', '', 'a', 0, 0.00, '2026-01-01', 1), (2, 'é', NULL, NULL, NULL, NULL, NULL, 2),
      (3, 'plain', 'x', 'b', 5, 1.50, NULL, NULL);
    CREATE TABLE tag (code VARCHAR(10) NOT NULL PRIMARY KEY, label VARCHAR(20) NULL) CHARACTER SET utf8mb3;
    INSERT INTO tag VALUES ('é', 'accent'), ('x', 'plain');
  `);
  const fields = (names) => names.map((name) => ({ name }));
  site = new Site(db, [
    { name: 'm3', fields: [...fields(['id', 'name', 'note', 'kind', 'n', 'amount', 'd']),
      { name: 'oid', lookup: 'owner.label' }] },
    { name: 'owner', fields: fields(['oid', 'label']) },
    { name: 'tag', fields: fields(['code', 'label']) },
  ], { FK: true });
  php = await PhpServer.start(site.dir);
});

after(async () => {
  await php?.stop();
  site?.remove();
  db?.drop();
});

const ids = async (c, url) => {
  const r = await c.get(url);
  assert.equal(r.status, 200, url);
  return listRows(r.text).map((row) => row[0]);
};
// Bytes as they travel in a query string.
const pct = (hex) => hex.replace(/../g, '%$&');
const utf8 = (text) => Buffer.from(text).toString('hex');

describe('searches', () => {
  it('"is empty" means NULL, or an empty text for text columns only; 0 is a number', async () => {
    const c = new Client(php.base);
    const cases = [['n', 4, ['2'], ['1', '3']], ['amount', 5, ['2'], ['1', '3']], ['d', 6, ['2', '3'], ['1']],
      ['note', 2, ['1', '2'], ['3']], ['kind', 3, ['2'], ['1', '3']]];
    for (const [name, pos, empty, filled] of cases) {
      assert.deepEqual(await ids(c, `searchres.php?t=0&adv=1&o[${pos}]=empty&m=all`), empty, `${name} is empty`);
      assert.deepEqual(await ids(c, `searchres.php?t=0&adv=1&o[${pos}]=filled&m=all`), filled, `${name} is not empty`);
    }
    // Nor is a text that is not a number read as 0 or as its leading digits.
    for (const [v, eq, ne] of [['abc', [], ['1', '3']], ['5abc', [], ['1', '3']], ['%205%20', ['3'], ['1']]]) {
      assert.deepEqual(await ids(c, `searchres.php?t=0&adv=1&o[4]=eq&v[4]=${v}&m=all`), eq, `n = ${v}`);
      assert.deepEqual(await ids(c, `searchres.php?t=0&adv=1&o[4]=ne&v[4]=${v}&m=all`), ne, `n <> ${v}`);
    }
    assert.deepEqual(php.problems(), []);
  });

  it('a value a column\'s character set cannot hold matches nothing there instead of failing', async () => {
    const c = new Client(php.base);
    // An emoji (not in utf8mb3), a lone byte, a cut sequence, a surrogate, an overlong slash, a code
    // point above U+10FFFF, and a NUL before an emoji.
    const hostile = ['f09f9880', 'fffe', 'c3', 'eda080', 'c0af', 'f4908080', '00f09f9880'];
    const byName = await ids(c, 'tablelist.php?t=0&s=1&d=a');
    const foundByName = await ids(c, 'searchres.php?t=0&q=e&s=1');
    const notNull = { 1: ['1', '2', '3'], 2: ['1', '3'], 3: ['1', '3'] };
    for (const v of hostile) {
      assert.deepEqual(await ids(c, `searchres.php?t=0&q=${pct(v)}`), [], `quick search ${v}`);
      for (const pos of [1, 2, 3]) {
        for (const op of ['contains', 'begins', 'eq', 'ne', 'lt', 'le', 'gt', 'ge']) {
          assert.deepEqual(await ids(c, `searchres.php?t=0&adv=1&o[${pos}]=${op}&v[${pos}]=${pct(v)}&m=all`),
            op === 'ne' ? notNull[pos] : [], `${op} ${v} on field ${pos}`);
        }
      }
      // Keys of a page link that was not made here: the page is read by its number.
      for (const key of [`a[]=${pct(v)}&a[]=1`, `b[]=${pct(v)}&b[]=3`]) {
        assert.deepEqual(await ids(c, `tablelist.php?t=0&s=1&d=a&${key}`), byName, `page key ${v}`);
        assert.deepEqual(await ids(c, `searchres.php?t=0&q=e&s=1&${key}`), foundByName, `page key ${v} in a search`);
      }
      const suggest = await c.get(`search.php?t=0&lookup=7&q=${pct(v)}`);
      assert.equal(suggest.status, 200, `suggestions ${v}`);
      assert.deepEqual(JSON.parse(suggest.text), []);
    }
    // Texts the columns can hold are still found, in the table, in the lookup parent, and through
    // the lookup's display value; a Greek letter is held by utf8mb3 but not by latin1.
    assert.deepEqual(await ids(c, `searchres.php?t=0&q=${pct(utf8('Ω'))}`), ['1']);
    assert.deepEqual(await ids(c, `searchres.php?t=0&q=${pct(utf8('é'))}`), ['1', '2']);
    assert.deepEqual(await ids(c, `searchres.php?t=0&adv=1&o[1]=eq&v[1]=${pct(utf8('é'))}&m=all`), ['2']);
    assert.deepEqual(await ids(c, `searchres.php?t=1&q=${pct(utf8('é'))}`), ['1']);
    assert.deepEqual(await ids(c, `searchres.php?t=1&q=${pct(utf8('Ω'))}`), []);
    assert.deepEqual(await ids(c, `searchres.php?t=1&adv=1&o[1]=ne&v[1]=${pct(utf8('Ω'))}&m=all`), ['1', '2']);
    assert.deepEqual(JSON.parse((await c.get(`search.php?t=0&lookup=7&q=${pct(utf8('Caf'))}`)).text), [['1', 'Café']]);
    assert.deepEqual(JSON.parse((await c.get(`search.php?t=0&lookup=7&q=${pct(utf8('Ωx'))}`)).text), []);
    assert.deepEqual(php.problems(), []);
  });

  it('a record key its column cannot hold addresses no record', async () => {
    const c = new Client(php.base);
    assert.equal((await c.get(`view.php?t=2&k[]=${pct(utf8('é'))}`)).status, 200);
    for (const v of ['%F0%9F%98%80', '%FF%FE', '%C3']) {
      for (const page of ['view.php', 'edit.php', 'delete.php']) {
        assert.equal((await c.get(`${page}?t=2&k[]=${v}`)).status, 404, `${page} ${v}`);
      }
    }
    assert.deepEqual(php.problems(), []);
  });
});
