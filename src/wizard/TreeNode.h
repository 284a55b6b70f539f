#pragma once
// Nodes of the field tree and the validation tree: each keeps its key ("root", "Table<i>",
// "Field<k>") as data of role Qt::UserRole, and a checkable node starts checked.

#include <QTreeWidgetItem>

inline QTreeWidgetItem* makeTreeNode(const QString& key, const QString& text, bool checkable)
{
    auto* node = new QTreeWidgetItem(QStringList{text});
    node->setData(0, Qt::UserRole, key);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (checkable)
        flags |= Qt::ItemIsUserCheckable;
    node->setFlags(flags);
    if (checkable)
        node->setCheckState(0, Qt::Checked);
    return node;
}
