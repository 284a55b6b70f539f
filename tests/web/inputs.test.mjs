// The inputs of the add and edit forms fit their columns: the input type and the attributes the
// column type and the rules of config.php give, values shown as each input expects them and saved
// back as the server writes them, and the server's checks still refusing a hand-made POST.
import { describe, it, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { PhpServer, Client, Site, allFields, launchBrowser, artifactsDir, decode } from './support.mjs';
import { shopDatabase, shopTables, T } from './fixtures.mjs';

// Column kinds the shop and its kinds table lack, with values no picker can show.
const typedTable = `
  SET SESSION sql_mode = '';
  CREATE TABLE typed (
    id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    big BIGINT NULL, ubig BIGINT UNSIGNED NULL, tiny TINYINT UNSIGNED NOT NULL,
    ratio DECIMAL(5,3) NULL, wide DECIMAL(20,2) NULL, dbl DOUBLE UNSIGNED NULL,
    stamp TIMESTAMP(3) NULL, fine DATETIME(6) NULL, dur TIME NOT NULL, zero DATE NOT NULL,
    code CHAR(3) NOT NULL, note VARCHAR(1000) NULL, twice INT AS (tiny * 2) VIRTUAL
  ) ENGINE=InnoDB;
  INSERT INTO typed (big, ubig, tiny, ratio, wide, dbl, stamp, fine, dur, zero, code, note) VALUES
    (-9007199254740993, 18446744073709551615, 7, 12.345, 123456789012345678.25, 1e20, '2026-02-03 04:05:06.789',
     '2026-02-03 04:05:06.123456', '838:59:59', '0000-00-00', 'abc', 'x');
  CREATE TABLE writes (n INT NOT NULL);
  INSERT INTO writes VALUES (0);
  CREATE TRIGGER kinds_written AFTER UPDATE ON kinds FOR EACH ROW UPDATE writes SET n = n + 1;
  CREATE TRIGGER typed_written AFTER UPDATE ON typed FOR EACH ROW UPDATE writes SET n = n + 1;
`;
const TYPED = Object.keys(T).length;

let db;
let site;
let php;

before(async () => {
  db = shopDatabase('inputs');
  db.exec(typedTable);
  const typed = allFields(db, 'typed').map((f) => (f.name === 'tiny' ? { ...f, max: 50, min: 1 } : f));
  site = new Site(db, [...shopTables(db), { name: 'typed', fields: typed }], { FK: true });
  php = await PhpServer.start(site.dir);
});

after(async () => {
  await php?.stop();
  site?.remove();
  db?.drop();
});

// The element of a form with the id f<pos>: its tag, attributes and (for an output) its text.
function formField(html, pos) {
  for (const m of html.matchAll(/<(input|select|textarea|output|span)\b([^>]*)>/g)) {
    const attributes = Object.fromEntries([...m[2].matchAll(/([\w-]+)(?:="([^"]*)")?/g)].map((a) => [a[1], decode(a[2] ?? '')]));
    if (attributes.id !== `f${pos}`) continue;
    const text = m[1] === 'output' ? decode(html.slice(m.index + m[0].length).split('</output>')[0].replace(/<[^>]*>/g, '')) : '';
    return { tag: m[1], attributes, text };
  }
  return null;
}

// Table, form (add, or the key of the record to edit), field position and what its element must be:
// the tag, then name=value (the attribute has that value), name (it is there) or !name (it is not);
// text=... is an output's text.
const expected = [
  ['customers', 'add', 0, 'output text='],
  ['customers', 'add', 1, 'input type=text maxlength=40 required'],
  ['customers', 'add', 3, 'input type=text maxlength=80 !required'],
  ['customers', 'add', 5, 'input type=date value= required'],
  ['customers', '3', 0, 'output text=3'],
  ['customers', '3', 5, 'input type=date value=2026-03-12'],
  ['products', 'add', 2, 'input type=number min=-999999.99 max=999999.99 step=0.01 required'],
  ['products', 'add', 3, 'input type=number min=0 max=500 step=1 !required'],
  ['products', '1', 3, 'input type=number min=0 max=500 value=81 required'],
  ['products', 'add', 4, 'textarea !maxlength'],
  ['orders', 'add', 1, 'select class=Lookup !required'],
  ['orders', 'add', 2, 'input type=datetime-local step=1 required'],
  ['orders', 'add', 3, 'select !required'],
  ['orders', '1', 2, 'input type=datetime-local value=2026-02-02T09:01:00'],
  ['orders', '1', 3, 'select required'],
  ['order_lines', 'add', 3, 'input type=number min=0 max=65535 step=1'],
  ['kinds', '1', 1, 'input type=date value=2026-02-03 !required'],
  ['kinds', '1', 3, 'input type=time step=1 value=07:08:09'],
  ['kinds', '1', 4, 'input type=number min=1901 max=2155 value=2026'],
  ['kinds', '1', 5, 'select required'],
  ['kinds', '1', 6, 'span class=SetChoices'],
  ['kinds', '1', 7, 'output text=[binary,\u00a02\u00a0KB]'],
  ['kinds', '1', 9, 'input type=number min=-2147483648 max=2147483647 step=1'],
  ['kinds', '1', 11, 'input type=number step=any !min !max'],
  ['typed', 'add', 0, 'output text='],
  ['typed', 'add', 1, 'input type=text inputmode=numeric pattern=-?[0-9]+ !max'],
  ['typed', 'add', 2, 'input type=text inputmode=numeric pattern=[0-9]+'],
  ['typed', 'add', 3, 'input type=number min=1 max=50 step=1 required'],
  ['typed', 'add', 4, 'input type=number min=-99.999 max=99.999 step=0.001'],
  ['typed', 'add', 5, 'input type=text inputmode=decimal'],
  ['typed', 'add', 6, 'input type=number min=0 step=any'],
  ['typed', 'add', 7, 'input type=datetime-local step=0.001'],
  ['typed', 'add', 8, 'input type=text placeholder=YYYY-MM-DD\u00a0hh:mm:ss'],
  ['typed', 'add', 9, 'input type=time required'],
  ['typed', 'add', 10, 'input type=date required'],
  ['typed', 'add', 11, 'input type=text maxlength=3 !required'],
  ['typed', 'add', 12, 'textarea maxlength=1000'],
  ['typed', 'add', 13, 'output text='],
  ['typed', '1', 1, 'input type=text value=-9007199254740993'],
  ['typed', '1', 2, 'input type=text value=18446744073709551615'],
  ['typed', '1', 6, 'input type=number value=1.0E+20'],
  ['typed', '1', 7, 'input type=datetime-local value=2026-02-03T04:05:06.789'],
  ['typed', '1', 8, 'input type=text value=2026-02-03\u00a004:05:06.123456'],
  ['typed', '1', 9, 'input type=text value=838:59:59'],
  ['typed', '1', 10, 'input type=text value=0000-00-00 required'],
  ['typed', '1', 13, 'output text=14'],
];

describe('inputs that fit their columns', () => {
  it('each column gets the input of its type, with the limits of its type and rule', async () => {
    const c = new Client(php.base);
    const pages = new Map();
    const failures = [];
    for (const [table, form, pos, want] of expected) {
      const ti = table === 'typed' ? TYPED : T[table];
      const url = form === 'add' ? `add.php?t=${ti}` : `edit.php?t=${ti}&k[]=${form}`;
      if (!pages.has(url)) pages.set(url, (await c.get(url)).text);
      const got = formField(pages.get(url), pos);
      const [tag, ...checks] = want.split(' ');
      const wrong = !got || got.tag !== tag || checks.some((check) => {
        const [, not, name, value] = /^(!?)([\w-]+)(?:=(.*))?$/.exec(check);
        const actual = name === 'text' ? got.text : got.attributes[name];
        if (not) return actual !== undefined;
        return value === undefined ? actual === undefined : actual !== value.replace(/\u00a0/g, ' ');
      });
      if (wrong) failures.push(`${table} ${form} f${pos}: want ${want}, got ${JSON.stringify(got)}`);
    }
    assert.deepEqual(failures, []);
    assert.deepEqual(php.problems(), []);
  });

  it('a POST made by hand with values the inputs would not give is refused by the server', async () => {
    const c = new Client(php.base);
    const token = await c.token(`add.php?t=${TYPED}`);
    const bad = { 2: '-1', 3: '300', 4: 'abc', 7: '2026-02-30T10:00', 9: '10:61', 10: '2026-13-01' };
    const r = await c.post('execute.php', { csrf: token, action: 'add', t: TYPED, 'f[11]': 'xyz',
      ...Object.fromEntries(Object.entries(bad).map(([pos, v]) => [`f[${pos}]`, v])) });
    assert.equal(r.status, 422);
    const errors = Object.fromEntries(Object.keys(bad).map((pos) => [pos, decode(new RegExp(`id="err${pos}">([^<]*)<`).exec(r.text)[1])]));
    assert.deepEqual(errors, {
      2: 'Must be a whole number of 0 or more.', 3: 'Must be a whole number from 0 to 255.', 4: 'Must be a number.',
      7: 'Must be a date and time written YYYY-MM-DD hh:mm:ss.', 9: 'Must be a time written hh:mm:ss.',
      10: 'Must be a date written YYYY-MM-DD.',
    });
    const ruled = await c.post('execute.php', { csrf: token, action: 'add', t: TYPED, 'f[3]': '51', 'f[9]': '10:00', 'f[10]': '2026-01-01', 'f[11]': 'xyz' });
    assert.match(ruled.text, /id="err3">Must be a number from 1 to 50\./);
    assert.equal(db.exec('SELECT COUNT(*) FROM typed')[0][0], '1');
  });

  it('in Chromium the pickers save what they show, and an unchanged save keeps every value', async () => {
    const browser = await launchBrowser();
    try {
      const page = await browser.context.newPage();
      await page.goto(`${php.base}edit.php?t=${T.kinds}&k[]=2`);
      await page.fill('#f1', '2027-12-31');
      await page.fill('#f2', '2027-12-31T23:59');
      await page.fill('#f3', '12:30:15');
      await page.fill('#f4', '1999');
      await page.selectOption('#f5', 'green');
      await page.check('#f6 input[value=a]');
      await page.check('#f6 input[value=c]');
      await page.fill('#f10', '3.25');
      await Promise.all([page.waitForURL(/view\.php/), page.click('#Save')]);
      assert.deepEqual(db.exec('SELECT d, dt, tm, yr, e, s, price FROM kinds WHERE id = 2'),
        [['2027-12-31', '2027-12-31 23:59:00', '12:30:15', '1999', 'green', 'a,c', '3.25']]);

      // Saved again untouched, nothing is written: the date and time is shown as the input wants
      // it and comes back in the server's format, to the millisecond.
      const before = db.exec('SELECT n FROM writes');
      for (const record of [`t=${T.kinds}&k[]=2`, `t=${T.kinds}&k[]=1`, `t=${TYPED}&k[]=1`]) {
        await page.goto(`${php.base}edit.php?${record}`);
        await Promise.all([page.waitForURL(/view\.php/), page.click('#Save')]);
      }
      assert.deepEqual(db.exec('SELECT n FROM writes'), before, 'an untouched form changes no column');
      await page.goto(`${php.base}edit.php?t=${T.kinds}&k[]=2`);
      assert.equal(await page.inputValue('#f2'), '2027-12-31T23:59');

      // Pictures of the add and edit forms with the new inputs, for a person to look at.
      fs.mkdirSync(artifactsDir, { recursive: true });
      for (const [form, url] of [['add', `add.php?t=${TYPED}`], ['edit', `edit.php?t=${TYPED}&k[]=1`]]) {
        await page.goto(php.base + url);
        await page.screenshot({ path: path.join(artifactsDir, `inputs-${form}.png`), fullPage: true });
      }
      await page.close();
    } finally {
      await browser.close();
    }
    assert.deepEqual(php.problems(), []);
  });
});
