// The templates must load on PHP 7.4, and only a newer PHP runs here: every .php template is parsed
// as PHP 7.4 code, and its syntax tree is searched for what 7.4 parses but cannot run (types and
// parameter forms of PHP 8, calls of functions PHP 8 added).
import { describe, it } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { requirePackage, sourceDir } from './support.mjs';

const Engine = requirePackage('php-parser');
const templates = path.join(sourceDir, 'data/templates');
const php8Functions = new Set(['str_contains', 'str_starts_with', 'str_ends_with', 'array_is_list', 'get_debug_type',
  'get_resource_id', 'fdiv', 'preg_last_error_msg', 'array_find', 'array_any', 'array_all', 'json_validate',
  'mb_str_pad', 'mysqli_execute_query']);
const php8Types = new Set(['mixed', 'static', 'never', 'null', 'false', 'true']);

// What a node of the tree uses that PHP 7.4 lacks, as texts.
function newerThan74(node, found = []) {
  if (Array.isArray(node)) {
    for (const n of node) newerThan74(n, found);
    return found;
  }
  if (!node || typeof node !== 'object') return found;
  const line = node.loc ? ` (line ${node.loc.start.line})` : '';
  if (node.kind === 'uniontype' || node.kind === 'intersectiontype') found.push(`${node.kind}${line}`);
  if (node.kind === 'typereference' && php8Types.has(String(node.name).toLowerCase())) found.push(`type ${node.name}${line}`);
  if (node.kind === 'parameter' && (node.flags || node.readonly)) found.push(`promoted parameter${line}`);
  if ((node.kind === 'property' || node.kind === 'class') && (node.readonly || node.isReadonly)) found.push(`readonly${line}`);
  if (node.kind === 'call' && node.what?.kind === 'name' && php8Functions.has(node.what.name.toLowerCase().replace(/^\\/, ''))) {
    found.push(`${node.what.name}()${line}`);
  }
  for (const [key, value] of Object.entries(node)) {
    if (key !== 'loc') newerThan74(value, found);
  }
  return found;
}

describe('templates on PHP 7.4', () => {
  const parser = new Engine({ parser: { php7: true, version: '7.4' }, ast: { withPositions: true } });
  const files = fs.readdirSync(templates).filter((f) => f.endsWith('.php')).sort();

  it('finds the templates', () => assert.ok(files.length >= 15, `only ${files.length} .php files in ${templates}`));

  for (const file of files) {
    it(`${file} parses as PHP 7.4 and uses nothing newer`, () => {
      const tree = parser.parseCode(fs.readFileSync(path.join(templates, file), 'utf8'), file);
      assert.deepEqual(newerThan74(tree), []);
    });
  }
});
