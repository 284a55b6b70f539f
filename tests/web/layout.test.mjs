// The generated site on a phone and in dark mode, in each of the three stylesheets and in one
// written by the appearance builder: every kind of page fits 360 px with only the data tables
// scrolling sideways, touch targets are 40 px tall, and the colours follow the visitor's system
// setting where the stylesheet has a dark variant. Pictures at 360 and 1280 px, light and dark, go
// to the artifacts folder.
import { describe, it, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { PhpServer, launchBrowser, artifactsDir, stylesheets } from './support.mjs';
import { shopDatabase, shopSite, T } from './fixtures.mjs';

let db;
let site;
let php;
let browser;
let builtDir;

// What the appearance builder writes: colours of the body, header rows, alternate rows and links.
const builtCss = ['BODY { font-family: Arial; font-size: 10pt; color: #000080;background-color: #FFFFF0 }',
  'TR.Header { font-size: 10pt; color: #FFFFFF;font-weight:bold;background-color: #800000 }',
  'TR.TableAltRow { font-size: 10pt;font-style:italic;background-color: #E0FFE0 }',
  'A:link { font-size: 10pt; color: #0000FF;text-decoration:underline; }', ''].join('\r\n');

before(async () => {
  db = shopDatabase('layout');
  site = shopSite(db, { Admin: 'boss', AdminPass: 'open sesame', Navigator: true });
  php = await PhpServer.start(site.dir);
  browser = await launchBrowser();
  builtDir = fs.mkdtempSync(path.join(os.tmpdir(), 'qmweb-built-'));
  fs.writeFileSync(path.join(builtDir, 'built.css'), builtCss);
});

after(async () => {
  await browser?.close();
  await php?.stop();
  site?.remove();
  db?.drop();
  if (builtDir) fs.rmSync(builtDir, { recursive: true, force: true });
});

const url = (p) => php.base + p;
const styles = () => ({ ...stylesheets, Built: path.join(builtDir, 'built.css') });
const phone = { width: 360, height: 740 };

async function openPage(css, viewport, colorScheme = 'light') {
  site.setOptions({ CSS: css });
  const page = await browser.context.newPage();
  await page.setViewportSize(viewport);
  await page.emulateMedia({ colorScheme });
  return page;
}

async function logIn(page) {
  await page.goto(url('index.php'));
  if (await page.locator('#LoginForm').count() === 0) return;
  await page.fill('#user', 'boss');
  await page.fill('#pass', 'open sesame');
  await Promise.all([page.waitForURL(/index\.php$/), page.click('#LoginForm button[type=submit]')]);
}

// Every kind of page, reached as a visitor reaches it.
const pageKinds = {
  tables: 'index.php',
  list: `tablelist.php?t=${T.customers}`,
  wide: `tablelist.php?t=${T.kinds}`,
  search: `search.php?t=${T.customers}`,
  advanced: `advview.php?t=${T.customers}`,
  results: `searchres.php?t=${T.customers}&q=a`,
  view: `view.php?t=${T.kinds}&k[]=1`,
  add: `add.php?t=${T.kinds}`,
  edit: `edit.php?t=${T.customers}&k[]=1`,
  delete: `delete.php?t=${T.customers}&k[]=1`,
  error: `view.php?t=${T.customers}&k[]=99999`,
  refused: async (page) => {
    await page.goto(url(`add.php?t=${T.customers}`));
    await page.fill('#f1', 'J');
    await page.fill('#f3', 'x');
    await page.click('#Save');
  },
};

// What a page shows at its width: whether the page scrolls sideways, the width left for the content
// within the page's margins, each data table's widths and whether it scrolls by itself, and every
// touch target lower than 40 px.
function measure() {
  const visible = (el) => el.getClientRects().length > 0 && getComputedStyle(el).visibility !== 'hidden';
  const tables = [...document.querySelectorAll('table.DataTable')].map((t) => {
    const before = t.scrollLeft;
    t.scrollLeft = 80;
    const scrolls = t.scrollLeft > before;
    t.scrollLeft = before;
    return { id: t.id, wider: t.scrollWidth > t.clientWidth + 1, scrolls };
  });
  const targets = '#Top a, #Top button, .Pager a, .Pager .Disabled, .Summary a, th a, .Actions a, .RowActions a, '
    + 'table.DataTable td a, button, select, textarea, input:not([type=hidden], [type=checkbox], [type=radio])';
  const low = [...document.querySelectorAll(targets)].filter(visible)
    .map((el) => ({ what: el.id || el.textContent.trim() || el.outerHTML.slice(0, 40), height: el.getBoundingClientRect().height }))
    .filter((t) => t.height < 40);
  const page = getComputedStyle(document.getElementById('Page'));
  const content = document.getElementById('Page').clientWidth - parseFloat(page.paddingLeft) - parseFloat(page.paddingRight);
  return { pageWidth: document.documentElement.scrollWidth, innerWidth, content, tables, low };
}

describe('on a phone', () => {
  for (const style of [...Object.keys(stylesheets), 'Built']) {
    it(`every kind of page fits 360 px in the ${style} stylesheet`, async () => {
      const page = await openPage(styles()[style], phone);
      await page.context().clearCookies();
      const seen = { login: await page.goto(url('login.php')).then(() => page.evaluate(measure)) };
      await logIn(page);
      for (const [kind, how] of Object.entries(pageKinds)) {
        if (typeof how === 'string') await page.goto(url(how));
        else await how(page);
        seen[kind] = await page.evaluate(measure);
      }
      for (const [kind, m] of Object.entries(seen)) {
        assert.ok(m.pageWidth <= m.innerWidth, `${style} ${kind}: the page is ${m.pageWidth} px wide`);
        assert.ok(m.content >= 320, `${style} ${kind}: the margins leave ${m.content} px for the content`);
        for (const t of m.tables) assert.ok(!t.wider || t.scrolls, `${style} ${kind}: table ${t.id} is cut off`);
        assert.deepEqual(m.low, [], `${style} ${kind}: touch targets lower than 40 px`);
      }
      // The wide tables really are wider than the phone and scroll on their own.
      for (const kind of ['list', 'wide']) assert.ok(seen[kind].tables[0].wider && seen[kind].tables[0].scrolls, `${style} ${kind}`);
      await page.close();
    });
  }
});

// The luminance of a computed CSS colour (0 black, 1 white) and the contrast of two.
function luminance(rgb) {
  const [r, g, b] = rgb.match(/\d+(\.\d+)?/g).slice(0, 3).map(Number)
    .map((c) => c / 255).map((c) => (c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4));
  return 0.2126 * r + 0.7152 * g + 0.0722 * b;
}
const contrast = (a, b) => {
  const [hi, lo] = [luminance(a), luminance(b)].sort((x, y) => y - x);
  return (hi + 0.05) / (lo + 0.05);
};

// The text colour of an element and the background it is seen on (the first ancestor that has one).
function colours(selector) {
  const el = document.querySelector(selector);
  let bg = el;
  while (bg && getComputedStyle(bg).backgroundColor === 'rgba(0, 0, 0, 0)') bg = bg.parentElement;
  return { text: getComputedStyle(el).color, background: bg ? getComputedStyle(bg).backgroundColor : 'rgb(255, 255, 255)' };
}

describe('in dark mode', () => {
  const checked = { body: 'body', cell: '#Records tr.TableRow td', alt: '#Records tr.TableAltRow td',
    header: '#Records tr.Header th', summary: '.Summary', field: '.QuickSearch input[type=search]' };
  it('each stylesheet follows the system setting with readable text; a built one stays as it is', async () => {
    const result = {};
    for (const [style, css] of Object.entries(styles())) {
      for (const scheme of ['light', 'dark']) {
        const page = await openPage(css, { width: 1280, height: 800 }, scheme);
        await logIn(page);
        await page.goto(url(`tablelist.php?t=${T.customers}`));
        const seen = {};
        for (const [name, selector] of Object.entries(checked)) seen[name] = await page.evaluate(colours, selector);
        result[`${style} ${scheme}`] = seen;
        for (const [name, c] of Object.entries(seen)) {
          assert.ok(contrast(c.text, c.background) >= 4.5, `${style} ${scheme} ${name}: ${c.text} on ${c.background}`);
        }
        await page.close();
      }
      const [light, dark] = [result[`${style} light`].body, result[`${style} dark`].body];
      if (style === 'Built') {
        assert.deepEqual(dark, light, 'a built stylesheet has no dark variant and keeps its colours');
      } else {
        assert.ok(luminance(light.background) > 0.7 && luminance(light.text) < 0.1, `${style} light: ${JSON.stringify(light)}`);
        assert.ok(luminance(dark.background) < 0.05 && luminance(dark.text) > 0.6, `${style} dark: ${JSON.stringify(dark)}`);
      }
    }
  });
});

// Pictures of the pages are kept for a person to look at; they prove nothing by themselves, so a
// capture refused by a busy machine is only reported.
describe('pictures', () => {
  it('of the list, a record and the edit form at 360 and 1280 px, light and dark', async () => {
    const dir = path.join(artifactsDir, 'layout');
    fs.mkdirSync(dir, { recursive: true });
    const shots = { list: `tablelist.php?t=${T.customers}`, view: `view.php?t=${T.kinds}&k[]=1`,
      edit: `edit.php?t=${T.customers}&k[]=1` };
    for (const [style, css] of Object.entries(stylesheets)) {
      for (const width of [360, 1280]) {
        for (const scheme of ['light', 'dark']) {
          const page = await openPage(css, { width, height: 800 }, scheme);
          await logIn(page);
          for (const [name, p] of Object.entries(shots)) {
            await page.goto(url(p));
            const file = path.join(dir, `${style}-${name}-${width}-${scheme}.png`);
            await page.screenshot({ path: file, fullPage: true }).catch((e) => console.warn(`picture ${file} not taken: ${e.message}`));
          }
          await page.close();
        }
      }
    }
    site.setOptions({ CSS: 'default.css' });
    assert.deepEqual(php.problems(), []);
  });
});
