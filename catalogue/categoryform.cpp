#include "categoryform.h"

#include "dataset.h"
#include "dbtree.h"
#include "formkit.h"
#include "guard.h"
#include "maindm.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TCategoryForm::TCategoryForm(TMainDM& dm, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CategoryForm"));
    setWindowTitle(QStringLiteral("商品目录"));
    queryCategory = new DataSet(&dm.MainConn, this);
    queryCategory->setObjectName(QStringLiteral("queryCategory"));
    queryCategory->setSql(TMainDM::CategoryListSql());
    queryCategory->setFetchBlock(0);

    treeCategory = new QTreeWidget(this);
    treeCategory->setObjectName(QStringLiteral("treeCategory"));
    treeCategory->setHeaderHidden(true);
    m_tree = new DBTree(treeCategory);
    m_tree->setFields(QStringLiteral("id"), QStringLiteral("parentID"),
                      QStringLiteral("categoryName"));
    connect(treeCategory, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_filling && item && queryCategory->isActive())
            queryCategory->locate(QStringLiteral("id"), DBTree::keyOf(item));
    });

    btnUseCurrentCat = NamedButton(this, "btnUseCurrentCat", QStringLiteral("使用该类别"));
    Button2 = NamedButton(this, "Button2", QStringLiteral("关闭"));
    connect(btnUseCurrentCat, &QPushButton::clicked, this, Guarded([this] {
        if (queryCategory->isActive() && !queryCategory->eof() && queryCategory->recNo() > 0)
            m_selected = queryCategory->field(QStringLiteral("id"))->asInteger();
        accept();
    }));
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    // Double-clicking a category is the quick way to use it.
    connect(treeCategory, &QTreeWidget::itemDoubleClicked, btnUseCurrentCat, &QPushButton::click);

    auto* footer = new QHBoxLayout;
    footer->addStretch();
    footer->addWidget(btnUseCurrentCat);
    footer->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(treeCategory, 1);
    layout->addLayout(footer);
    resize(300, 420);
}

TCategoryForm::~TCategoryForm() {
    delete m_tree;
}

std::optional<int> TCategoryForm::PickCategory() {
    ReloadTree();
    if (exec() != QDialog::Accepted) return std::nullopt;
    return m_selected;
}

void TCategoryForm::ReloadTree() {
    ++m_filling;
    queryCategory->requery();
    m_tree->fill(*queryCategory);
    treeCategory->expandAll();
    // The tree and the dataset start on the same category.
    if (!queryCategory->isEmpty())
        treeCategory->setCurrentItem(m_tree->findItem(queryCategory->value(QStringLiteral("id"))));
    --m_filling;
}

void TCategoryForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    m_selected.reset();
}
