<?php
// Start page: the tables of the site with what can be done with each.
define('QM_PAGE', 'index');
require __DIR__ . '/main.php';
require __DIR__ . '/primary.php';

qm_page_start('Tables');
$names = qm_table_names();
if (count($names) === 0) {
    echo '<p>No tables have been set up for this site.</p>', "\n";
} else {
    echo '<table class="DataTable" id="TableList">', "\n", '<thead><tr class="Header"><th scope="col">Table</th>',
        '<th scope="col">Records</th><th scope="col"></th></tr></thead>', "\n<tbody>\n";
    $n = 0;
    foreach ($names as $i => $name) {
        $estimate = qm_row_estimate($name);
        echo '<tr class="', $n++ % 2 === 1 ? 'TableAltRow' : 'TableRow', '"><td><a href="',
            qm_h(qm_url('tablelist.php', array('t' => $i))), '">', qm_h($name), '</a></td><td class="Number">',
            $estimate > QM_COUNT_LIMIT ? 'about ' . qm_h(number_format($estimate)) : qm_h(number_format(qm_count_upto($name, QM_COUNT_LIMIT))),
            '</td><td class="RowActions">';
        if (qm_flag('Add')) {
            echo '<a href="', qm_h(qm_url('add.php', array('t' => $i))), '">Add</a> ';
        }
        if (qm_flag('Search')) {
            echo '<a href="', qm_h(qm_url('search.php', array('t' => $i))), '">Search</a> ';
        }
        if (qm_flag('SearchRecords')) {
            echo '<a href="', qm_h(qm_url('advview.php', array('t' => $i))), '">Advanced search</a>';
        }
        echo "</td></tr>\n";
    }
    echo "</tbody>\n</table>\n";
}
qm_page_end();
