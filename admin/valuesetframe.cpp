#include "valuesetframe.h"

#include "datagrid.h"
#include "dataset.h"
#include "formkit.h"
#include "guard.h"
#include "quickmessagedlg.h"
#include "valueset.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

TValueSetFrame::TValueSetFrame(TMainDM& dm, const QString& setName, QWidget* parent)
    : QWidget(parent), m_list(std::make_unique<TValueSetList>(dm, setName)) {
    setObjectName(QStringLiteral("ValueSetFrame"));
    DataSet* q = m_list->queryValueSet();
    gbValueSet = new QGroupBox(m_list->Caption(), this);
    gbValueSet->setObjectName(QStringLiteral("gbValueSet"));
    gridValueSet = Named<DataGrid>(gbValueSet, "gridValueSet");
    gridValueSet->setDataSet(q);
    gridValueSet->addColumn(QStringLiteral("elementValue"), QStringLiteral("类别名称"), 240);
    gridValueSet->refreshColumns();

    btnValueSetNew = NamedButton(gbValueSet, "btnValueSetNew", QStringLiteral("新建(&N)"));
    btnValueSetEdit = NamedButton(gbValueSet, "btnValueSetEdit", QStringLiteral("修改(&E)"));
    btnValueSetDelete = NamedButton(gbValueSet, "btnValueSetDelete", QStringLiteral("删除(&D)"));
    btnValueSetSave = NamedButton(gbValueSet, "btnValueSetSave", QStringLiteral("保存(&S)"));
    btnValueSetCancel = NamedButton(gbValueSet, "btnValueSetCancel", QStringLiteral("取消(&C)"));

    auto* l = new QVBoxLayout(gbValueSet);
    l->addLayout(ButtonRow({btnValueSetNew, btnValueSetEdit, btnValueSetDelete, btnValueSetSave, btnValueSetCancel,
                            nullptr}));
    l->addWidget(gridValueSet, 1);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(gbValueSet);

    connect(btnValueSetNew, &QPushButton::clicked, this, Guarded([this] {
                m_list->New();
                editCell();
            }));
    connect(btnValueSetEdit, &QPushButton::clicked, this, Guarded([this] {
                m_list->Edit();
                editCell();
            }));
    // The button took the focus, so an open cell editor has written its text.
    connect(btnValueSetSave, &QPushButton::clicked, this, Guarded([this] { m_list->Save(); }));
    connect(btnValueSetCancel, &QPushButton::clicked, this, Guarded([this] { m_list->Cancel(); }));
    connect(btnValueSetDelete, &QPushButton::clicked, this, Guarded([this] { btnValueSetDeleteClick(); }));
    connect(q, &DataSet::stateChanged, this, &TValueSetFrame::updateButtons);
    updateButtons();
}

TValueSetFrame::~TValueSetFrame() = default;

void TValueSetFrame::Prepare() {
    m_list->Open();
}

void TValueSetFrame::btnValueSetDeleteClick() {
    DataSet* q = m_list->queryValueSet();
    if (!q->isActive() || q->isEmpty()) return;
    const QString refusal = m_list->DeleteRefusal();
    if (!refusal.isEmpty()) {
        TQuickMessageDlg::ShowInfo(refusal);
        return;
    }
    if (TQuickMessageDlg::ConfirmResult(QString(), QStringLiteral("确定要删除该条数据吗?")) != QMessageBox::Yes)
        return;
    m_list->DeleteCurrent();
}

void TValueSetFrame::editCell() {
    QTableView* v = gridValueSet->view();
    v->setFocus();
    v->edit(v->currentIndex());
}

void TValueSetFrame::updateButtons() {
    const bool editing = m_list->queryValueSet()->isEditing();
    for (QPushButton* b : {btnValueSetNew, btnValueSetEdit, btnValueSetDelete}) b->setEnabled(!editing);
    for (QPushButton* b : {btnValueSetSave, btnValueSetCancel}) b->setEnabled(editing);
}
