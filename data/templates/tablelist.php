<?php
// The records of one table, a page at a time, sortable by any column.
define('QM_PAGE', 'tablelist');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';
require __DIR__ . '/clause.php';

$ti = qm_request_table();
$tm = qm_table($ti);
qm_page_start($tm['name']);
qm_table_actions($tm);
qm_render_list($tm, 'tablelist.php', array('t' => $ti), '', array(), false);
qm_page_end();

function qm_table_actions($tm)
{
    $t = array('t' => $tm['index']);
    echo '<div class="Actions">';
    if (qm_flag('Add')) {
        echo '<a href="', qm_h(qm_url('add.php', $t)), '" id="AddRecord" class="Button">Add a record</a>';
    }
    if (qm_flag('Search')) {
        echo '<form method="get" action="searchres.php" class="QuickSearch"><input type="hidden" name="t" value="',
            qm_h($tm['index']), '"><input type="search" name="q" aria-label="Search" placeholder="Search this table"> ',
            '<button type="submit" class="Button">Search</button></form>';
    }
    if (qm_flag('SearchRecords')) {
        echo '<a href="', qm_h(qm_url('advview.php', $t)), '">Advanced search</a>';
    }
    if (count($tm['pk']) === 0) {
        echo '<span class="Hint">This table has no primary key: its records can be listed but not opened, changed or deleted here.</span>';
    }
    echo "</div>\n";
}
