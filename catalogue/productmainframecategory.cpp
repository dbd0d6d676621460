// The category half of the product frame: the tree, and creating, changing
// and deleting categories.
#include "productmainframe.h"

#include "dataset.h"
#include "dbedits.h"
#include "dbtree.h"
#include "dbutils.h"
#include "maindm.h"
#include "productmanagerdm.h"
#include "quickmessagedlg.h"

#include <QPushButton>
#include <QSet>
#include <QToolButton>
#include <QTreeWidget>

namespace {

bool isRoot(DataSet* categories) {
    Field* parent = categories->field(QStringLiteral("parentID"));
    return !parent->isNull() && parent->asInteger() == -1;
}

int currentId(DataSet* categories) {
    return categories->field(QStringLiteral("id"))->asInteger();
}

int count(Connection& conn, const char* sql, int id) {
    return TQuickQuery::GetInteger(conn, QString::fromLatin1(sql), {{"id", id}});
}
} // namespace

void TProductMainFrame::dsCategoryStateChange() {
    const bool editing = queryCategory->isEditing();
    pCategory->setVisible(editing);
    btnCatCancel->setEnabled(editing);
    btnCatSave->setEnabled(editing);
    btnCatNew->setEnabled(!editing);
    btnCatEdit->setEnabled(!editing);
    btnCatDelete->setEnabled(!editing);
    treeCategory->setEnabled(!editing);
}

void TProductMainFrame::treeCategoryChange(QTreeWidgetItem* item) {
    if (m_treeSync || !item || !queryCategory->isActive()) return;
    const QVariant key = DBTree::keyOf(item);
    queryCategory->locate(QStringLiteral("id"), key);
    // The root stands for the whole catalogue; any other category lists only
    // its own products, not those of its subcategories.
    const int id = key.toInt();
    if (id == 1)
        LoadProducts(QString());
    else
        LoadProducts(QStringLiteral(" categoryID = ") + QString::number(id));
}

void TProductMainFrame::rebuildTree(int selectId, bool loadProducts) {
    ++m_treeSync;
    m_tree->fill(*queryCategory);
    treeCategory->expandAll();
    QTreeWidgetItem* item = m_tree->findItem(selectId);
    if (!item && treeCategory->topLevelItemCount() > 0) item = treeCategory->topLevelItem(0);
    treeCategory->setCurrentItem(item);
    if (item && !queryCategory->isEditing())
        queryCategory->locate(QStringLiteral("id"), DBTree::keyOf(item));
    --m_treeSync;
    if (loadProducts && item) treeCategoryChange(item);
}

void TProductMainFrame::reloadCategories() {
    if (m_treeSync || !queryCategory->isActive() || queryCategory->isEditing()) return;
    const QTreeWidgetItem* item = treeCategory->currentItem();
    const int keep = item ? DBTree::keyOf(item).toInt() : -1;
    ++m_treeSync;
    queryCategory->requery();
    --m_treeSync;
    rebuildTree(keep, false);
}

void TProductMainFrame::reopenCategoryLists() {
    // Our own tree is rebuilt by the caller; the guard keeps the shared
    // list's reopening from doing it a second time.
    ++m_treeSync;
    m_products.queryCategoryList->requery();
    --m_treeSync;
    queryCategoryList2->requery();
}

void TProductMainFrame::setParentListExcluding(int id) {
    QString sql = TMainDM::CategoryListSql();
    if (id >= 0) sql += QStringLiteral("\nWHERE id<>") + QString::number(id);
    if (sql == queryCategoryList2->sql() && queryCategoryList2->isActive()) return;
    queryCategoryList2->setSql(sql);
    queryCategoryList2->open();
}

bool TProductMainFrame::wouldBeOwnDescendant(int id, int newParent) {
    // Walk up from the new parent; meeting the category itself means the
    // move would hang it below its own subtree, which the tree, built from
    // the root down, could never show.
    QSet<int> seen;
    int p = newParent;
    while (!seen.contains(p)) {
        if (p == id) return true;
        seen.insert(p);
        const int row = queryCategory->findRow(QStringLiteral("id"), p);
        if (row < 0) return false;
        const QVariant up = queryCategory->valueAt(row, QStringLiteral("parentID"));
        if (up.isNull()) return false;
        p = up.toInt();
    }
    return false;
}

void TProductMainFrame::btnCatNewClick() {
    if (!queryCategory->isActive()) return;
    const QTreeWidgetItem* item = treeCategory->currentItem();
    const int parent = item ? DBTree::keyOf(item).toInt() : 1;
    setParentListExcluding(-1);
    queryCategory->append();
    queryCategory->setValue(QStringLiteral("parentID"), parent);
    edtCatName->setFocus();
}

void TProductMainFrame::btnCatEditClick() {
    if (!queryCategory->isActive() || queryCategory->isEmpty()) return;
    if (isRoot(queryCategory)) {
        TQuickMessageDlg::ShowInfo(QStringLiteral("不能修改根目录."));
        return;
    }
    // Every category but the one edited may become its parent; moving below
    // its own subcategories is refused when saving.
    setParentListExcluding(currentId(queryCategory));
    queryCategory->edit();
    edtCatName->setFocus();
}

void TProductMainFrame::btnCatSaveClick() {
    if (!queryCategory->isEditing()) return;
    btnCatSave->setFocus();
    if (queryCategory->state() == DataSet::State::Edit) {
        const Field* parent = queryCategory->field(QStringLiteral("parentID"));
        if (!parent->isNull() &&
            wouldBeOwnDescendant(currentId(queryCategory), parent->asInteger())) {
            TQuickMessageDlg::ShowInfo(QStringLiteral("不能把目录移到它自己的下级目录中."));
            return;
        }
    }
    queryCategory->post();
    const int saved = currentId(queryCategory);
    // The product dialog's category list follows.
    m_dm.queryCategoryList->requery();
    reopenCategoryLists();
    rebuildTree(saved, true);
}

void TProductMainFrame::btnCatCancelClick() {
    queryCategory->cancel();
    // A cancelled new row leaves the dataset on some other row: go back to
    // the category the tree shows.
    if (const QTreeWidgetItem* item = treeCategory->currentItem())
        queryCategory->locate(QStringLiteral("id"), DBTree::keyOf(item));
}

void TProductMainFrame::btnCatDeleteClick() {
    if (!queryCategory->isActive() || queryCategory->isEmpty()) return;
    if (isRoot(queryCategory)) {
        TQuickMessageDlg::ShowInfo(QStringLiteral("不能删除根目录."));
        return;
    }
    const int id = currentId(queryCategory);
    // Subcategories first: a category with both is refused for them.
    if (count(m_dm.MainConn, "select count(*) as fcount from ProductCategory where parentID=:id", id) > 0) {
        TQuickMessageDlg::ShowPlain(QStringLiteral("请先删除该目录的子目录."));
        return;
    }
    if (count(m_dm.MainConn, "select count(*) as fcount from Product where categoryID=:id", id) > 0) {
        TQuickMessageDlg::ShowPlain(QStringLiteral("该目录下已有商品,不能删除."));
        return;
    }
    const int parent = queryCategory->field(QStringLiteral("parentID"))->asInteger();
    queryCategory->deleteRecord();
    // The product dialog picks categories from the shared list; without
    // this it would still offer the one just deleted.
    m_dm.queryCategoryList->requery();
    reopenCategoryLists();
    rebuildTree(parent, true);
}
