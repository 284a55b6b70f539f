// The generated site over HTTP: every page served by `php -S` against the private MariaDB, with
// the option flags, the login, form tokens, hostile data, paging and the rules of config.php.
import { describe, it, before, after, beforeEach } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { PhpServer, Client, listRows, linkById, decode, sql, Site, server, formErrors, parseCsv } from './support.mjs';
import { shopDatabase, shopSite, T, hostileTable, hostileColumn, hostileValue, BIG_ROWS } from './fixtures.mjs';

let db;
let site;
let php;

before(async () => {
  db = shopDatabase('http');
  site = shopSite(db);
  php = await PhpServer.start(site.dir);
});

after(async () => {
  await php?.stop();
  site?.remove();
  db?.drop();
});

// Every test starts from the default options and ends without a PHP notice or warning.
beforeEach(() => {
  site.configure(site.tables, { FK: true });
  php.problems();
});

function noPhpProblems() {
  assert.deepEqual(php.problems(), [], 'PHP wrote notices or warnings');
}

const count = (table) => Number(db.exec(`SELECT COUNT(*) FROM \`${table}\``)[0][0]);

describe('pages', () => {
  it('every page of every table answers without a PHP notice or warning', async () => {
    const c = new Client(php.base);
    site.setOptions({ Navigator: true, JavaValidate: true });
    const index = await c.get('index.php');
    assert.equal(index.status, 200);
    for (const t of site.tables) assert.ok(index.text.includes(`>${t.name.replace(/</g, '&lt;').replace(/>/g, '&gt;')}</a>`), t.name);
    for (let t = 0; t < site.tables.length; t++) {
      for (const url of [`tablelist.php?t=${t}`, `tablelist.php?t=${t}&s=1&d=d`, `add.php?t=${t}`, `search.php?t=${t}`,
        `advview.php?t=${t}`, `searchres.php?t=${t}&q=a`, `searchres.php?t=${t}&adv=1&o[0]=gt&v[0]=0&m=all`,
        `tablelist.php?t=${t}&last=1`]) {
        const r = await c.get(url);
        assert.equal(r.status, 200, url);
        assert.match(r.text, /<\/html>\n$/, url);
        assert.equal(r.headers.get('x-powered-by'), null, url);
      }
      const list = await c.get(`tablelist.php?t=${t}`);
      const m = /<a href="(view\.php\?[^"]*)">View<\/a>/.exec(list.text);
      if (m) {
        const view = decode(m[1]);
        for (const page of ['view.php', 'edit.php', 'delete.php']) {
          const r = await c.get(view.replace('view.php', page));
          assert.equal(r.status, 200, `${page} of table ${t}`);
        }
      }
    }
    noPhpProblems();
  });

  it('unknown tables, records and parameters of the wrong shape get a plain error page', async () => {
    const c = new Client(php.base);
    for (const url of ['tablelist.php', 'tablelist.php?t=99', 'tablelist.php?t[]=0', 'view.php?t=0&k[]=99999',
      'view.php?t=0&k=1', 'edit.php?t=0&k[]=1&k[]=2', 'view.php?t=5&k[]=1', 'delete.php?t=0&k[][]=1']) {
      const r = await c.get(url);
      assert.ok([400, 404].includes(r.status), `${url}: ${r.status}`);
      assert.match(r.text, /class="ErrorMessage"/);
      assert.doesNotMatch(r.text, /SELECT|mysqli|\/tmp|\.php on line/);
    }
    noPhpProblems();
  });

  it('parameters of every odd shape give no server error and no PHP notice', async () => {
    const c = new Client(php.base);
    const odd = ['t[]=0', 't=0&s[]=1&d[]=d&p[]=2', 't=0&p=99999999999', 't=0&p=-1&s=-1', 't=0&a[][]=1&b=x',
      't=0&k[][]=1', 't=0&k[]=', 't=0&q[]=x', 't=0&adv=1&o=eq&v=x', 't=0&adv=1&o[0][]=eq&v[0][]=x&m[]=any',
      't=0&lookup[]=1', 't=9&lookup=0&q=x', 't=9&lookup=1&q[]=x', 't=0&last[]=1', 't=%00', 't=0&s=1%00'];
    const pages = ['tablelist.php', 'view.php', 'edit.php', 'delete.php', 'add.php', 'search.php', 'advview.php', 'searchres.php'];
    for (const page of pages) {
      for (const q of odd) {
        const r = await c.get(`${page}?${q}`);
        assert.ok(r.status < 500, `${page}?${q}: ${r.status}`);
      }
    }
    const token = await c.token(`add.php?t=${T.customers}`);
    for (const body of [{ csrf: token, action: 'add', t: T.customers, f: 'x' }, [['csrf', token], ['action[]', 'add']],
      [['csrf', token], ['action', 'edit'], ['t', String(T.customers)], ['k[]', '1'], ['f[1][]', 'x'], ['f[6][x]', 'y']],
      [['csrf[]', token], ['action', 'delete']], { csrf: token, action: 'delete', t: T.customers, 'k[][]': '1' },
      [['csrf', token], ['next[]', 'x'], ['user[]', 'x']]]) {
      const r = await c.post('execute.php', body);
      assert.ok(r.status < 500, JSON.stringify(body));
    }
    noPhpProblems();
  });

  it('a hostile record token (h) changes nothing and is never an error of the server', async () => {
    const c = new Client(php.base);
    const form = await c.get(`edit.php?t=${T.customers}&k[]=6`);
    const token = form.text.match(/name="csrf" value="([0-9a-f]+)"/)[1];
    const h = form.text.match(/name="h" value="([0-9a-f]{64})"/)[1];
    const before = db.exec('SELECT * FROM customers WHERE customer_id = 6');
    const body = (action, ...more) => [['csrf', token], ['action', action], ['t', String(T.customers)], ['k[]', '6'],
      ['f[1]', 'Hostile'], ['f[2]', 'Token'], ['f[5]', '2026-01-01'], ...more];
    for (const hostile of ["' OR 1=1 -- ", h.toUpperCase(), `${h} `, h.slice(1), `\0${h}`, hostileValue, 'f'.repeat(100000)]) {
      const edit = await c.post('execute.php', body('edit', ['h', hostile]));
      assert.equal(edit.status, 409, hostile.slice(0, 80));
      const del = await c.post('execute.php', body('delete', ['h', hostile]));
      assert.equal(del.status, 303, hostile.slice(0, 80));
      assert.match(del.location, /^delete\.php\?/);
    }
    for (const shape of [[['h[]', h]], [['h[x]', h]], [['h', h], ['h[]', 'x']]]) {
      assert.ok((await c.post('execute.php', body('delete', ...shape))).status < 500, JSON.stringify(shape));
    }
    assert.deepEqual(db.exec('SELECT * FROM customers WHERE customer_id = 6'), before);
    assert.equal((await c.post('execute.php', body('edit', ['h', h]))).status, 303, 'the token of the form is taken');
    assert.equal(db.exec('SELECT first_name FROM customers WHERE customer_id = 6')[0][0], 'Hostile');
    noPhpProblems();
  });

  it('include-only files opened directly show nothing of their own', async () => {
    const c = new Client(php.base);
    for (const f of ['main.php', 'primary.php', 'clause.php', 'validator.php']) {
      const r = await c.get(f);
      assert.equal(r.status, 302, f);
      assert.equal(r.location, 'index.php');
      assert.equal(r.headers.get('x-powered-by'), null, f);
    }
  });

  it('a stylesheet whose file name holds #, ?, % or a space is linked so that it loads', async () => {
    const fs = await import('node:fs');
    const os = await import('node:os');
    const dir = fs.mkdtempSync(`${os.tmpdir()}/qmweb-css-`);
    const css = `${dir}/my #1 ?50% & style.css`;
    fs.writeFileSync(css, '#Page { color: rgb(1, 2, 3); }\n');
    try {
      site.setOptions({ CSS: css });
      const page = await new Client(php.base).get('index.php');
      const href = decode(/<link rel="stylesheet" href="([^"]*)">/.exec(page.text)[1]);
      const r = await fetch(new URL(href, php.base));
      assert.equal(r.status, 200, href);
      assert.equal(await r.text(), fs.readFileSync(css, 'utf8'));
    } finally {
      fs.rmSync(dir, { recursive: true, force: true });
    }
  });
});

describe('option flags are enforced on the server', () => {
  const cases = [
    { flag: 'Add', get: `add.php?t=${T.customers}`, post: { action: 'add', t: T.customers }, link: 'add.php' },
    { flag: 'Edit', get: `edit.php?t=${T.customers}&k[]=1`, post: { action: 'edit', t: T.customers, 'k[]': 1 }, link: 'edit.php' },
    { flag: 'Delete', get: `delete.php?t=${T.customers}&k[]=24`, post: { action: 'delete', t: T.customers, 'k[]': 24 }, link: 'delete.php' },
    { flag: 'View', get: `view.php?t=${T.customers}&k[]=1`, link: 'view.php' },
    { flag: 'Search', get: `search.php?t=${T.customers}`, also: `searchres.php?t=${T.customers}&q=Oslo`, link: 'searchres.php' },
    { flag: 'SearchRecords', get: `advview.php?t=${T.customers}`, also: `searchres.php?t=${T.customers}&adv=1&o[4]=eq&v[4]=Oslo`, link: 'advview.php' },
  ];
  for (const k of cases) {
    it(`$${k.flag} = False refuses its pages and its POST`, async () => {
      const c = new Client(php.base);
      const token = await c.token(`add.php?t=${T.customers}`);
      const before = db.exec('SELECT COUNT(*), MAX(first_name), SUM(LENGTH(city)) FROM customers')[0].join('|');
      site.setOptions({ [k.flag]: false });
      for (const url of [k.get, k.also].filter(Boolean)) {
        const r = await c.get(url);
        assert.equal(r.status, 403, url);
        assert.match(r.text, /not allowed/);
      }
      if (k.post) {
        const r = await c.post('execute.php', { ...k.post, csrf: token, 'f[1]': 'Zed', 'f[2]': 'Zed', 'f[5]': '2026-01-01' });
        assert.equal(r.status, 403);
        assert.equal(db.exec('SELECT COUNT(*), MAX(first_name), SUM(LENGTH(city)) FROM customers')[0].join('|'), before);
      }
      const list = await c.get(`tablelist.php?t=${T.customers}`);
      assert.equal(list.status, 200);
      assert.ok(!list.text.includes(`href="${k.link}`), `the list still links to ${k.link}`);
      noPhpProblems();
    });
  }
});

describe('form tokens', () => {
  it('a POST without the token, with a wrong one or with another session\'s changes nothing', async () => {
    const c = new Client(php.base);
    const other = new Client(php.base);
    const foreign = await other.token(`add.php?t=${T.customers}`);
    await c.get('index.php');
    const before = count('customers');
    const form = { action: 'delete', t: T.customers, 'k[]': '3' };
    for (const csrf of [undefined, '', 'x'.repeat(64), foreign]) {
      const r = await c.post('execute.php', csrf === undefined ? form : { ...form, csrf });
      assert.equal(r.status, 403);
      assert.match(r.text, /form has expired/);
    }
    assert.equal(count('customers'), before);
    const get = await c.get(`execute.php?action=delete&t=${T.customers}&k[]=3`);
    assert.equal(get.status, 405);
    assert.equal(get.headers.get('allow'), 'POST');
    assert.equal(count('customers'), before);
  });
});

describe('login', () => {
  const pages = ['index.php', 'login.php', 'login.php?next=index.php', `tablelist.php?t=${T.orders}`,
    `view.php?t=${T.orders}&k[]=1`, `edit.php?t=${T.orders}&k[]=1`, `add.php?t=${T.orders}`, `delete.php?t=${T.orders}&k[]=1`,
    `search.php?t=${T.orders}`, `advview.php?t=${T.orders}`, `searchres.php?t=${T.orders}&q=1`,
    `search.php?t=${T.childbig}&lookup=1&q=Title`, 'execute.php', `tablelist.php?t=${T.orders}&export=csv`,
    `searchres.php?t=${T.orders}&q=1&export=csv`, `view.php?t=${T.customers}&k[]=12&cp[0]=1`];

  it('with $Admin set every page answers an unauthenticated request with the login page', async () => {
    site.setOptions({ Admin: 'boss', AdminPass: 'se"cr$et', ExtraQueries: ['INSERT INTO visits () VALUES ()'] });
    const visits = count('visits');
    const c = new Client(php.base);
    for (const url of pages) {
      const r = await c.get(url);
      assert.match(r.text, /id="LoginForm"/, url);
      assert.doesNotMatch(r.text, /id="Records"|Title 0|order_id,|ChildRecords/, url);
    }
    const before = count('orders');
    const token = (await c.get('index.php')).text.match(/name="csrf" value="([0-9a-f]+)"/)[1];
    const r = await c.post('execute.php', { csrf: token, action: 'delete', t: T.orders, 'k[]': '30' });
    assert.match(r.text, /id="LoginForm"/);
    assert.equal(count('orders'), before);
    const failed = await c.post('login.php', { csrf: token, user: 'boss', pass: 'no', next: 'index.php' });
    assert.equal(failed.status, 403);
    assert.equal(count('visits'), visits, 'nothing runs on the database before the login');
    noPhpProblems();
  });

  it('logs in with the right name and password only, renews the session id, and logs out', async () => {
    site.setOptions({ Admin: 'boss', AdminPass: 'se"cr$et' });
    const c = new Client(php.base);
    const first = await c.get(`tablelist.php?t=${T.orders}&p=2`);
    const token = first.text.match(/name="csrf" value="([0-9a-f]+)"/)[1];
    const next = decode(first.text.match(/name="next" value="([^"]*)"/)[1]);
    assert.equal(next, `tablelist.php?t=${T.orders}&p=2`);
    // Each failure answers with a new form token; the one before is spent.
    let current = token;
    for (const [user, pass] of [['boss', 'wrong'], ['Boss', 'se"cr$et'], ['', ''], ['boss', 'se"cr$et ']]) {
      const bad = await c.post('login.php', { csrf: current, user, pass, next });
      assert.equal(bad.status, 403);
      assert.match(bad.text, /not correct/);
      const renewed = bad.text.match(/name="csrf" value="([0-9a-f]+)"/)[1];
      assert.notEqual(renewed, current);
      current = renewed;
    }
    assert.match((await c.post('login.php', { csrf: token, user: 'boss', pass: 'se"cr$et', next })).text, /form has expired/);
    const idBefore = [...c.cookies.values()][0];
    const ok = await c.post('login.php', { csrf: current, user: 'boss', pass: 'se"cr$et', next });
    assert.equal(ok.status, 303);
    assert.equal(ok.location, next);
    assert.notEqual([...c.cookies.values()][0], idBefore, 'the session id was not renewed');
    const list = await c.get(next);
    assert.match(list.text, /id="Records"/);
    // A login cannot be sent elsewhere.
    const evil = await c.get('login.php?next=https://example.org/');
    assert.equal(evil.status, 303);
    // Logging out needs the form token and ends the session.
    const t2 = list.text.match(/name="csrf" value="([0-9a-f]+)"/)[1];
    const out = await c.post('login.php', { csrf: t2, logout: '1' });
    assert.equal(out.status, 303);
    assert.match((await c.get(next)).text, /id="LoginForm"/);
    noPhpProblems();
  });

  it('each failed login makes the next wait longer, across sessions and names, until a login', async () => {
    site.setOptions({ Admin: 'boss', AdminPass: 'pw' });
    // Every attempt from a fresh session, as a guesser without cookies sends them.
    const attempt = async (user, pass) => {
      const c = new Client(php.base);
      const csrf = await c.token('login.php');
      const start = performance.now();
      const r = await c.post('login.php', { csrf, user, pass, next: 'index.php' });
      return { status: r.status, ms: performance.now() - start };
    };
    // 0.25 s, then twice as long each time (to 3 s); the last counts by the client's address.
    for (const [user, least] of [['boss', 250], ['boss', 500], ['boss', 1000], ['somebody', 2000]]) {
      const { status, ms } = await attempt(user, 'guess');
      assert.equal(status, 403);
      assert.ok(ms >= least * 0.95 && ms < least + 1000, `${user}: ${Math.round(ms)} ms, expected about ${least}`);
    }
    assert.equal((await attempt('boss', 'pw')).status, 303);
    const after = await attempt('boss', 'guess');
    assert.ok(after.ms < 1500, `a login resets the count: ${Math.round(after.ms)} ms`);
    assert.equal((await attempt('boss', 'pw')).status, 303);
    noPhpProblems();
  });

  it('changing the password in config.php ends open sessions', async () => {
    site.setOptions({ Admin: 'boss', AdminPass: 'one' });
    const c = new Client(php.base);
    const token = await c.token('index.php');
    assert.equal((await c.post('login.php', { csrf: token, user: 'boss', pass: 'one', next: 'index.php' })).status, 303);
    assert.match((await c.get('index.php')).text, /id="TableList"/);
    site.setOptions({ Admin: 'boss', AdminPass: 'two' });
    assert.match((await c.get('index.php')).text, /id="LoginForm"/);
  });
});

describe('hostile names and values', () => {
  it('are shown as text on every page', async () => {
    const c = new Client(php.base);
    db.exec(`UPDATE customers SET city = '<b onmouseover=x>"&amp;' WHERE customer_id = 2`);
    const pages = ['index.php', `tablelist.php?t=${T.hostile}`, `view.php?t=${T.hostile}&k[]=1`, `edit.php?t=${T.hostile}&k[]=1`,
      `delete.php?t=${T.hostile}&k[]=1`, `add.php?t=${T.hostile}`, `advview.php?t=${T.hostile}`, `search.php?t=${T.hostile}`,
      `searchres.php?t=${T.hostile}&q=script`, `view.php?t=${T.customers}&k[]=2`, `edit.php?t=${T.customers}&k[]=2`,
      `add.php?t=${T.customers}&f[4]=${encodeURIComponent('<b onmouseover=x>')}`];
    for (const url of pages) {
      const r = await c.get(url);
      assert.equal(r.status, 200, url);
      for (const raw of [hostileTable, hostileColumn, hostileValue, '<b onmouseover']) assert.ok(!r.text.includes(raw), `${url} holds ${raw}`);
    }
    const list = await c.get(`tablelist.php?t=${T.hostile}`);
    assert.ok(list.text.includes('&lt;script&gt;alert(&quot;c&quot;)&lt;/script&gt;'));
    assert.deepEqual(listRows(list.text)[0].slice(0, 2), ['1', hostileValue]);
    const edit = await c.get(`edit.php?t=${T.customers}&k[]=2`);
    assert.ok(edit.text.includes('value="&lt;b onmouseover=x&gt;&quot;&amp;amp;"'));
    // The search text is echoed back escaped too.
    const s = await c.get(`searchres.php?t=${T.customers}&q=${encodeURIComponent('"><svg onload=alert(1)>')}`);
    assert.ok(!s.text.includes('<svg onload'));
    assert.match(s.headers.get('content-security-policy'), /script-src 'self' 'nonce-/);
    noPhpProblems();
  });

  it('values with quotes, backslashes and non-Latin letters are stored and read back exactly', async () => {
    const c = new Client(php.base);
    const token = await c.token(`add.php?t=${T.customers}`);
    const name = "O'Brien \\\" Ωμέγα 😀";
    try {
      const r = await c.post('execute.php', { csrf: token, action: 'add', t: T.customers, 'f[1]': 'Zoë', 'f[2]': name,
        'f[3]': 'z@x.org', 'f[4]': "'; DROP TABLE customers; --", 'f[5]': '2026-03-04' });
      assert.equal(r.status, 303);
      const row = db.exec(`SELECT last_name, city FROM customers WHERE first_name = 'Zoë'`);
      assert.deepEqual(row, [[name, "'; DROP TABLE customers; --"]]);
      const view = await c.get(r.location);
      assert.ok(view.text.includes('O&#039;Brien \\&quot; Ωμέγα 😀') || view.text.includes('O&apos;Brien \\&quot; Ωμέγα 😀'));
    } finally {
      db.exec(`DELETE FROM customers WHERE first_name = 'Zoë'`);
    }
  });
});

describe('statements take nothing from the request but values', () => {
  it('sort, page, key, table and search parameters cannot change a statement', async () => {
    const c = new Client(php.base);
    const plain = listRows((await c.get(`tablelist.php?t=${T.customers}`)).text);
    for (const url of [`tablelist.php?t=${T.customers}&s=${encodeURIComponent('1 DESC, (SELECT SLEEP(1))')}`,
      `tablelist.php?t=${T.customers}&s=0&d=${encodeURIComponent('DESC; DROP TABLE big')}`,
      `tablelist.php?t=${T.customers}&p=${encodeURIComponent('1 OR 1=1')}`]) {
      const r = await c.get(url);
      assert.equal(r.status, 200, url);
      assert.deepEqual(listRows(r.text), plain, url);
    }
    const key = await c.get(`view.php?t=${T.customers}&k[]=${encodeURIComponent('1 OR 1=1')}`);
    assert.equal(key.status, 404, 'a key that is not a number finds nothing');
    const q = await c.get(`searchres.php?t=${T.customers}&q=${encodeURIComponent("' OR '1'='1")}`);
    assert.deepEqual(listRows(q.text), []);
    const pct = await c.get(`searchres.php?t=${T.customers}&q=%25`);
    assert.deepEqual(listRows(pct.text), [], 'a % in the search text is a literal %');
    const adv = await c.get(`searchres.php?t=${T.customers}&adv=1&o[4]=${encodeURIComponent('eq OR 1=1')}&v[4]=x&m=all`);
    assert.equal(listRows(adv.text).length, 10, 'an unknown operator is ignored');
    const csv = (await c.get(`tablelist.php?t=${T.customers}&export=csv`)).text;
    for (const url of [`tablelist.php?t=${T.customers}&export=csv&s=${encodeURIComponent('1 DESC, (SELECT SLEEP(1))')}`,
      `searchres.php?t=${T.customers}&q=&export=csv&d=${encodeURIComponent('DESC; DROP TABLE big')}`]) {
      assert.equal((await c.get(url)).text, csv, url);
    }
    const children = (await c.get(`view.php?t=${T.customers}&k[]=12`)).text;
    for (const cp of ['1 OR 1=1', "1' OR '1'='1", '-1']) {
      assert.equal((await c.get(`view.php?t=${T.customers}&k[]=12&cp[0]=${encodeURIComponent(cp)}`)).text.replace(/[0-9a-f]{64}/g, ''),
        children.replace(/[0-9a-f]{64}/g, ''), cp);
    }
    const after = await c.get(`tablelist.php?t=${T.customers}&a[]=${encodeURIComponent("1' OR '1'='1")}`);
    assert.equal(after.status, 404);
    assert.equal(count('big'), BIG_ROWS);
    noPhpProblems();
  });
});

describe('lists', () => {
  it('page a large table by key with an estimated count, stable and complete', async () => {
    const c = new Client(php.base);
    site.setOptions({ RecsPerPage: 25 });
    const first = await c.get(`tablelist.php?t=${T.big}&s=1&d=a`);
    assert.match(first.text, /About [\d,]+ records \(estimated\)/);
    const expected = db.exec('SELECT id FROM big ORDER BY name, id LIMIT 100').map((r) => r[0]);
    let page = first;
    const seen = [];
    for (let i = 0; i < 4; i++) {
      seen.push(...listRows(page.text).map((r) => r[0]));
      const next = linkById(page.text, 'NextPage');
      if (i === 0) assert.match(next, /a%5B0%5D=name0000&a%5B1%5D=\d+/, 'next continues from the last key');
      page = await c.get(next);
    }
    assert.deepEqual(seen, expected);
    // Previous from page 5 by key gives page 4 again.
    const prev = await c.get(linkById(page.text, 'PrevPage'));
    assert.deepEqual(listRows(prev.text).map((r) => r[0]), expected.slice(75, 100));
    // A page in the middle by number, and the last page, match the server's own order.
    const middle = await c.get(`tablelist.php?t=${T.big}&s=1&d=d&p=600`);
    assert.deepEqual(listRows(middle.text).map((r) => r[0]),
      db.exec('SELECT id FROM big ORDER BY name DESC, id DESC LIMIT 14975, 25').map((r) => r[0]));
    const last = await c.get(`tablelist.php?t=${T.big}&last=1`);
    assert.deepEqual(listRows(last.text).map((r) => r[0]),
      db.exec('SELECT id FROM (SELECT id FROM big ORDER BY id DESC LIMIT 25) x ORDER BY id').map((r) => r[0]));
    assert.equal(linkById(last.text, 'NextPage'), null);
    noPhpProblems();
  });

  it('count a small table exactly, sort by any column both ways, and mark the direction', async () => {
    const c = new Client(php.base);
    const r = await c.get(`tablelist.php?t=${T.customers}&s=4&d=d`);
    assert.match(r.text, /24 records &middot; page 1 of 3/);
    assert.match(r.text, />city<\/a><img src="down\.gif"/);
    assert.deepEqual(listRows(r.text).map((row) => row[0]),
      db.exec('SELECT customer_id FROM customers ORDER BY city DESC, customer_id DESC LIMIT 10').map((row) => row[0]));
    const up = await c.get(`tablelist.php?t=${T.customers}&s=4&d=a`);
    assert.match(up.text, />city<\/a><img src="up\.gif"/);
    // A nullable sort column pages by number; every row still appears once.
    const ids = [];
    for (let p = 1; p <= 3; p++) ids.push(...listRows((await c.get(`tablelist.php?t=${T.customers}&s=3&d=a&p=${p}`)).text).map((row) => row[0]));
    assert.equal(new Set(ids).size, 24);
  });

  it('a records-per-page of zero or below pages by 10', async () => {
    const c = new Client(php.base);
    for (const n of [0, -3]) {
      site.setOptions({ RecsPerPage: n });
      const r = await c.get(`tablelist.php?t=${T.customers}`);
      assert.equal(listRows(r.text).length, 10, `RecsPerPage ${n}`);
      assert.match(r.text, /page 1 of 3/);
    }
    site.setOptions({ RecsPerPage: 7 });
    assert.equal(listRows((await c.get(`tablelist.php?t=${T.customers}`)).text).length, 7);
  });

  it('show NULL, BLOB sizes, cut long texts, ENUM and SET values; full texts on the record view', async () => {
    const c = new Client(php.base);
    const rows = listRows((await c.get(`tablelist.php?t=${T.kinds}`)).text);
    assert.deepEqual(rows[0].slice(0, 8), ['1', '2026-02-03', '2026-02-03 04:05:06', '07:08:09', '2026', 'green', 'a,c', '[binary, 2 KB]']);
    assert.match(rows[0][8], /^Long text start lorem ipsum .{30,}\u2026$/);
    assert.ok(rows[0][8].length <= 61);
    assert.deepEqual(rows[1].slice(0, 10), ['2', 'NULL', 'NULL', 'NULL', 'NULL', 'blue', 'NULL', 'NULL', 'short', '7']);
    const view = await c.get(`view.php?t=${T.kinds}&k[]=1`);
    assert.match(view.text, /lorem ipsum END/);
    assert.doesNotMatch(view.text, /xxxxxxxx/);
    site.setOptions({ ViewTable: true });
    assert.match(listRows((await c.get(`tablelist.php?t=${T.kinds}`)).text)[0][8], /END$/);
    noPhpProblems();
  });

  it('a table without a primary key is listed but offers no view, edit or delete', async () => {
    const c = new Client(php.base);
    const r = await c.get(`tablelist.php?t=${T.nokey}`);
    assert.deepEqual(listRows(r.text), [['one', '1'], ['three', '3'], ['two', '2']]);
    assert.doesNotMatch(r.text, /"(view|edit|delete)\.php/);
    assert.match(r.text, /no primary key/);
    assert.equal((await c.get(`edit.php?t=${T.nokey}&k[]=one`)).status, 404);
  });

  it('searches: simple in every column and lookup display values, advanced per column', async () => {
    const c = new Client(php.base);
    const oslo = listRows((await c.get(`searchres.php?t=${T.customers}&q=oslo`)).text);
    assert.equal(oslo.length, Math.min(10, Number(db.exec(`SELECT COUNT(*) FROM customers WHERE city = 'Oslo'`)[0][0])));
    assert.ok(oslo.length > 5);
    assert.ok(oslo.every((r) => r[4] === 'Oslo'));
    const byName = listRows((await c.get(`searchres.php?t=${T.orders}&q=Strand`)).text);
    const expected = db.exec(`SELECT COUNT(*) FROM orders o JOIN customers c USING (customer_id) WHERE c.last_name = 'Strand'`)[0][0];
    assert.equal(byName.length, Math.min(10, Number(expected)));
    assert.ok(byName.every((r) => r[1] === 'Strand'));
    const adv = await c.get(`searchres.php?t=${T.customers}&adv=1&o[4]=eq&v[4]=Oslo&o[1]=begins&v[1]=J&m=all`);
    assert.deepEqual(listRows(adv.text).map((r) => r[1]), ['Jon']);
    const any = await c.get(`searchres.php?t=${T.customers}&adv=1&o[4]=eq&v[4]=Turku&o[3]=empty&m=any`);
    const n = db.exec(`SELECT COUNT(*) FROM customers WHERE city = 'Turku' OR email IS NULL OR email = ''`)[0][0];
    assert.match(any.text, new RegExp(`>${n} records? &middot;`));
    noPhpProblems();
  });

  it('searches a large table: words through its FULLTEXT index, prefixes, "More than" and an exact count', async () => {
    const c = new Client(php.base);
    site.setOptions({ RecsPerPage: 25 });
    const search = (q) => `searchres.php?t=${T.big}&adv=1&m=all&o%5B2%5D=contains&v%5B2%5D=${encodeURIComponent(q)}`;
    const exported = async (q) => parseCsv((await c.get(`${search(q)}&export=csv`)).text).slice(1).map((r) => r[0]);
    const ids = (where) => db.exec(`SELECT id FROM big WHERE ${where} ORDER BY id`).map((r) => r[0]);
    // The notes are "note N": the index finds the numbers that begin with 2345, where LIKE would
    // also find 12345 and 22345.
    const words = ids("SUBSTRING_INDEX(note, ' ', -1) LIKE '2345%'");
    assert.equal(words.length, 11);
    assert.notDeepEqual(ids("note LIKE '%2345%'"), words);
    assert.deepEqual(await exported('2345'), words);
    // A word in every row ("note") and one shorter than the index holds ("9") are found as LIKE
    // finds them, beside the words the index finds.
    assert.deepEqual(await exported('note 2345'), words);
    assert.deepEqual(await exported('9 2345'), ['23459']);
    // The index's operators in a search are no operators: only the words count.
    assert.deepEqual(await exported('-note ~2345* "('), words);
    // A common word alone is searched row by row: its first page, a count that is not taken,
    // and the exact count a click away.
    const common = await c.get(search('note'));
    assert.match(common.text, /<p class="Summary">More than 25 records &middot; page 1/);
    assert.match(decode(linkById(common.text, 'CountExactly')), /&count=1$/);
    assert.match((await c.get(linkById(common.text, 'CountExactly'))).text, /30,000 records &middot; page 1 of 1,200/);
    // Its last page and the page before it, by key from the end.
    const last = await c.get(linkById(common.text, 'LastPage'));
    assert.match(last.text, /<p class="Summary">Last page/);
    assert.deepEqual(listRows(last.text).map((r) => r[0]), ids('TRUE').slice(-25));
    const before = await c.get(linkById(last.text, 'PrevPage'));
    assert.deepEqual(listRows(before.text).map((r) => r[0]), ids('TRUE').slice(-50, -25));
    assert.equal(linkById(before.text, 'NextPage') !== null, true);

    // A trailing * asks for values that begin with the text.
    const quick = async (q) => listRows((await c.get(`searchres.php?t=${T.customers}&q=${encodeURIComponent(q)}`)).text).map((r) => r[0]);
    assert.deepEqual(await quick('aa*'), db.exec(`SELECT customer_id FROM customers WHERE city LIKE 'aa%' ORDER BY customer_id LIMIT 25`).map((r) => r[0]));
    assert.deepEqual(await quick('ar*'), []);
    assert.ok((await quick('ar')).length > 0);
    noPhpProblems();
  });

  it('$Navigator gives first, previous, next and last on the record view', async () => {
    site.setOptions({ Navigator: true });
    const c = new Client(php.base);
    const r = await c.get(`view.php?t=${T.order_lines}&k[]=2&k[]=1`);
    const next = await c.get(linkById(r.text, 'NavNext'));
    assert.match(next.text, /k%5B0%5D=2&amp;k%5B1%5D=2|id="NavPrevious"/);
    const order = db.exec('SELECT order_id, line_no FROM order_lines ORDER BY order_id, line_no');
    const idx = order.findIndex((x) => x[0] === '2' && x[1] === '1');
    assert.ok(linkById(r.text, 'NavNext').endsWith(`k%5B0%5D=${order[idx + 1][0]}&k%5B1%5D=${order[idx + 1][1]}`));
    assert.ok(linkById(r.text, 'NavLast').endsWith(`k%5B0%5D=${order.at(-1)[0]}&k%5B1%5D=${order.at(-1)[1]}`));
    const firstPage = await c.get(`view.php?t=${T.order_lines}&k[]=${order[0][0]}&k[]=${order[0][1]}`);
    assert.equal(linkById(firstPage.text, 'NavPrevious'), null);
    site.setOptions({ Navigator: false });
    assert.doesNotMatch((await c.get(`view.php?t=${T.order_lines}&k[]=2&k[]=1`)).text, /id="Navigator"/);
  });
});

describe('adding and editing', () => {
  it('checks the rules of config.php, keeps the input and shows each reason beside its field', async () => {
    const c = new Client(php.base);
    const token = await c.token(`add.php?t=${T.customers}`);
    const before = count('customers');
    const r = await c.post('execute.php', { csrf: token, action: 'add', t: T.customers, 'f[1]': 'J',
      'f[2]': '', 'f[3]': 'no-at-sign', 'f[4]': 'Bergen <i>', 'f[5]': '2026-02-30' });
    assert.equal(r.status, 422);
    assert.equal(count('customers'), before);
    const err = (i) => decode(new RegExp(`id="err${i}">([^<]*)<`).exec(r.text)[1]);
    assert.equal(err(1), 'Must be 2 to 40 characters long.');
    assert.equal(err(2), 'This field is required.');
    assert.equal(err(3), 'Must include: @ .');
    assert.equal(err(4), '');
    assert.equal(err(5), 'Must be a date written YYYY-MM-DD.');
    assert.ok(r.text.includes('value="no-at-sign"') && r.text.includes('value="Bergen &lt;i&gt;"'));
    // Numeric limits on a number column.
    const p = await c.post('execute.php', { csrf: token, action: 'add', t: T.products, 'f[1]': 'Lamp', 'f[2]': '9.50', 'f[3]': '501' });
    assert.equal(p.status, 422);
    assert.match(p.text, /id="err3">Must be a number from 0 to 500\./);
    assert.match(p.text, /id="err2"><\/span>/);
    const ok = await c.post('execute.php', { csrf: token, action: 'add', t: T.customers, 'f[1]': 'Jo',
      'f[2]': 'Lund', 'f[3]': '', 'f[4]': '', 'n[4]': '1', 'f[5]': '2026-02-28' });
    assert.equal(ok.status, 303);
    const id = db.exec(`SELECT customer_id, city, email FROM customers WHERE last_name = 'Lund'`);
    assert.deepEqual(id[0].slice(1), [null, ''], 'an empty field with its NULL box ticked is NULL, without it \'\'');
    assert.equal(ok.location, `view.php?t=${T.customers}&k%5B0%5D=${id[0][0]}`);
    const view = await c.get(ok.location);
    assert.match(view.text, /The record was added\./);
    db.exec(`DELETE FROM customers WHERE last_name = 'Lund'`);
    noPhpProblems();
  });

  it('without $PHPValidate the rules are not applied, and server refusals are told without SQL', async () => {
    site.setOptions({ PHPValidate: false });
    const c = new Client(php.base);
    const token = await c.token(`add.php?t=${T.customers}`);
    const ok = await c.post('execute.php', { csrf: token, action: 'add', t: T.customers, 'f[1]': 'J', 'f[2]': 'Q',
      'f[3]': 'plain', 'f[5]': '2026-01-01' });
    assert.equal(ok.status, 303);
    assert.equal(db.exec(`SELECT email FROM customers WHERE last_name = 'Q'`)[0][0], 'plain');
    db.exec(`DELETE FROM customers WHERE last_name = 'Q'`);
    const bad = await c.post('execute.php', { csrf: token, action: 'add', t: T.customers, 'f[1]': 'Al', 'f[2]': 'B',
      'f[5]': 'not a date' });
    assert.equal(bad.status, 422);
    assert.match(bad.text, /class="ErrorMessage" role="alert">A date, time or number does not have the right format\./);
    const dup = await c.post('execute.php', { csrf: token, action: 'add', t: T.order_lines, 'f[0]': '1', 'f[1]': '1', 'f[2]': '1', 'f[3]': '1' });
    assert.equal(dup.status, 422);
    assert.match(dup.text, /A record with the same key already exists\./);
    for (const r of [bad, dup]) assert.doesNotMatch(r.text, /INSERT|Duplicate entry|Incorrect|SQLSTATE/);
  });

  it('edits a record found by its composite key, and deletes only after the confirmation POST', async () => {
    const c = new Client(php.base);
    const form = await c.get(`edit.php?t=${T.order_lines}&k[]=3&k[]=1`);
    const token = form.text.match(/name="csrf" value="([0-9a-f]+)"/)[1];
    const r = await c.post('execute.php', [['csrf', token], ['action', 'edit'], ['t', T.order_lines], ['k[]', '3'], ['k[]', '1'],
      ['f[0]', '3'], ['f[1]', '1'], ['f[2]', '2'], ['f[3]', '9']]);
    assert.equal(r.status, 303);
    assert.deepEqual(db.exec('SELECT product_id, quantity FROM order_lines WHERE order_id = 3 AND line_no = 1'), [['2', '9']]);
    db.exec(`INSERT INTO customers (customer_id, first_name, last_name, created) VALUES (900, 'Xa', 'Yb', '2026-01-01')`);
    const confirm = await c.get(`delete.php?t=${T.customers}&k[]=900`);
    assert.match(confirm.text, /Do you really want to delete this record\?/);
    assert.equal(db.exec('SELECT COUNT(*) FROM customers WHERE customer_id = 900')[0][0], '1');
    const del = await c.post('execute.php', { csrf: token, action: 'delete', t: T.customers, 'k[]': '900' });
    assert.equal(del.status, 303);
    assert.equal(db.exec('SELECT COUNT(*) FROM customers WHERE customer_id = 900')[0][0], '0');
    const again = await c.post('execute.php', { csrf: token, action: 'delete', t: T.customers, 'k[]': '900' });
    assert.equal(again.status, 404);
    const refused = await c.post('execute.php', { csrf: token, action: 'delete', t: T.customers, 'k[]': '1' });
    assert.equal(refused.status, 409, 'orders refer to customer 1');
    assert.match(refused.text, /Other records refer to this record/);
    noPhpProblems();
  });

  it('ENUM, SET, dates and NULL round-trip through the edit form', async () => {
    const c = new Client(php.base);
    const form = await c.get(`edit.php?t=${T.kinds}&k[]=2`);
    assert.match(form.text, /<option value="blue" selected>blue<\/option>/);
    const token = form.text.match(/name="csrf" value="([0-9a-f]+)"/)[1];
    const r = await c.post('execute.php', [['csrf', token], ['action', 'edit'], ['t', T.kinds], ['k[]', '2'],
      ['f[1]', '2027-12-31'], ['f[2]', '2027-12-31 23:59:58'], ['f[3]', '-12:00:00'], ['f[4]', '1999'], ['f[5]', 'red'],
      ['f[6][]', ''], ['f[6][]', 'b'], ['f[6][]', 'c'], ['f[8]', 'x'], ['f[9]', ''], ['f[10]', '3.25'], ['f[11]', '']]);
    assert.equal(r.status, 303);
    assert.deepEqual(db.exec('SELECT d, dt, tm, yr, e, s, txt, n, price, f, LENGTH(b) FROM kinds WHERE id = 2'),
      [['2027-12-31', '2027-12-31 23:59:58', '-12:00:00', '1999', 'red', 'b,c', 'x', null, '3.25', null, null]]);
    const bad = await c.post('execute.php', [['csrf', token], ['action', 'edit'], ['t', T.kinds], ['k[]', '2'], ['f[5]', 'purple'],
      ['f[4]', '99'], ['f[9]', '1.5'], ['f[6][]', 'z']]);
    assert.equal(bad.status, 422);
    assert.match(bad.text, /id="err5">Choose one of the listed values\./);
    assert.match(bad.text, /id="err4">Must be a year/);
    assert.match(bad.text, /id="err9">Must be a whole number/);
    assert.match(bad.text, /id="err6">Choose only the listed values\./);
    noPhpProblems();
  });

  it('$JavaValidate adds the same rules for the browser; $Form opens records as their edit form', async () => {
    const c = new Client(php.base);
    assert.doesNotMatch((await c.get(`add.php?t=${T.customers}`)).text, / data-required="| data-validate="/);
    site.setOptions({ JavaValidate: true, Form: true });
    const add = await c.get(`add.php?t=${T.customers}`);
    assert.match(add.text, /id="f1"[^>]*data-required="1" data-min="2" data-max="40" data-numeric="0" maxlength="40"/);
    assert.match(add.text, /id="f3"[^>]*data-chars="@\."/);
    assert.match(add.text, /data-validate="1"/);
    const view = await c.get(`view.php?t=${T.customers}&k[]=3`);
    assert.match(view.text, /id="RecordForm"/);
    assert.match(view.text, /value="Cora"/);
  });
});

describe('key values', () => {
  it('a key value its column cannot hold as written finds no record and changes nothing', async () => {
    const c = new Client(php.base);
    const token = await c.token(`add.php?t=${T.customers}`);
    const before = db.exec('CHECKSUM TABLE customers, order_lines');
    const keys = [[T.customers, ['7abc']], [T.customers, ['7 ']], [T.customers, ['+7']], [T.customers, ['7.0']],
      [T.customers, ['7\n']], [T.customers, ['-7']], [T.order_lines, ['3', '1x']]];
    for (const [t, key] of keys) {
      const k = key.map((v) => `k[]=${encodeURIComponent(v)}`).join('&');
      for (const page of ['view.php', 'edit.php', 'delete.php']) {
        assert.equal((await c.get(`${page}?t=${t}&${k}`)).status, 404, `${page} ${key}`);
      }
      const keyFields = key.map((v) => ['k[]', v]);
      const del = await c.post('execute.php', [['csrf', token], ['action', 'delete'], ['t', String(t)], ...keyFields]);
      assert.equal(del.status, 404, `delete ${key}`);
      const edit = await c.post('execute.php', [['csrf', token], ['action', 'edit'], ['t', String(t)], ...keyFields, ['f[4]', 'X']]);
      assert.equal(edit.status, 404, `edit ${key}`);
    }
    assert.deepEqual(db.exec('CHECKSUM TABLE customers, order_lines'), before);
    // Paging by key: the last key of a page must fit the sort column and the key columns too.
    for (const [query, status] of [['a[]=7', 200], ['a[]=7abc', 404], ['s=1&a[]=Ada&a[]=7', 200], ['s=1&a[]=Ada&a[]=7abc', 404],
      ['s=5&b[]=2026-01-10&b[]=7', 200], ['s=5&b[]=2026-01-10x&b[]=7', 404]]) {
      assert.equal((await c.get(`tablelist.php?t=${T.customers}&${query}`)).status, status, query);
    }
    assert.equal((await c.get(`view.php?t=${T.order_lines}&k[]=3&k[]=1`)).status, 200);
    noPhpProblems();
  });
});

describe('columns config.php names oddly or leaves out', () => {
  let other;
  let srv;
  const odd = 0;
  const needy = 2;
  const slots = 3;

  before(async () => {
    db.exec(`CREATE TABLE \`p;q\` (pid INT NOT NULL PRIMARY KEY, title VARCHAR(20) NOT NULL) ENGINE=InnoDB;
      INSERT INTO \`p;q\` VALUES (1, 'First'), (2, 'Second');
      CREATE TABLE odd (id INT NOT NULL PRIMARY KEY, \`a@b\` VARCHAR(20) NULL, \`x;y\` INT NULL, \`c@->d\` INT NULL) ENGINE=InnoDB;
      INSERT INTO odd VALUES (1, 'at value', 2, 1);
      CREATE TABLE needy (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, label VARCHAR(10) NULL, code INT NOT NULL) ENGINE=InnoDB;
      CREATE TABLE slots (d DATE NOT NULL, t TIME NOT NULL, PRIMARY KEY (d, t)) ENGINE=InnoDB;
      INSERT INTO slots VALUES ('2026-01-05', '25:00:00'), ('2026-01-05', '-01:30:00');`);
    other = new Site(db, [
      { name: 'odd', fields: [{ name: 'id' }, { name: 'a@b' }, { name: 'x;y', lookup: 'p;q.title' }, { name: 'c@->d', lookup: 'p;q.title' }] },
      { name: 'p;q', fields: [{ name: 'pid' }, { name: 'title' }] },
      { name: 'needy', fields: [{ name: 'id' }, { name: 'label' }] },
      { name: 'slots', fields: [{ name: 'd' }, { name: 't' }] },
    ], { FK: true }, { warnings: true });
    srv = await PhpServer.start(other.dir);
  });

  after(async () => {
    await srv?.stop();
    other?.remove();
  });

  it('a column named with "@" and lookups on names holding ";" or "@->" stay on every page', async () => {
    const c = new Client(srv.base);
    const list = await c.get(`tablelist.php?t=${odd}`);
    assert.deepEqual([...list.text.matchAll(/class="SortLink">([^<]*)</g)].map((m) => decode(m[1])), ['id', 'a@b', 'x;y', 'c@->d']);
    assert.deepEqual(listRows(list.text)[0].slice(0, 4), ['1', 'at value', 'Second', 'First']);
    assert.match((await c.get(`view.php?t=${odd}&k[]=1`)).text, /<th scope="row">a@b<\/th><td>at value</);
    const form = await c.get(`edit.php?t=${odd}&k[]=1`);
    assert.match(form.text, /<select name="f\[2\]"[^>]*class="Lookup">/);
    const token = form.text.match(/name="csrf" value="([0-9a-f]+)"/)[1];
    const r = await c.post('execute.php', [['csrf', token], ['action', 'edit'], ['t', String(odd)], ['k[]', '1'],
      ['f[0]', '1'], ['f[1]', 'changed'], ['f[2]', '1'], ['f[3]', '2']]);
    assert.equal(r.status, 303, formErrors(r.text));
    assert.deepEqual(db.exec('SELECT `a@b`, `x;y`, `c@->d` FROM odd'), [['changed', '1', '2']]);
    assert.deepEqual(srv.problems(), []);
  });

  it('adding to a table with a required column left off the site names that column', async () => {
    const c = new Client(srv.base);
    const token = await c.token(`add.php?t=${needy}`);
    const r = await c.post('execute.php', { csrf: token, action: 'add', t: needy, 'f[1]': 'x' });
    assert.equal(r.status, 422);
    assert.equal(decode(formErrors(r.text)), 'The column "code" is not on this form but needs a value, so the record cannot be saved here.');
  });

  it('date and time keys are taken as the server writes them', async () => {
    const c = new Client(srv.base);
    for (const [k, status] of [['2026-01-05&k[]=25:00:00', 200], ['2026-01-05&k[]=-01:30:00', 200], ['2026-01-05x&k[]=25:00:00', 404],
      ['2026-1-5&k[]=25:00:00', 404], ['2026-01-05&k[]=25:00', 404], ['20260105&k[]=25:00:00', 404]]) {
      assert.equal((await c.get(`view.php?t=${slots}&k[]=${k}`)).status, status, k);
    }
  });
});

describe('lookup columns', () => {
  it('show the parent\'s display value in lists and offer a drop-down of the parent rows', async () => {
    const c = new Client(php.base);
    const rows = listRows((await c.get(`tablelist.php?t=${T.orders}&s=0&d=a`)).text);
    const names = db.exec('SELECT c.last_name FROM orders o JOIN customers c USING (customer_id) ORDER BY o.order_id LIMIT 10').map((r) => r[0]);
    assert.deepEqual(rows.map((r) => r[1]), names);
    const add = await c.get(`add.php?t=${T.orders}`);
    const select = /<select name="f\[1\]"[^>]*class="Lookup">([\s\S]*?)<\/select>/.exec(add.text)[1];
    assert.equal([...select.matchAll(/<option value="\d+"/g)].length, count('customers'));
    assert.match(select, /<option value="1">Strand<\/option>/);
    // Without $FK the raw values are shown and entered.
    site.setOptions({ FK: false });
    assert.deepEqual(listRows((await c.get(`tablelist.php?t=${T.orders}&s=0&d=a`)).text).map((r) => r[1]),
      db.exec('SELECT customer_id FROM orders ORDER BY order_id LIMIT 10').map((r) => r[0]));
    assert.doesNotMatch((await c.get(`add.php?t=${T.orders}`)).text, /class="Lookup"/);
  });

  it('a parent of more than 1,000 rows gets a search box with suggestions, and values are checked', async () => {
    const c = new Client(php.base);
    const add = await c.get(`add.php?t=${T.childbig}`);
    assert.doesNotMatch(add.text, /<select name="f\[1\]"/);
    assert.match(add.text, /<input type="text" name="f\[1\]"[^>]*list="dl1" data-lookup="search\.php\?t=9&amp;lookup=1"/);
    const s = await c.get(`search.php?t=${T.childbig}&lookup=1&q=${encodeURIComponent('Title 0123')}`);
    assert.equal(s.headers.get('content-type'), 'application/json; charset=utf-8');
    assert.deepEqual(JSON.parse(s.text).slice(0, 2), [['1230', 'Title 01230'], ['1231', 'Title 01231']]);
    assert.deepEqual(JSON.parse((await c.get(`search.php?t=${T.childbig}&lookup=1&q=77`)).text), [['77', 'Title 00077']]);
    assert.deepEqual(JSON.parse((await c.get(`search.php?t=${T.childbig}&lookup=1&q=%25`)).text), []);
    const list = listRows((await c.get(`tablelist.php?t=${T.childbig}`)).text);
    assert.deepEqual(list.map((r) => r[1]), ['Title 00007', 'Title 01234']);
    const token = await c.token(`add.php?t=${T.childbig}`);
    const bad = await c.post('execute.php', { csrf: token, action: 'add', t: T.childbig, 'f[1]': '99999' });
    assert.equal(bad.status, 422);
    assert.match(bad.text, /id="err1">Choose one of the listed values\./);
    const ok = await c.post('execute.php', { csrf: token, action: 'add', t: T.childbig, 'f[1]': '1499' });
    assert.equal(ok.status, 303);
    const edit = await c.get(ok.location.replace('view.php', 'edit.php'));
    assert.match(edit.text, /id="shown1">Title 01499</);
    noPhpProblems();
  });
});

// config.php lines a site owner adds by hand (switches the wizard does not write).
function addConfigLines(...lines) {
  fs.appendFileSync(path.join(site.dir, 'config.php'), `<?php ${lines.join(' ')} ?>\r\n`);
}

// Cells of the rows of the child list of a table on a record view, or null without one.
function childRows(html, table) {
  const list = new RegExp(`<div class="ChildRecords" id="Child\\d+">\\s*<h2>${table} [\\s\\S]*?</tbody>`).exec(html);
  if (!list) return null;
  return [...list[0].matchAll(/<tr class="Table(?:Alt)?Row">([\s\S]*?)<\/tr>/g)]
    .map((r) => [...r[1].matchAll(/<td[^>]*>([\s\S]*?)<\/td>/g)].map((c) => decode(c[1].replace(/<[^>]*>/g, ''))));
}

describe('child records on the record view', () => {
  it('match every column of a composite key or a unique column, and only tables of the site, while $ChildRecords allows', async () => {
    db.exec(`CREATE TABLE line_notes (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, order_id INT UNSIGNED NOT NULL,
        line_no SMALLINT UNSIGNED NOT NULL, note VARCHAR(40) NOT NULL,
        CONSTRAINT fk_notes_line FOREIGN KEY (order_id, line_no) REFERENCES order_lines (order_id, line_no)) ENGINE=InnoDB;
      INSERT INTO line_notes (order_id, line_no, note) VALUES (1, 1, 'one a'), (1, 2, 'two'), (2, 1, 'other order'), (1, 1, 'one b');
      CREATE TABLE codes (id INT NOT NULL PRIMARY KEY, code VARCHAR(10) NOT NULL, UNIQUE KEY (code)) ENGINE=InnoDB;
      CREATE TABLE code_uses (id INT NOT NULL PRIMARY KEY, code VARCHAR(10) NOT NULL, weight DOUBLE NULL,
        CONSTRAINT fk_uses_code FOREIGN KEY (code) REFERENCES codes (code)) ENGINE=InnoDB;
      INSERT INTO codes VALUES (1, 'A-1'), (2, 'B''2');
      INSERT INTO code_uses VALUES (10, 'B''2', 1e20), (11, 'A-1', 2), (12, 'B''2', NULL);`);
    const shop = site.tables;
    try {
      const notes = { name: 'line_notes', fields: [{ name: 'id' }, { name: 'order_id' }, { name: 'line_no' }, { name: 'note' }] };
      const withNotes = [...shop, notes];
      site.configure([...withNotes, { name: 'codes', fields: [{ name: 'id' }, { name: 'code' }] },
        { name: 'code_uses', fields: [{ name: 'id' }, { name: 'code' }, { name: 'weight' }] }], { FK: true });
      const c = new Client(php.base);
      const view = (await c.get(`view.php?t=${T.order_lines}&k[]=1&k[]=1`)).text;
      assert.deepEqual(childRows(view, 'line_notes').map((r) => r.slice(0, 4)), [['1', '1', '1', 'one a'], ['4', '1', '1', 'one b']]);
      assert.match(view, /<a href="add\.php\?t=10&amp;f%5B1%5D=1&amp;f%5B2%5D=1" class="ChildAdd">/);
      const second = (await c.get(`view.php?t=${T.order_lines}&k[]=1&k[]=2`)).text;
      assert.deepEqual(childRows(second, 'line_notes').map((r) => r.slice(0, 4)), [['2', '1', '2', 'two']]);
      // Past its last page a list still counts its records.
      assert.match((await c.get(`view.php?t=${T.order_lines}&k[]=1&k[]=1&cp[0]=9`)).text, /<p class="Summary">2 records &middot; page 9 of 1<\/p>/);
      // A key to a unique column that is not the primary key; a DOUBLE shows as on the record view.
      const code = (await c.get('view.php?t=11&k[]=2')).text;
      assert.deepEqual(childRows(code, 'code_uses').map((r) => r.slice(0, 3)), [['10', "B'2", '1.0E+20'], ['12', "B'2", 'NULL']]);
      assert.match(code, /<a href="add\.php\?t=12&amp;f%5B1%5D=B%272" class="ChildAdd">/);
      const orderView = (await c.get(`view.php?t=${T.orders}&k[]=1`)).text;
      assert.deepEqual(childRows(orderView, 'order_lines').map((r) => r[1]),
        db.exec('SELECT line_no FROM order_lines WHERE order_id = 1 ORDER BY line_no').map((r) => r[0]));
      // A table name of config.php that no table of the server can have changes nothing.
      site.configure([...withNotes, { name: 'gone\u{1F600}', fields: [{ name: 'id' }] }], { FK: true });
      assert.deepEqual(childRows((await c.get(`view.php?t=${T.orders}&k[]=1`)).text, 'order_lines'), childRows(orderView, 'order_lines'));
      site.configure(withNotes, { FK: true, Add: false });
      assert.doesNotMatch((await c.get(`view.php?t=${T.order_lines}&k[]=1&k[]=1`)).text, /ChildAdd/);
      site.configure(shop, { FK: true });
      assert.equal(childRows((await c.get(`view.php?t=${T.order_lines}&k[]=1&k[]=1`)).text, 'line_notes'), null);
      site.configure(withNotes, { FK: true });
      addConfigLines('$ChildRecords = False;');
      assert.doesNotMatch((await c.get(`view.php?t=${T.orders}&k[]=1`)).text, /ChildRecords/);
      noPhpProblems();
    } finally {
      site.configure(shop, { FK: true });
      db.exec('DROP TABLE line_notes, code_uses, codes');
    }
  });
});


describe('CSV export', () => {
  it('sends a searched, sorted list as it is stored, with formulas neutralised and fields quoted', async () => {
    db.exec(`UPDATE customers SET city = '=1+1' WHERE customer_id = 8;
      UPDATE customers SET city = 'Ode, "Nord"\\r\\nside' WHERE customer_id = 21;
      UPDATE customers SET email = NULL WHERE customer_id = 13;`);
    try {
      const c = new Client(php.base);
      const search = `searchres.php?t=${T.customers}&q=Berg&s=4&d=d`;
      const link = linkById((await c.get(search)).text, 'ExportCsv');
      assert.equal(link, `${search}&export=csv`);
      const r = await c.get(link);
      assert.equal(r.headers.get('content-type'), 'text/csv; charset=utf-8');
      assert.match(r.headers.get('content-disposition'), /^attachment; filename="customers\.csv"/);
      assert.ok(r.text.includes(`,'=1+1,`) && r.text.includes('"Ode, ""Nord""\r\nside"'), r.text);
      const expected = db.exec(`SELECT customer_id, first_name, last_name, email, REPLACE(city, '\\r\\n', '<CRLF>'), created
        FROM customers WHERE CONCAT_WS('|', first_name, last_name, email, city, created) LIKE '%Berg%' ORDER BY city DESC, customer_id DESC`)
        .map((row) => row.map((v) => (v === null ? '' : v.replace('<CRLF>', '\r\n').replace(/^=/, "'="))));
      assert.equal(expected.length, 5);
      assert.deepEqual(parseCsv(r.text), [['customer_id', 'first_name', 'last_name', 'email', 'city', 'created'], ...expected]);

      // Lookup columns bring their shown value in a column of their own, with $FK only.
      const list = `tablelist.php?t=${T.orders}&s=0&d=a`;
      const first = db.exec('SELECT o.order_id, o.customer_id, c.last_name, o.ordered_at, o.status FROM orders o JOIN customers c USING (customer_id) ORDER BY o.order_id LIMIT 1')[0];
      assert.deepEqual(parseCsv((await c.get(linkById((await c.get(list)).text, 'ExportCsv'))).text).slice(0, 2),
        [['order_id', 'customer_id', 'customer_id (customers.last_name)', 'ordered_at', 'status'], first]);
      site.setOptions({ FK: false });
      assert.deepEqual(parseCsv((await c.get(`${list}&export=csv`)).text)[0], ['order_id', 'customer_id', 'ordered_at', 'status']);
      noPhpProblems();
    } finally {
      db.exec(`UPDATE customers SET city = 'Turku' WHERE customer_id = 8; UPDATE customers SET city = 'Aarhus' WHERE customer_id = 21;
        UPDATE customers SET email = 'mona.berg@example.org' WHERE customer_id = 13;`);
    }
  });

  it('streams 200,000 records in under 32 MB of memory', async () => {
    const rows = 200000;
    db.exec(`CREATE TABLE wide (id INT NOT NULL PRIMARY KEY, note VARCHAR(250) NOT NULL) ENGINE=InnoDB;
      INSERT INTO wide SELECT seq, CONCAT(REPEAT('x', 200), seq) FROM seq_1_to_${rows};`);
    // The page run inside a wrapper that writes down the request's peak memory at its end.
    const wrapper = path.join(site.dir, 'peak.php');
    const peakFile = path.join(site.dir, 'peak.txt');
    fs.writeFileSync(wrapper, `<?php register_shutdown_function(function () {
      file_put_contents(__DIR__ . '/peak.txt', (string)memory_get_peak_usage(true)); });
      require __DIR__ . '/tablelist.php';`);
    const shop = site.tables;
    try {
      site.configure([...shop, { name: 'wide', fields: [{ name: 'id' }, { name: 'note' }] }], { FK: true });
      const started = Date.now();
      const r = await new Client(php.base).get(`peak.php?t=${shop.length}&export=csv`);
      const lines = r.text.split('\r\n');
      assert.equal(lines.length, rows + 2);
      assert.equal(lines[rows], `${rows},${'x'.repeat(200)}${rows}`);
      const peak = Number(fs.readFileSync(peakFile, 'utf8'));
      assert.ok(peak > 0 && peak < 32 << 20, `peak memory ${peak} bytes`);
      assert.ok(Date.now() - started < 60000);
      noPhpProblems();
    } finally {
      site.configure(shop, { FK: true });
      fs.rmSync(wrapper);
      fs.rmSync(peakFile, { force: true });
      db.exec('DROP TABLE wide');
    }
  });

  it('$Export = False removes the link and refuses the download', async () => {
    const c = new Client(php.base);
    addConfigLines('$Export = False;');
    for (const page of [`tablelist.php?t=${T.customers}`, `searchres.php?t=${T.customers}&q=Berg`]) {
      assert.equal(linkById((await c.get(page)).text, 'ExportCsv'), null, page);
      const r = await c.get(`${page}&export=csv`);
      assert.equal(r.status, 403, page);
      assert.match(r.text, /Exporting records is not allowed\./);
    }
    noPhpProblems();
  });
});

describe('connection', () => {
  it('runs the extra statements after connecting', async () => {
    site.setOptions({ ExtraQueries: ['INSERT INTO visits () VALUES ()', 'SET @unused = 1'] });
    const c = new Client(php.base);
    const before = count('visits');
    await c.get('index.php');
    await c.get(`tablelist.php?t=${T.customers}`);
    assert.equal(count('visits'), before + 2);
    noPhpProblems();
  });

  it('a server that cannot be reached gives a plain message without paths or passwords', async () => {
    const fs = await import('node:fs');
    const other = new Site(db, site.tables, {});
    const breakPassword = () => {
      const file = `${other.dir}/database.php`;
      fs.writeFileSync(file, fs.readFileSync(file, 'utf8').replace(/, "(?:[^"\\]|\\.)*"\);/, ', "wrong");'));
    };
    breakPassword();
    const srv = await PhpServer.start(other.dir);
    try {
      const r = await new Client(srv.base).get('index.php');
      assert.equal(r.status, 503);
      assert.match(r.text, /The database cannot be reached right now/);
      assert.doesNotMatch(r.text, /Access denied|wrong|\/tmp|mysqli/);
      assert.match(srv.log, /cannot connect: Access denied/);
      // A database the server does not have: the same page, and the log names the database.
      other.configure(other.tables, {});
      const file = `${other.dir}/database.php`;
      fs.writeFileSync(file, fs.readFileSync(file, 'utf8').replace(/mysql_select_db\("[^"]*"/, 'mysql_select_db("qm_no_such_db"'));
      const missing = await new Client(srv.base).get(`view.php?t=${T.customers}&k[]=1`);
      assert.equal(missing.status, 503);
      assert.match(missing.text, /The database cannot be reached right now/);
      assert.match(srv.log, /cannot select the database: .*qm_no_such_db/);
      // With a login set the visitor meets the login page first, before any connection.
      other.setOptions({ Admin: 'boss', AdminPass: 'x' });
      breakPassword();
      assert.match((await new Client(srv.base).get('index.php')).text, /id="LoginForm"/);
      const login = await new Client(srv.base).get('login.php');
      assert.equal(login.status, 200);
      assert.match(login.text, /id="LoginForm"/);
      assert.deepEqual(srv.problems(), []);
    } finally {
      await srv.stop();
      other.remove();
    }
  });

  it('reaches a server given by an IPv6 address with a port of its own', async () => {
    const net = await import('node:net');
    // A relay on [::1] to the private server, which listens on 127.0.0.1 only; its port fits the
    // wizard's 16-bit port box, so the generator writes "[::1]:port".
    const { host, port } = server();
    const relay = net.createServer((c) => {
      const up = net.connect(port, host);
      c.pipe(up).pipe(c);
      c.on('error', () => up.destroy());
      up.on('error', () => c.destroy());
    });
    let relayPort = 0;
    for (let p = 20000 + (process.pid % 10000); !relayPort; p++) {
      relayPort = await new Promise((resolve) => {
        relay.once('error', () => resolve(0));
        relay.listen(p, '::1', () => resolve(p));
      });
    }
    const other = new Site(db, site.tables.slice(0, 1), {});
    other.server = { host: '::1', port: relayPort };
    other.configure(other.tables, {});
    const srv = await PhpServer.start(other.dir);
    try {
      const fs = await import('node:fs');
      assert.match(fs.readFileSync(`${other.dir}/database.php`, 'utf8'), new RegExp(`"\\[::1\\]:${relayPort}"`));
      const r = await new Client(srv.base).get(`tablelist.php?t=0`);
      assert.equal(r.status, 200);
      assert.ok(listRows(r.text).length > 0);
      assert.deepEqual(srv.problems(), []);
    } finally {
      await srv.stop();
      relay.close();
      other.remove();
    }
  });
});
