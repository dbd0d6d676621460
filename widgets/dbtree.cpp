#include "dbtree.h"

#include "dataset.h"

#include <QHash>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <vector>

namespace {
// Keys compare as text, so 5, 5.0 and "5" are one key.
QString keyText(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return QString();
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        if (d == double(qint64(d))) return QString::number(qint64(d));
    }
    return v.toString();
}
} // namespace

void DBTree::setFields(const QString& keyField, const QString& parentField,
                       const QString& captionField) {
    m_keyField = keyField;
    m_parentField = parentField;
    m_captionField = captionField;
}

void DBTree::fill(DataSet& ds) {
    m_tree->clear();
    if (!ds.isActive()) return;
    const int key = ds.field(m_keyField)->index();
    const int parent = ds.field(m_parentField)->index();
    const int caption = ds.field(m_captionField)->index();
    const int n = ds.recordCount();

    QHash<QString, int> rowOfKey;
    rowOfKey.reserve(n);
    for (int r = 0; r < n; ++r) {
        const QString k = keyText(ds.valueAt(r, key));
        if (!k.isEmpty() && !rowOfKey.contains(k)) rowOfKey.insert(k, r);
    }
    std::vector<int> parentRow(size_t(n), -1);
    for (int r = 0; r < n; ++r) {
        const QString p = keyText(ds.valueAt(r, parent));
        parentRow[size_t(r)] = p.isEmpty() || p == QLatin1String("-1") ? -1 : rowOfKey.value(p, -1);
    }

    // Walk each parent chain once. A chain that meets a row still on the
    // current walk has found a loop: every row on that loop goes to the top,
    // rows merely hanging below a loop stay under their parent.
    enum : unsigned char { Unseen, OnWalk, Done };
    std::vector<unsigned char> mark(size_t(n), Unseen);
    std::vector<int> walk;
    for (int start = 0; start < n; ++start) {
        walk.clear();
        int r = start;
        while (r >= 0 && mark[size_t(r)] == Unseen) {
            mark[size_t(r)] = OnWalk;
            walk.push_back(r);
            r = parentRow[size_t(r)];
        }
        if (r >= 0 && mark[size_t(r)] == OnWalk) {
            auto it = std::find(walk.begin(), walk.end(), r);
            for (; it != walk.end(); ++it)
                parentRow[size_t(*it)] = -1;
        }
        for (int w : walk)
            mark[size_t(w)] = Done;
    }

    std::vector<QTreeWidgetItem*> items(static_cast<size_t>(n), nullptr);
    for (int r = 0; r < n; ++r) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, ds.displayTextAt(r, caption));
        item->setData(0, Qt::UserRole, ds.valueAt(r, key));
        items[size_t(r)] = item;
    }
    QList<QTreeWidgetItem*> top;
    for (int r = 0; r < n; ++r) {
        const int p = parentRow[size_t(r)];
        if (p < 0)
            top << items[size_t(r)];
        else
            items[size_t(p)]->addChild(items[size_t(r)]);
    }
    m_tree->addTopLevelItems(top);
}

QTreeWidgetItem* DBTree::findItem(const QVariant& key) const {
    const QString want = keyText(key);
    if (want.isEmpty()) return nullptr;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if (keyText(keyOf(*it)) == want) return *it;
    return nullptr;
}

QVariant DBTree::keyOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, Qt::UserRole) : QVariant();
}
