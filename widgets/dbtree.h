#pragma once
#include <QString>
#include <QVariant>

class DataSet;
class QTreeWidget;
class QTreeWidgetItem;

// Fills a tree from rows that name their parent (product categories): the
// key, parent key and caption fields of a dataset. A parent of -1, NULL or
// a key no row has puts a row at the top. Every item carries its key in
// Qt::UserRole.
class DBTree {
public:
    explicit DBTree(QTreeWidget* tree) : m_tree(tree) {}

    void setFields(const QString& keyField, const QString& parentField,
                   const QString& captionField);
    // Rebuilds the tree from every row of ds, children in row order. Rows
    // whose parent chain comes back to itself (a category moved under its
    // own child) would hang nowhere; they are put at the top instead.
    void fill(DataSet& ds);
    QTreeWidgetItem* findItem(const QVariant& key) const;
    static QVariant keyOf(const QTreeWidgetItem* item);

private:
    QTreeWidget* m_tree;
    QString m_keyField = QStringLiteral("id");
    QString m_parentField = QStringLiteral("parentID");
    QString m_captionField;
};
