<?php
// One record, found by its primary key, with first/previous/next/last when $Navigator is on.
define('QM_PAGE', 'view');
require __DIR__ . '/main.php';
if (qm_flag('Form') && qm_flag('Edit')) {
    define('QM_FORMS', true);  // the record opens as its edit form
}
require __DIR__ . '/primary.php';
// The helpers of lists (for the navigator and the child lists) and of forms are loaded where the
// page comes to use them: a plain record view without either is spared compiling them in.
if (defined('QM_FORMS')) {
    require __DIR__ . '/validator.php';
}

// label => key (null where there is none) of the first, previous, next and last record in
// primary key order. The ends are read in one statement and the neighbours in another (bound to
// the record's key), each branch marked with its label: two statements instead of four.
function qm_neighbour_keys(array $tm, array $key): array
{
    require_once __DIR__ . '/clause.php';
    $cols = $tm['pk'];
    $order = qm_order_sql($cols, 't', 'ASC');
    $reverse = qm_order_sql($cols, 't', 'DESC');
    $keyColumns = [];
    foreach ($cols as $j => $col) {
        $keyColumns[] = 't.' . qm_ident($col) . ' AS k' . $j;
    }
    $select = function (string $label) use ($keyColumns, $tm): string {
        return '(SELECT ' . qm_literal($label) . ' AS label, ' . implode(', ', $keyColumns) . ' FROM '
            . qm_ident($tm['name']) . ' AS t';
    };
    $beforeParams = [];
    $before = qm_keyset_sql($cols, $key, 't', '<', $beforeParams);
    $afterParams = [];
    $after = qm_keyset_sql($cols, $key, 't', '>', $afterParams);
    $ends = qm_query($select('First') . ' ORDER BY ' . $order . ' LIMIT 1) UNION ALL '
        . $select('Last') . ' ORDER BY ' . $reverse . ' LIMIT 1)');
    $neighbours = qm_query($select('Previous') . ' WHERE ' . $before . ' ORDER BY ' . $reverse . ' LIMIT 1) UNION ALL '
        . $select('Next') . ' WHERE ' . $after . ' ORDER BY ' . $order . ' LIMIT 1)', array_merge($beforeParams, $afterParams));
    $keys = ['First' => null, 'Previous' => null, 'Next' => null, 'Last' => null];
    foreach (array_merge($ends, $neighbours) as $row) {
        $keys[$row['label']] = qm_row_key_params($tm, $row);
    }
    return $keys;
}

const QM_CHILD_PER_PAGE = 5;  // records of a child table per page of the record view
const QM_CHILD_COLUMNS = 4;   // columns of a child table shown there

// The values of a record's columns that a foreign key refers to, in key order; null where one is
// NULL (then no child can point to the record by that key). Columns of the primary key are taken
// from the record as read; others are read for it.
function qm_referenced_values(array $tm, array $key, array $record, array $refs): ?array
{
    $values = [];
    foreach ($refs as $ref) {
        $j = array_search($ref, $tm['pk'], true);
        if ($j === false) {
            $values = null;
            break;
        }
        $values[] = $record['k' . $j];
    }
    if ($values !== null) {
        return $values;
    }
    $parts = [];
    foreach ($refs as $j => $ref) {
        $parts[] = 'p.' . qm_ident($ref) . ' AS r' . $j;
    }
    $rows = qm_query_numbers('SELECT ' . implode(', ', $parts) . ' FROM ' . qm_ident($tm['name']) . ' AS p WHERE '
        . qm_key_literal_where($tm, 'p', $key) . ' LIMIT 1');
    if (!$rows || in_array(null, $rows[0], true)) {
        return null;
    }
    return array_values($rows[0]);
}

// n => page number of the child lists, from cp[n] of the request.
function qm_child_pages(): array
{
    $pages = [];
    foreach (isset($_GET['cp']) && is_array($_GET['cp']) ? $_GET['cp'] : [] as $n => $page) {
        if (is_string($page) && ctype_digit($page) && strlen($page) < 10) {
            $pages[(int)$n] = max(1, (int)$page);
        }
    }
    return $pages;
}

// The links of a child list: previous and next page (null where there is none), and the add form
// with the key columns the child's form shows filled in (null without $Add).
function qm_child_links(array $tm, array $key, array $ctm, array $fk, array $values, int $n, int $p, bool $more): array
{
    $pages = qm_child_pages();
    $here = ['t' => $tm['index'], 'k' => $key];
    $pageUrl = function (int $to) use ($here, $pages, $n): string {
        $pages[$n] = $to;
        return qm_url('view.php', $here + ['cp' => $pages]) . '#Child' . $n;
    };
    $add = null;
    if (qm_flag('Add')) {
        $fill = [];
        foreach ($ctm['fields'] as $f) {
            $j = array_search($f['name'], $fk['columns'], true);
            if ($j !== false) {
                $fill[$f['pos']] = $values[$j];
            }
        }
        $add = qm_url('add.php', ['t' => $ctm['index']] + (count($fill) > 0 ? ['f' => $fill] : []));
    }
    return ['prev' => $p > 1 ? $pageUrl($p - 1) : null, 'next' => $more ? $pageUrl($p + 1) : null, 'add' => $add];
}

// One page of the records of a child table that point to this record by one foreign key (all its
// columns matched), with the child's first few columns; null where the record has a NULL in the key.
function qm_child_list(array $tm, array $key, array $record, array $ctm, array $fk, int $n): ?array
{
    require_once __DIR__ . '/clause.php';
    $values = qm_referenced_values($tm, $key, $record, $fk['refs']);
    if ($values === null) {
        return null;
    }
    $conditions = [];
    foreach ($fk['columns'] as $i => $c) {
        $conditions[] = 't.' . qm_ident($c) . ' = ' . qm_literal((string)$values[$i]);
    }
    [$where, $params] = qm_hook_conditions($ctm['name'], implode(' AND ', $conditions), []);
    $p = qm_child_pages()[$n] ?? 1;
    $shown = ['fields' => array_slice($ctm['fields'], 0, QM_CHILD_COLUMNS)] + $ctm;
    $rows = qm_query_numbers('SELECT ' . qm_select_list($shown, 't', true) . ' FROM ' . qm_ident($ctm['name'])
        . ' AS t WHERE ' . $where . ' ORDER BY ' . qm_order_sql(qm_order_columns($ctm, null), 't', 'ASC')
        . ' LIMIT ' . (($p - 1) * QM_CHILD_PER_PAGE) . ', ' . (QM_CHILD_PER_PAGE + 1), $params);
    $more = count($rows) > QM_CHILD_PER_PAGE;
    if ($more) {
        array_pop($rows);
    }
    // A page that ends the list tells how many records there are without counting them.
    $total = !$more && ($p === 1 || count($rows) > 0) ? ($p - 1) * QM_CHILD_PER_PAGE + count($rows)
        : qm_count_upto($ctm['name'], QM_COUNT_LIMIT, $where, $params);
    return [
        'n' => $n,
        'table' => $ctm['name'],
        'by' => implode(', ', $fk['columns']),
        'count' => $total > QM_COUNT_LIMIT ? 'More than ' . number_format(QM_COUNT_LIMIT) . ' records'
            : number_format($total) . ($total === 1 ? ' record' : ' records'),
        'page' => number_format($p) . ' of ' . number_format(max(1, (int)ceil(min($total, QM_COUNT_LIMIT) / QM_CHILD_PER_PAGE))),
        'columns' => array_column($shown['fields'], 'name'),
        'rows' => qm_list_rows($shown, $rows, count($ctm['pk']) > 0),
        'links' => qm_child_links($tm, $key, $ctm, $fk, $values, $n, $p, $more),
    ];
}

// The child lists of a record: one per foreign key of another table of the site that points to
// this record's table ($ChildRecords = False switches them off). A child table the server cannot
// open, or without a column to show, is left out.
function qm_child_lists(array $tm, array $key, array $record): array
{
    $lists = [];
    if (!qm_flag_or_on('ChildRecords')) {
        return $lists;
    }
    foreach (qm_referencing_keys($tm['name']) as $fk) {
        foreach (array_keys(qm_table_names(), $fk['table'], true) as $ci) {
            $columns = qm_columns($fk['table']);
            if ($columns === null || count(qm_table_fields($ci, $fk['table'], $columns)) === 0
                || count(array_diff($fk['columns'], array_keys($columns))) > 0) {
                continue;
            }
            $list = qm_child_list($tm, $key, $record, qm_table((string)$ci), $fk, count($lists));
            if ($list !== null) {
                $lists[] = $list;
            }
        }
    }
    return $lists;
}

// The markup of the child lists. Cells come HTML-escaped from qm_show_value.
function qm_child_lists_markup(array $lists): void
{
    foreach ($lists as $list) :
        $links = $list['links'];
        ?>
<div class="ChildRecords" id="Child<?= $list['n'] ?>">
<h2><?= qm_h($list['table']) ?> <span class="Hint">by <?= qm_h($list['by']) ?></span></h2>
<p class="Summary"><?= qm_h($list['count']) ?> &middot; page <?= qm_h($list['page']) ?></p>
<table class="DataTable ChildList">
<thead><tr class="Header">
<?php foreach ($list['columns'] as $name) : ?>
<th scope="col"><?= qm_h($name) ?></th>
<?php endforeach ?>
<th scope="col" class="ActionsHeader"></th>
</tr></thead>
<tbody>
<?php foreach ($list['rows'] as $i => $row) : ?>
<tr class="<?= $i % 2 === 1 ? 'TableAltRow' : 'TableRow' ?>">
<?php foreach ($row['cells'] as $cell) : ?>
<td><?= $cell ?></td>
<?php endforeach ?>
<td class="RowActions"><?php if ($row['query'] !== null) : ?><a href="<?= qm_h('view.php' . $row['query']) ?>">View</a><?php endif ?></td>
</tr>
<?php endforeach ?>
<?php if (count($list['rows']) === 0) : ?>
<tr class="TableRow"><td colspan="<?= count($list['columns']) + 1 ?>" class="NoRecords">No records found.</td></tr>
<?php endif ?>
</tbody>
</table>
<div class="Pager">
<?php if ($links['prev'] !== null) : ?>
<a href="<?= qm_h($links['prev']) ?>" class="ChildPrev" rel="prev">&lsaquo; Previous</a>
<?php endif ?>
<?php if ($links['next'] !== null) : ?>
<a href="<?= qm_h($links['next']) ?>" class="ChildNext" rel="next">Next &rsaquo;</a>
<?php endif ?>
<?php if ($links['add'] !== null) : ?>
<a href="<?= qm_h($links['add']) ?>" class="ChildAdd">Add a record to <?= qm_h($list['table']) ?></a>
<?php endif ?>
</div>
</div>
<?php
    endforeach;
}

$request = qm_record_request('View', 'Viewing records is not allowed.');
['ti' => $ti, 'tm' => $tm, 'key' => $key, 'record' => $record] = $request;

// With $Form the record opens as its edit form, ready for changes.
if (qm_flag('Form') && qm_flag('Edit')) {
    qm_page_start('Record of ' . $tm['name']);
    qm_render_form($tm, 'edit', qm_record_values($tm, $record), [], $key, $record);
    qm_child_lists_markup(qm_child_lists($tm, $key, $record));
    qm_page_end();
    exit;
}

$rows = [];
foreach ($tm['fields'] as $i => $f) {
    $rows[] = [
        'class' => $i % 2 === 1 ? 'TableAltRow' : 'TableRow',
        'name' => $f['name'],
        'value' => nl2br(qm_show_value($f, $record, false), false),
    ];
}
$recordParams = ['t' => $ti, 'k' => $key];
$actions = [];
if (qm_flag('Edit')) {
    $actions[] = ['Edit', qm_url('edit.php', $recordParams), 'EditRecord'];
}
if (qm_flag('Delete')) {
    $actions[] = ['Delete', qm_url('delete.php', $recordParams), 'DeleteRecord'];
}
$listUrl = qm_url('tablelist.php', ['t' => $ti]);
$children = qm_child_lists($tm, $key, $record);
// label => link, or null where it would lead nowhere or back to this record.
$navigator = null;
if (qm_flag('Navigator')) {
    $navigator = [];
    foreach (qm_neighbour_keys($tm, $key) as $label => $k) {
        $navigator[$label] = $k === null || $k === $key ? null : qm_url('view.php', ['t' => $ti, 'k' => $k]);
    }
}

qm_page_start('Record of ' . $tm['name']);
?>
<table class="DataTable RecordView" id="Record">
<?php foreach ($rows as $row) : ?>
<tr class="<?= $row['class'] ?>"><th scope="row"><?= qm_h($row['name']) ?></th><td><?= $row['value'] ?></td></tr>
<?php endforeach ?>
</table>
<div class="Actions"><?php foreach ($actions as [$label, $url, $id]) : ?>
<a href="<?= qm_h($url) ?>" class="Button" id="<?= $id ?>"><?= qm_h($label) ?></a> <?php endforeach ?>
<a href="<?= qm_h($listUrl) ?>">Back to the list</a></div>
<?php if ($navigator !== null) : ?>
<div class="Pager Navigator" id="Navigator"><?php foreach ($navigator as $label => $url) : ?>
<?php if ($url === null) : ?>
<span class="Disabled"><?= qm_h($label) ?></span> <?php else : ?>
<a href="<?= qm_h($url) ?>" id="Nav<?= $label ?>"><?= qm_h($label) ?></a> <?php endif ?>
<?php endforeach ?></div>
<?php endif ?>
<?php
qm_child_lists_markup($children);
qm_page_end();
