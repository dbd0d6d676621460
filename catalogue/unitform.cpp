#include "unitform.h"

#include "dataset.h"
#include "datagrid.h"
#include "dberror.h"
#include "formkit.h"
#include "guard.h"
#include "maindm.h"
#include "quickmessagedlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

TUnitForm::TUnitForm(TMainDM& dm, QWidget* parent) : QDialog(parent), m_dm(dm) {
    setObjectName(QStringLiteral("UnitForm"));
    setWindowTitle(QStringLiteral("商品计量单位管理"));
    makeTable();
    gridUnit = Named<DataGrid>(this, "gridUnit");
    gridUnit->setDataSet(tableUnit);
    gridUnit->addColumn(QStringLiteral("unitName"), QStringLiteral("单位"), 220);
    gridUnit->refreshColumns();
    makeButtons();

    auto* pages = Named<QTabWidget>(this, "PageControl1");
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsUnit"));
    (new QVBoxLayout(page))->addWidget(gridUnit);
    pages->addTab(page, QStringLiteral("商品单位"));
    auto* root = new QVBoxLayout(this);
    root->addLayout(ButtonRow({btnInsert, btnEdit, btnCancel, btnDelete, btnSave, nullptr}));
    root->addWidget(pages, 1);
    root->addLayout(ButtonRow({nullptr, btnSelect, btnClose}));
    resize(360, 420);
    updateButtons();
}

void TUnitForm::makeTable() {
    tableUnit = new DataSet(&m_dm.MainConn, this);
    tableUnit->setObjectName(QStringLiteral("tableUnit"));
    tableUnit->setSql(QStringLiteral("select * from ProductUnit"));
    tableUnit->setUpdateTable(QStringLiteral("ProductUnit"));
    // The other windows' unit names follow every change made here.
    tableUnit->onNewRecord = [this](DataSet&) { rereadShared(); };
    tableUnit->afterPost = [this](DataSet&) { rereadShared(); };
    // A nameless unit could never be told apart in a product's unit box.
    tableUnit->beforePost = [](DataSet& ds) {
        if (ds.field(QStringLiteral("unitName"))->asString().trimmed().isEmpty())
            throw AppError(QStringLiteral("请输入单位名称."));
    };
    connect(tableUnit, &DataSet::stateChanged, this, &TUnitForm::updateButtons);
}

void TUnitForm::makeButtons() {
    btnInsert = NamedButton(this, "btnInsert", QStringLiteral("添加"));
    btnEdit = NamedButton(this, "btnEdit", QStringLiteral("修改"));
    btnCancel = NamedButton(this, "btnCancel", QStringLiteral("取消"));
    btnDelete = NamedButton(this, "btnDelete", QStringLiteral("删除"));
    btnSave = NamedButton(this, "btnSave", QStringLiteral("保存"));
    btnSelect = NamedButton(this, "btnSelect", QStringLiteral("选定"));
    btnClose = NamedButton(this, "btnClose", QStringLiteral("关闭"));
    auto editCell = [this] {
        gridUnit->view()->setFocus();
        gridUnit->view()->edit(gridUnit->view()->currentIndex());
    };
    connect(btnInsert, &QPushButton::clicked, this, Guarded([this, editCell] {
        tableUnit->append();
        editCell();
    }));
    connect(btnEdit, &QPushButton::clicked, this, Guarded([this, editCell] {
        tableUnit->edit();
        editCell();
    }));
    connect(btnCancel, &QPushButton::clicked, this, Guarded([this] { tableUnit->cancel(); }));
    // The button took the focus, so an open cell editor has written its text.
    connect(btnSave, &QPushButton::clicked, this, Guarded([this] { tableUnit->post(); }));
    connect(btnDelete, &QPushButton::clicked, this, Guarded([this] { deleteCurrent(); }));
    connect(btnSelect, &QPushButton::clicked, this, Guarded([this] {
        if (tableUnit->isActive() && !tableUnit->isEmpty()) {
            tableUnit->checkBrowseMode(); // a refused row stops the pick here
            m_selected = tableUnit->field(QStringLiteral("id"))->asInteger();
        }
        accept();
    }));
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TUnitForm::ShowUnits() {
    btnSelect->setVisible(false);
    exec();
}

std::optional<int> TUnitForm::PickUnit() {
    btnSelect->setVisible(true);
    if (exec() != QDialog::Accepted) return std::nullopt;
    return m_selected;
}

void TUnitForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    m_selected.reset();
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
    m_dm.queryUnit->requery();
}

QString TUnitForm::UnitInUseMessage(Connection& c, int unitId) {
    const SqlParams id{{"id", unitId}};
    if (c.exists(QStringLiteral("select top 1 * from Product where storageUnit=:id"), id) ||
        c.exists(QStringLiteral("select top 1 * from InputDetail where unitID=:id"), id) ||
        c.exists(QStringLiteral("select top 1 * from OutputDetail where unitID=:id"), id))
        return QStringLiteral("该计量单位已经被使用,请不要删除.");
    return QString();
}

void TUnitForm::deleteCurrent() {
    if (!tableUnit->isActive() || tableUnit->isEmpty()) return;
    const QString msg = UnitInUseMessage(m_dm.MainConn, tableUnit->field(QStringLiteral("id"))->asInteger());
    if (!msg.isEmpty()) {
        TQuickMessageDlg::ShowInfo(msg);
        return;
    }
    tableUnit->deleteRecord();
    rereadShared();
}
