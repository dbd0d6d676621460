#include "unitform.h"

#include "dataset.h"
#include "datagrid.h"
#include "dbutils.h"
#include "formkit.h"
#include "maindm.h"
#include "quickmessagedlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {
TUnitForm* g_instance = nullptr;
}

TUnitForm* TUnitForm::instance() { return g_instance; }

TUnitForm::TUnitForm(QWidget* parent) : QDialog(parent) {
    g_instance = this;
    setObjectName(QStringLiteral("UnitForm"));
    setWindowTitle(QStringLiteral("商品计量单位管理"));

    tableUnit = new DataSet(&MainDM()->MainConn, this);
    tableUnit->setObjectName(QStringLiteral("tableUnit"));
    tableUnit->setSql(QStringLiteral("select * from ProductUnit"));
    tableUnit->setUpdateTable(QStringLiteral("ProductUnit"));
    // The other windows' unit names follow every change made here.
    tableUnit->onNewRecord = [this](DataSet&) { rereadShared(); };
    tableUnit->afterPost = [this](DataSet&) { rereadShared(); };
    connect(tableUnit, &DataSet::stateChanged, this, &TUnitForm::updateButtons);

    btnInsert = NamedButton(this, "btnInsert", QStringLiteral("添加"));
    btnEdit = NamedButton(this, "btnEdit", QStringLiteral("修改"));
    btnCancel = NamedButton(this, "btnCancel", QStringLiteral("取消"));
    btnDelete = NamedButton(this, "btnDelete", QStringLiteral("删除"));
    btnSave = NamedButton(this, "btnSave", QStringLiteral("保存"));
    btnSelect = NamedButton(this, "btnSelect", QStringLiteral("选定"));
    btnClose = NamedButton(this, "btnClose", QStringLiteral("关闭"));

    gridUnit = new DataGrid(this);
    gridUnit->setObjectName(QStringLiteral("gridUnit"));
    gridUnit->setDataSet(tableUnit);
    gridUnit->addColumn(QStringLiteral("unitName"), QStringLiteral("单位"), 220);
    gridUnit->refreshColumns();

    connect(btnInsert, &QPushButton::clicked, this, [this] {
        tableUnit->append();
        gridUnit->view()->setFocus();
        gridUnit->view()->edit(gridUnit->view()->currentIndex());
    });
    connect(btnEdit, &QPushButton::clicked, this, [this] {
        tableUnit->edit();
        gridUnit->view()->setFocus();
        gridUnit->view()->edit(gridUnit->view()->currentIndex());
    });
    connect(btnCancel, &QPushButton::clicked, this, [this] { tableUnit->cancel(); });
    connect(btnSave, &QPushButton::clicked, this, [this] {
        // The button took the focus, so an open cell editor has written its text.
        tableUnit->post();
    });
    connect(btnDelete, &QPushButton::clicked, this, &TUnitForm::deleteCurrent);
    connect(btnSelect, &QPushButton::clicked, this, [this] {
        if (tableUnit->isActive() && !tableUnit->isEmpty()) {
            tableUnit->checkBrowseMode();
            SelectedUnitID = tableUnit->field(QStringLiteral("id"))->asInteger();
        }
        accept();
    });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* tools = new QHBoxLayout;
    for (QPushButton* b : {btnInsert, btnEdit, btnCancel, btnDelete, btnSave}) tools->addWidget(b);
    tools->addStretch();
    auto* pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("PageControl1"));
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsUnit"));
    (new QVBoxLayout(page))->addWidget(gridUnit);
    pages->addTab(page, QStringLiteral("商品单位"));
    auto* footer = new QHBoxLayout;
    footer->addStretch();
    footer->addWidget(btnSelect);
    footer->addWidget(btnClose);
    auto* root = new QVBoxLayout(this);
    root->addLayout(tools);
    root->addWidget(pages, 1);
    root->addLayout(footer);
    resize(360, 420);
    updateButtons();
}

int TUnitForm::ShowUnits(bool pick) {
    btnSelect->setVisible(pick);
    return exec();
}

void TUnitForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    SelectedUnitID = -1;
    tableUnit->close();
    tableUnit->open();
    updateButtons();
}

void TUnitForm::updateButtons() {
    const bool editing = tableUnit->isEditing();
    const bool active = tableUnit->isActive();
    btnInsert->setEnabled(active && !editing);
    btnEdit->setEnabled(active && !editing);
    btnDelete->setEnabled(active && !editing);
    btnCancel->setEnabled(editing);
    btnSave->setEnabled(editing);
}

void TUnitForm::rereadShared() {
    if (MainDM()) MainDM()->queryUnit->requery();
}

QString TUnitForm::UnitInUseMessage(int unitId) {
    const QString id = QString::number(unitId);
    Connection& c = MainDM()->MainConn;
    if (TQuickQuery::HasRows(c, QStringLiteral("select top 1 * from Product where storageUnit=") + id) ||
        TQuickQuery::HasRows(c, QStringLiteral("select top 1 * from InputDetail where unitID=") + id) ||
        TQuickQuery::HasRows(c, QStringLiteral("select top 1 * from OutputDetail where unitID=") + id))
        return QStringLiteral("该计量单位已经被使用,请不要删除.");
    return QString();
}

void TUnitForm::deleteCurrent() {
    if (!tableUnit->isActive() || tableUnit->isEmpty()) return;
    const QString msg = UnitInUseMessage(tableUnit->field(QStringLiteral("id"))->asInteger());
    if (!msg.isEmpty()) {
        TQuickMessageDlg::ShowInfo(msg);
        return;
    }
    tableUnit->deleteRecord();
    rereadShared();
}
