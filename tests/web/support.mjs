// Shared pieces of the web tests: the private MariaDB server, scratch databases, writing a site
// folder (templates, stylesheet, database.php, config.php), serving it with `php -S`, an HTTP
// client with cookies, and headless Chromium.
import { spawn, spawnSync, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = process.env.QM_SOURCE_DIR || path.resolve(here, '../..');
export const programDir = process.env.QM_PROGRAM_DIR || path.join(sourceDir, 'build/web/quillmere');
export const artifactsDir = process.env.QM_WEB_ARTIFACTS || path.join(os.tmpdir(), 'quillmere-web-artifacts');

// An npm package of the web tests. The build installs them into its own folder (QM_WEB_PACKAGES,
// which holds node_modules); run by hand without it, they are looked for beside this file.
const packagesDir = process.env.QM_WEB_PACKAGES || here;
export const requirePackage = createRequire(path.join(packagesDir, 'package.json'));

// Settings of the private server: QM_MYSQL_* or the env file the CTest fixture wrote.
export function server() {
  const env = { ...process.env };
  const file = process.env.QM_SANDBOX_ENV;
  if (!env.QM_MYSQL_PORT && file && fs.existsSync(file)) {
    for (const line of fs.readFileSync(file, 'utf8').split('\n')) {
      const m = /^export (QM_MYSQL_\w+)=(.*)$/.exec(line.trim());
      if (m) env[m[1]] = m[2].replace(/^'(.*)'$/, '$1').replace(/\\(.)/g, '$1');
    }
  }
  if (!env.QM_MYSQL_PORT) throw new Error('the private MariaDB server is not running (no QM_MYSQL_PORT, no QM_SANDBOX_ENV)');
  return { host: env.QM_MYSQL_HOST || '127.0.0.1', port: Number(env.QM_MYSQL_PORT), user: env.QM_MYSQL_USER || 'root',
    password: env.QM_MYSQL_PASSWORD || '' };
}

// Runs SQL text with the command-line client as the server's root user; returns the rows as
// arrays of texts (tab-separated batch output, NULL as null).
export function sql(text, database = '', { force = false } = {}) {
  const s = server();
  const args = ['--no-defaults', ...(force ? ['--force'] : []), '-h', s.host, '-P', String(s.port), '-u', s.user, '--batch', '--skip-column-names',
    '--raw', '--default-character-set=utf8mb4'];
  if (database) args.push('-D', database);
  const r = spawnSync('mariadb', args, { input: text, env: { ...process.env, MYSQL_PWD: s.password }, maxBuffer: 256 << 20 });
  if (r.status !== 0 && !force) throw new Error(`mariadb failed: ${r.stderr.toString()}\n${text.slice(0, 500)}`);
  return r.stdout.toString().split('\n').filter((l) => l !== '').map((l) => l.split('\t').map((v) => (v === 'NULL' ? null : v)));
}

let counter = 0;
export function uniqueName(prefix) {
  return `qmweb_${prefix}_${process.pid}_${Date.now() % 100000}_${++counter}`;
}

// A database of its own for one test file, with a user that may use only it.
export class ScratchDatabase {
  constructor(prefix) {
    this.name = uniqueName(prefix);
    this.user = `w${process.pid}${++counter}`.slice(0, 30);
    // A password with every character that needs escaping in a PHP literal.
    this.password = 'p"w$d\\x\'1';
    const pw = this.password.replace(/\\/g, '\\\\').replace(/'/g, "\\'");
    sql(`CREATE DATABASE \`${this.name}\` CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
      CREATE USER '${this.user}'@'127.0.0.1' IDENTIFIED BY '${pw}';
      GRANT ALL ON \`${this.name}\`.* TO '${this.user}'@'127.0.0.1';`);
  }
  exec(text, options = {}) { return sql(text, this.name, options); }
  loadShop() {
    const text = fs.readFileSync(path.join(sourceDir, 'scripts/sample-shop.sql'), 'utf8')
      .split('\n').filter((l) => !/^(DROP DATABASE|CREATE DATABASE|USE )/i.test(l)).join('\n');
    this.exec(text);
  }
  drop() {
    sql(`DROP DATABASE IF EXISTS \`${this.name}\`; DROP USER IF EXISTS '${this.user}'@'127.0.0.1';`);
  }
}

// ---------------------------------------------------------------------------------------------
// Site folder

// A PHP double-quoted literal of a text, as the generator writes it (\, " and $ escaped).
export function phpString(text) {
  return '"' + String(text).replace(/[\\"$]/g, (c) => '\\' + c) + '"';
}

const templateNames = ['add.php', 'delete.php', 'edit.php', 'execute.php', 'index.php', 'login.php', 'main.php',
  'search.php', 'searchres.php', 'validator.php', 'view.php', 'advview.php', 'tablelist.php', 'up.gif', 'down.gif',
  'primary.php', 'clause.php'];
export const stylesheets = { Professional: 'default.css', Simple: 'plain.css', Colorful: 'Colorful.css' };


// The options a fresh wizard run gives (all "Allow" boxes and server-side checks on).
export function defaultOptions() {
  return { Delete: true, Add: true, Edit: true, Search: true, View: true, ViewTable: false, Form: false,
    SearchRecords: true, PHPValidate: true, JavaValidate: false, Navigator: false, RecsPerPage: 10, Admin: '',
    AdminPass: '', FK: false, CSS: 'default.css', ExtraQueries: [] };
}

// config.php for tables [{name, fields: [{name, max, min, chars, nulls, lookup}]}] and options,
// line by line as the generator writes it.
export function configText(tables, options) {
  const o = { ...defaultOptions(), ...options };
  const lines = ['<?php'];
  tables.forEach((t, i) => {
    for (const f of t.fields) {
      const rule = `${f.max ?? 0}    ${f.min ?? 0}   ${f.chars ?? ''}    ${f.nulls ?? 1}`;
      lines.push(`$TableData['${i}@${f.name}'] = ${phpString(rule)};`);
    }
    lines.push(`$Tables['${i}'] = ${phpString(t.fields.map((f) => f.name).join('@'))};`);
    lines.push(`$TableNames['${i}'] = ${phpString(t.name)};`);
    lines.push(`$FKInfo['${i}'] = ${phpString(t.fields.filter((f) => f.lookup).map((f) => `${f.name}@->${f.lookup};`).join(''))};`);
  });
  const b = (v) => (v ? 'True' : 'False');
  lines.push(`$Delete = ${b(o.Delete)};`, `$Add = ${b(o.Add)};`, `$Edit = ${b(o.Edit)};`, `$Search = ${b(o.Search)};`,
    `$View = ${b(o.View)};`, `$ViewTable = ${b(o.ViewTable)};`, `$Form = ${b(o.Form)};`,
    `$SearchRecords = ${b(o.SearchRecords)};`, `$PHPValidate = ${b(o.PHPValidate)};`,
    `$JavaValidate = ${b(o.JavaValidate)};`, `$Navigator = ${b(o.Navigator)};`, `$RecsPerPage = ${o.RecsPerPage};`,
    `$Admin = ${phpString(o.Admin)};`, `$AdminPass = ${phpString(o.AdminPass)};`, `$FK = ${b(o.FK)};`,
    `$CSS = ${phpString(path.basename(o.CSS))};`);
  for (const q of o.ExtraQueries) lines.push(`$ExtraQueryes[] = ${phpString(q)};`);
  lines.push('?>');
  return lines.map((l) => l + '\r\n').join('');
}

export function databaseText(host, user, password, database) {
  return ['<?php', `$db = mysql_connect(${phpString(host)},${phpString(user)}, ${phpString(password)});`,
    `mysql_select_db(${phpString(database)}, $db);`, '?>'].map((l) => l + '\r\n').join('');
}

// Every column of a table as a chosen field without rules.
export function allFields(db, table) {
  return sql(`SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA='${db.name}' AND TABLE_NAME='${table}' ORDER BY ORDINAL_POSITION`)
    .map((r) => ({ name: r[0] }));
}

// A temporary folder holding a generated site for a scratch database. The program's generator
// writes it (QM_WEB_SITEGEN, set by the build); run by hand without one, the same files are
// written here in the generator's format.
export class Site {
  // { warnings: true }: the generator may end with warnings (names config.php cannot carry exactly);
  // they are kept in `warnings`.
  constructor(db, tables, options = {}, { warnings = false } = {}) {
    this.db = db;
    this.dir = fs.mkdtempSync(path.join(os.tmpdir(), 'qmweb-site-'));
    this.acceptWarnings = warnings;
    this.warnings = [];
    this.configure(tables, options);
  }
  configure(tables, options = {}) {
    this.tables = tables;
    this.options = options;
    // A test may point the site at another address of the server (this.server = {host, port}).
    const s = this.server ?? server();
    const o = { ...defaultOptions(), ...options };
    if (process.env.QM_WEB_SITEGEN) {
      // The wizard keeps the port in 16 bits; a higher one travels in the server name instead.
      const inName = s.port > 32767;
      const site = { programFolder: programDir, destination: this.dir + '/', server: inName ? `${s.host}:${s.port}` : s.host,
        port: inName ? 3306 : s.port, database: this.db.name, user: this.db.user, password: this.db.password, tables, options: o };
      const file = path.join(this.dir, '..', `${path.basename(this.dir)}.json`);
      fs.writeFileSync(file, JSON.stringify(site));
      const r = spawnSync(process.env.QM_WEB_SITEGEN, [file]);
      fs.rmSync(file, { force: true });
      const stderr = r.stderr.toString();
      this.warnings = stderr.split('\n').filter((l) => l.startsWith('warning: '));
      const warned = r.status === 1 && this.acceptWarnings && !/generation failed/.test(stderr);
      if (r.status !== 0 && !warned) throw new Error(`the generator failed: ${stderr}`);
      return;
    }
    const templates = path.join(programDir, 'templates');
    for (const name of templateNames) fs.copyFileSync(path.join(templates, name), path.join(this.dir, name));
    if (o.CSS) fs.copyFileSync(path.isAbsolute(o.CSS) ? o.CSS : path.join(programDir, o.CSS), path.join(this.dir, path.basename(o.CSS)));
    const host = s.port === 3306 ? s.host : `${s.host}:${s.port}`;
    fs.writeFileSync(path.join(this.dir, 'database.php'), databaseText(host, this.db.user, this.db.password, this.db.name));
    fs.writeFileSync(path.join(this.dir, 'config.php'), configText(tables, o));
  }
  setOptions(options) { this.configure(this.tables, { ...this.options, ...options }); }
  remove() { fs.rmSync(this.dir, { recursive: true, force: true }); }
}

// ---------------------------------------------------------------------------------------------
// PHP's built-in server

export function freePort() {
  return new Promise((resolve, reject) => {
    const srv = net.createServer();
    srv.on('error', reject);
    srv.listen(0, '127.0.0.1', () => { const { port } = srv.address(); srv.close(() => resolve(port)); });
  });
}

async function waitForPort(port, ms) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    const ok = await new Promise((resolve) => {
      const sock = net.connect(port, '127.0.0.1', () => { sock.end(); resolve(true); });
      sock.on('error', () => resolve(false));
    });
    if (ok) return;
    await new Promise((r) => setTimeout(r, 50));
  }
  throw new Error(`nothing answered on port ${port}`);
}

// Serves a folder; `log` collects what PHP wrote (its request lines and any notice or warning).
export class PhpServer {
  // env: more environment, for example PHP_CLI_SERVER_WORKERS for requests served side by side.
  static async start(dir, extraArgs = [], env = {}) {
    const s = new PhpServer();
    s.port = await freePort();
    s.base = `http://127.0.0.1:${s.port}/`;
    s.log = '';
    // config.php is rewritten between tests: opcache must look at the file on every request.
    s.proc = spawn('php', ['-d', 'error_reporting=E_ALL', '-d', 'log_errors=1', '-d', 'opcache.revalidate_freq=0', ...extraArgs,
      '-S', `127.0.0.1:${s.port}`, '-t', dir], { stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, ...env }, detached: true });
    s.proc.stdout.on('data', (d) => { s.log += d; });
    s.proc.stderr.on('data', (d) => { s.log += d; });
    await waitForPort(s.port, 10000);
    return s;
  }
  // PHP notices, warnings and errors in the log since the last call.
  problems() {
    const found = this.log.split('\n').filter((l) => /PHP (Warning|Notice|Deprecated|Fatal error|Parse error|Stack trace)|Uncaught/.test(l));
    this.log = '';
    return found;
  }
  async stop() {
    if (!this.proc || this.proc.exitCode !== null || this.proc.signalCode !== null) return;
    const done = new Promise((r) => this.proc.once('exit', r));
    // The server and its workers (PHP_CLI_SERVER_WORKERS) form a process group of their own.
    process.kill(-this.proc.pid, 'SIGTERM');
    await done;
  }
}

// ---------------------------------------------------------------------------------------------
// HTTP with cookies

export class Client {
  constructor(base) { this.base = base; this.cookies = new Map(); }
  async request(url, { method = 'GET', form = null } = {}) {
    const headers = {};
    if (this.cookies.size) headers.cookie = [...this.cookies].map(([k, v]) => `${k}=${v}`).join('; ');
    let body;
    if (form) {
      body = new URLSearchParams(Array.isArray(form) ? form : Object.entries(form)).toString();
      headers['content-type'] = 'application/x-www-form-urlencoded';
    }
    const res = await fetch(new URL(url, this.base), { method, headers, body, redirect: 'manual' });
    for (const c of res.headers.getSetCookie()) {
      const kv = c.split(';')[0];
      const i = kv.indexOf('=');
      this.cookies.set(kv.slice(0, i), kv.slice(i + 1));
    }
    return { status: res.status, text: await res.text(), headers: res.headers, location: res.headers.get('location') };
  }
  get(url) { return this.request(url); }
  post(url, form) { return this.request(url, { method: 'POST', form }); }
  // The form token of a page.
  async token(url) {
    const r = await this.get(url);
    const m = /name="csrf" value="([0-9a-f]+)"/.exec(r.text);
    if (!m) throw new Error(`no form token on ${url} (status ${r.status})`);
    return m[1];
  }
}

// Texts of the cells of the records table of a list page, row by row.
export function listRows(html) {
  const body = /<table class="DataTable" id="Records">[\s\S]*?<tbody>([\s\S]*?)<\/tbody>/.exec(html);
  if (!body) return null;
  return [...body[1].matchAll(/<tr class="Table(?:Alt)?Row">([\s\S]*?)<\/tr>/g)]
    .map((r) => [...r[1].matchAll(/<td[^>]*>([\s\S]*?)<\/td>/g)].map((c) => decode(c[1].replace(/<[^>]*>/g, ''))))
    .filter((r) => !(r.length === 1 && r[0] === 'No records found.'));
}

export function decode(html) {
  return html.replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&quot;/g, '"').replace(/&#0?39;/g, "'")
    .replace(/&apos;/g, "'").replace(/&hellip;/g, '\u2026').replace(/&amp;/g, '&');
}

// The rows of a CSV text (records end with CR LF; commas, quotes and line breaks only inside quotes).
export function parseCsv(text) {
  const rows = [];
  let row = [];
  const field = /("(?:[^"]|"")*"|[^",\r\n]*)(,|\r\n)/y;
  while (field.lastIndex < text.length) {
    const at = field.lastIndex;
    const m = field.exec(text);
    if (!m) throw new Error(`not CSV at ${at}: ${text.slice(at, at + 60)}`);
    row.push(m[1].startsWith('"') ? m[1].slice(1, -1).replace(/""/g, '"') : m[1]);
    if (m[2] === '\r\n') [rows[rows.length], row] = [row, []];
  }
  if (row.length) throw new Error('the last record does not end with CR LF');
  return rows;
}

// The reasons a form was refused (its general message and the messages beside fields), for
// assertion messages.
export function formErrors(html) {
  return [...html.matchAll(/class="ErrorMessage"[^>]*>([^<]*)<|class="FieldError" id="(err\d+)">([^<]+)</g)]
    .map((m) => (m[1] !== undefined ? m[1] : `${m[2]}: ${m[3]}`)).join('; ');
}

export function linkById(html, id) {
  const m = new RegExp(`<a href="([^"]*)"[^>]*id="${id}"`).exec(html);
  return m ? decode(m[1]) : null;
}

// ---------------------------------------------------------------------------------------------
// Chromium

const chromiumOptions = {
  executablePath: process.env.QM_CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync'],
};

export async function launchBrowser() {
  const { chromium } = requirePackage('playwright-core');
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'qmweb-chromium-'));
  const context = await chromium.launchPersistentContext(profile, { ...chromiumOptions, viewport: { width: 1200, height: 760 } });
  context.setDefaultTimeout(15000);
  const close = async () => { await context.close(); fs.rmSync(profile, { recursive: true, force: true }); };
  return { context, close };
}

// Chromium with `count` visitors side by side: contexts with cookies (and so sessions) of their own.
export async function launchVisitors(count) {
  const { chromium } = requirePackage('playwright-core');
  const browser = await chromium.launch(chromiumOptions);
  const contexts = [];
  for (let i = 0; i < count; i++) {
    const context = await browser.newContext({ viewport: { width: 1200, height: 760 } });
    context.setDefaultTimeout(15000);
    contexts.push(context);
  }
  return { contexts, close: () => browser.close() };
}

// Clicks a link in Chromium that downloads a file, as a visitor would, and returns the file's
// suggested name and its text.
export async function download(page, link) {
  const [file] = await Promise.all([page.waitForEvent('download'), page.locator(link).click()]);
  const saved = await file.path();
  return { name: file.suggestedFilename(), text: fs.readFileSync(saved, 'utf8') };
}

export function which(cmd) {
  try { return execFileSync('sh', ['-c', `command -v ${cmd}`]).toString().trim(); } catch { return ''; }
}
