#include "documenteditor.h"

#include "appcontext.h"
#include "clock.h"
#include "connection.h"
#include "controlplacement.h"
#include "datagrid.h"
#include "dataset.h"
#include "dbedits.h"
#include "documentservice.h"
#include "dynamicfield.h"
#include "formkit.h"
#include "guard.h"
#include "maindm.h"
#include "productselector.h"
#include "quickmessagedlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const QStringList kProductLookups = {QStringLiteral("productCode"), QStringLiteral("productName"),
                                     QStringLiteral("product_model"), QStringLiteral("product_spec"),
                                     QStringLiteral("dfield1")};
} // namespace

TDocumentEditForm::TDocumentEditForm(const TDocumentEditorDescription& description, TDocumentEditorDeps deps,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_desc(description), m_kind(*description.kind), m_deps(std::move(deps)),
      m_arithmetic(description.kind->SaleLines) {
    setObjectName(m_desc.objectName);
    setWindowTitle(m_desc.caption);
    buildDataSets();
    buildHeader();
    buildLines();
    buildButtons();

    auto* body = new QVBoxLayout;
    body->addWidget(pRoot);
    if (cbShowPOSCalc) body->addWidget(cbShowPOSCalc);
    body->addWidget(findChild<QGroupBox*>(QStringLiteral("gbLines")), 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {btnAuditCancel, btnAudit, btnSave, btnSaveAndNew, btnCancel, btnClose}) {
        b->setMinimumHeight(32);
        buttons->addWidget(b);
    }
    if (!m_desc.flagName.isEmpty()) {
        auto* flag = new QLabel(m_desc.flagText, this);
        flag->setObjectName(m_desc.flagName);
        flag->setAlignment(Qt::AlignCenter);
        flag->setWordWrap(true);
        flag->setStyleSheet(QStringLiteral("QLabel { color: white; background: %1; border-radius: 4px; "
                                           "padding: 6px 4px; font-weight: bold; }")
                                .arg(m_desc.flagColor));
        buttons->addSpacing(8);
        buttons->addWidget(flag);
    }
    buttons->addStretch();
    auto* root = new QHBoxLayout(this);
    root->addLayout(body, 1);
    root->addLayout(buttons);
    resize(m_desc.kind->SaleLines ? 1100 : 1010, 600);
    setTabOrderByReading();
    connectSignals();
    connectGrid();
    m_gridController = std::make_unique<TGridController>(m_grid);
    m_deps.placement.Remember(this, m_desc.placementPath);
    UpdateButtons(false);
}

TDocumentEditForm::~TDocumentEditForm() {
    // The detail's handlers point into this window.
    if (m_detail) m_detail->close();
    if (m_master) m_master->close();
}

void TDocumentEditForm::buildDataSets() {
    Connection& conn = m_deps.dm.MainConn;
    m_master = new DataSet(&conn, this);
    m_master->setObjectName(QStringLiteral("queryMaster"));
    m_master->setSql(m_kind.MasterSql());
    m_master->setUpdateTable(m_kind.MasterTable);
    m_master->setCachedUpdates(true);
    m_master->setFetchBlock(0);
    m_detail = new DataSet(&conn, this);
    m_detail->setObjectName(QStringLiteral("queryDetail"));
    m_detail->setSql(m_kind.DetailSql());
    m_detail->setUpdateTable(m_kind.DetailTable);
    m_detail->setCachedUpdates(true);
    m_detail->setFetchBlock(0);
    // The lines' products come from a list of just those products, read by
    // key: the shared product list is read lazily, and looking a product up
    // there would first read every product before it (seconds in a big shop).
    m_products = new DataSet(&conn, this);
    m_products->setObjectName(QStringLiteral("queryLineProducts"));
    m_products->setSql(QStringLiteral("select id, productCode, productName, product_model, product_spec, dfield1 "
                                      "from Product where id in (select value from json_each(:ids))"));
    m_products->setFetchBlock(0);
    for (const QString& name : kProductLookups)
        m_detail->addLookupField(name, QStringLiteral("productID"), m_products, QStringLiteral("id"), name);
    m_detail->addLookupField(QStringLiteral("unitName"), QStringLiteral("unitID"), m_deps.dm.queryUnit,
                             QStringLiteral("id"), QStringLiteral("unitName"));
}

void TDocumentEditForm::buildHeader() {
    pRoot = Named<QWidget>(this, "pRoot");
    auto* grid = new QGridLayout(pRoot);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    auto label = [this](const QString& text, const QString& name) {
        auto* l = new QLabel(text, pRoot);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    auto row = [](std::initializer_list<QWidget*> items, bool stretch = false) {
        auto* w = new QWidget;
        auto* l = new QHBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(4);
        for (QWidget* i : items) l->addWidget(i, i == *items.begin() ? 1 : 0);
        if (stretch) l->addStretch();
        return w;
    };
    const bool customer = m_desc.partner == TDocumentEditorDescription::Partner::Customer;
    DataSet* partners = customer ? m_deps.dm.queryCustomer : m_deps.dm.querySupplier;

    // Created in the order Tab walks them: number, partner, dates, users,
    // total, comments.
    DBText1 = Named<QLabel>(pRoot, "DBText1");
    DBText1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = DBText1->font();
    bold.setBold(true);
    DBText1->setFont(bold);
    DBText1->setMinimumWidth(170);
    m_numberLink = std::make_unique<FieldLink>([this] { DBText1->setText(m_numberLink->value().toString()); });
    m_numberLink->bind(m_master, m_kind.NumberField);

    edtPartner = new DBLookupCombo(pRoot);
    edtPartner->setObjectName(m_desc.partnerEditName);
    edtPartner->setMaxVisibleItems(15);
    edtPartner->setMinimumWidth(200);
    edtPartner->setListSource(partners, QStringLiteral("id"),
                              customer ? QStringLiteral("customerName") : QStringLiteral("supplierName"));
    edtPartner->bind(m_master, m_kind.PartnerField);
    QWidget* partnerPick = pickButton(m_desc.partnerPickName.toLatin1().constData(),
                                      customer ? m_deps.pickers.customer : m_deps.pickers.supplier,
                                      [this](qint64 id) { SetPartner(id); });
    if (!m_desc.partnerCodeLabel.isEmpty()) {
        edtPartnerCode = Named<DBLookupCombo>(pRoot, "DBLookupComboBox1");
        edtPartnerCode->setMaxVisibleItems(15);
        edtPartnerCode->setMinimumWidth(120);
        edtPartnerCode->setListSource(partners, QStringLiteral("id"), QStringLiteral("customerCode"));
        edtPartnerCode->bind(m_master, m_kind.PartnerField);
    }
    edtDate = new DBDateEdit(pRoot);
    edtDate->setObjectName(m_desc.dateEditName);
    edtDate->bind(m_master, m_kind.DateField);
    edtCreateDate = Named<DBDateEdit>(pRoot, "edtCreateDate");
    edtCreateDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    edtCreateDate->bind(m_master, QStringLiteral("createDate"));
    edtCreateDate->setEnabled(!m_desc.createFieldsLocked);
    edtUser = new DBLookupCombo(pRoot);
    edtUser->setObjectName(m_desc.userEditName);
    edtUser->setListSource(m_deps.dm.queryUser, QStringLiteral("id"), QStringLiteral("userName"));
    edtUser->bind(m_master, m_kind.UserField);
    QWidget* userPick = pickButton("BitBtn1", m_deps.pickers.user, [this](qint64 id) { SetHandlingUser(id); });
    edtCreateUser = Named<DBLookupCombo>(pRoot, "edtCreateUser");
    edtCreateUser->setListSource(m_deps.dm.queryUser, QStringLiteral("id"), QStringLiteral("userName"));
    edtCreateUser->bind(m_master, QStringLiteral("createUser"));
    edtTotalPrice = Named<DBLineEdit>(pRoot, "edtTotalPrice");
    edtTotalPrice->bind(m_master, QStringLiteral("totalPrice"));
    edtTotalPrice->setMaximumWidth(140);
    JvSpeedButton1 = NamedButton(pRoot, "JvSpeedButton1", QStringLiteral("计算"));
    edtComments = Named<DBMemo>(pRoot, "edtComments");
    edtComments->setFixedHeight(46);
    edtComments->setTabChangesFocus(true);
    edtComments->bind(m_master, QStringLiteral("comments"));

    grid->addWidget(label(m_desc.numberLabel, QStringLiteral("lbNumber")), 0, 0);
    grid->addWidget(DBText1, 0, 1);
    grid->addWidget(label(m_desc.partnerLabel, QStringLiteral("lbPartner")), 0, 2);
    if (edtPartnerCode) {
        auto* codeLabel = new QLabel(m_desc.partnerCodeLabel, pRoot);
        codeLabel->setObjectName(QStringLiteral("lbPartnerCode"));
        grid->addWidget(row({edtPartner, partnerPick, codeLabel, edtPartnerCode}), 0, 3);
    } else {
        grid->addWidget(row({edtPartner, partnerPick}), 0, 3);
    }
    grid->addWidget(label(m_desc.dateLabel, QStringLiteral("lbDate")), 1, 0);
    grid->addWidget(row({edtDate}, true), 1, 1);
    grid->addWidget(label(QStringLiteral("经办人:"), QStringLiteral("lbUser")), 1, 2);
    grid->addWidget(row({edtUser, userPick}), 1, 3);
    grid->addWidget(label(QStringLiteral("单据录入时间:"), QStringLiteral("lbCreateDate")), 2, 0);
    grid->addWidget(row({edtCreateDate}, true), 2, 1);
    grid->addWidget(label(QStringLiteral("单据录入人:"), QStringLiteral("lbCreateUser")), 2, 2);
    grid->addWidget(edtCreateUser, 2, 3);
    auto* yuan = new QLabel(QStringLiteral("元"), pRoot);
    grid->addWidget(label(m_desc.totalLabel, QStringLiteral("lbTotalPrice")), 3, 0);
    grid->addWidget(row({edtTotalPrice, yuan, JvSpeedButton1}, true), 3, 1);
    grid->addWidget(label(QStringLiteral("备注:"), QStringLiteral("lbComments")), 4, 0, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(edtComments, 4, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);

    if (m_desc.changeCalculator) {
        cbShowPOSCalc = Named<QCheckBox>(this, "cbShowPOSCalc");
        cbShowPOSCalc->setText(QStringLiteral("保存时显示找零计算器"));
        cbShowPOSCalc->setChecked(true);
    }
}

// Tab walks the header as it reads, left to right and down, then the
// lines, then the buttons.
void TDocumentEditForm::setTabOrderByReading() {
    QList<QWidget*> order = {edtPartner, findChild<QWidget*>(m_desc.partnerPickName)};
    if (edtPartnerCode) order << edtPartnerCode;
    order << edtDate << edtUser << findChild<QWidget*>(QStringLiteral("BitBtn1")) << edtCreateDate << edtCreateUser
          << edtTotalPrice << JvSpeedButton1 << edtComments;
    if (cbShowPOSCalc) order << cbShowPOSCalc;
    order << m_grid->view() << btnAddLine << btnDeleteLine << btnAuditCancel << btnAudit << btnSave << btnSaveAndNew
          << btnCancel << btnClose;
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

QWidget* TDocumentEditForm::pickButton(const char* name, const std::function<void(TPendingPick::Delivery)>& picker,
                                       std::function<void(qint64)> set) {
    QPushButton* b = NamedButton(pRoot, name, QStringLiteral("..."));
    b->setFixedWidth(30);
    b->setToolTip(QStringLiteral("从列表中选择"));
    // Until the pick windows are wired the button has nothing to open.
    b->setEnabled(bool(picker));
    connect(b, &QPushButton::clicked, this, Guarded([this, picker, set = std::move(set)] {
                if (picker && !IsLocked()) picker(delivery(set));
            }));
    return b;
}

TPendingPick::Delivery TDocumentEditForm::delivery(std::function<void(qint64)> set) {
    // The pick may come long after it was asked for: by then the document
    // may be audited, or another one on screen.
    QPointer<TDocumentEditForm> self(this);
    const int generation = m_generation;
    return [self, generation, set = std::move(set)](qint64 id) {
        if (!self || self->m_generation != generation || self->IsLocked() || !self->m_master->isActive() ||
            self->m_master->recNo() <= 0)
            return false;
        return Guard::Run([&] { set(id); });
    };
}

void TDocumentEditForm::buildLines() {
    auto* box = new QGroupBox(m_desc.linesTitle, this);
    box->setObjectName(QStringLiteral("gbLines"));
    auto* hint = new QLabel(m_desc.linesHint, box);
    hint->setObjectName(QStringLiteral("lbHint"));
    lbCannotEdit = new QLabel(QStringLiteral("要修改单据,请先取消审核."), box);
    lbCannotEdit->setObjectName(QStringLiteral("lbCannotEdit"));
    lbCannotEdit->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    lbCannotEdit->hide();
    btnAddLine = NamedButton(box, "btnAddLine", QStringLiteral("新增一行"));
    btnDeleteLine = NamedButton(box, "btnDeleteLine", QStringLiteral("删除一行"));
    m_grid = Named<DataGrid>(box, "detailGrid");
    m_grid->setDataSet(m_detail);
    for (const TDocumentColumn& c : m_desc.columns) {
        GridColumn col;
        col.fieldName = c.field;
        col.title = c.title;
        col.readOnly = c.readOnly;
        col.width = c.width;
        m_grid->addColumn(col);
    }
    m_grid->refreshColumns();
    auto* top = new QHBoxLayout;
    top->addWidget(hint);
    top->addSpacing(12);
    top->addWidget(lbCannotEdit);
    top->addStretch();
    top->addWidget(btnAddLine);
    top->addWidget(btnDeleteLine);
    auto* l = new QVBoxLayout(box);
    l->addLayout(top);
    l->addWidget(m_grid, 1);
}

void TDocumentEditForm::buildButtons() {
    btnAuditCancel = NamedButton(this, "btnAuditCancel", QStringLiteral("取消审核"));
    btnAudit = NamedButton(this, "btnAudit", QStringLiteral("审核"));
    btnSave = NamedButton(this, "btnSave", QStringLiteral("保存(&S)"));
    btnSaveAndNew = NamedButton(this, "btnSaveAndNew", QStringLiteral("保存&&新建"));
    btnCancel = NamedButton(this, "btnCancel", QStringLiteral("取消"));
    btnClose = NamedButton(this, "btnClose", QStringLiteral("关闭"));
}

void TDocumentEditForm::connectSignals() {
    connect(btnSave, &QPushButton::clicked, this, Guarded([this] { saveClicked(false); }));
    connect(btnSaveAndNew, &QPushButton::clicked, this, Guarded([this] { saveClicked(true); }));
    connect(btnCancel, &QPushButton::clicked, this, Guarded([this] { cancelClicked(); }));
    connect(btnClose, &QPushButton::clicked, this, Guarded([this] { closeClicked(); }));
    connect(btnAudit, &QPushButton::clicked, this, Guarded([this] { ChangeAuditStatus(1); }));
    connect(btnAuditCancel, &QPushButton::clicked, this, Guarded([this] { ChangeAuditStatus(0); }));
    connect(btnAddLine, &QPushButton::clicked, this, Guarded([this] { AddBlankLine(); }));
    connect(btnDeleteLine, &QPushButton::clicked, this, Guarded([this] { deleteLine(false); }));
    connect(JvSpeedButton1, &QPushButton::clicked, this, Guarded([this] {
                masterEdit();
                m_master->setValue(QStringLiteral("totalPrice"), SumLineTotals());
            }));
    // dsStateChange: any edit of the document makes it changed.
    for (DataSet* ds : {m_master, m_detail})
        connect(ds, &DataSet::stateChanged, this, Guarded([this](DataSet::State s) {
                    if (s == DataSet::State::Edit || s == DataSet::State::Insert) UpdateButtons(true);
                }));
}

// ------------------------------------------------------------ operations

void TDocumentEditForm::PrepareEditor() {
    if (m_prepared) return;
    m_prepared = true;
    QSettings& s = m_deps.placement.PlacementStorage();
    m_grid->restoreLayout(s, TControlPlacement::GroupOf(m_desc.placementPath) + QStringLiteral("/detailGrid"));
    m_deps.labels.Register(QStringLiteral("Product"), nullptr, m_grid);
}

QString TDocumentEditForm::DocumentNumber() const {
    return m_master->isActive() && m_master->recNo() > 0 ? m_master->field(m_kind.NumberField)->asString() : QString();
}

bool TDocumentEditForm::IsLocked() const {
    return m_master->isActive() && m_master->recNo() > 0 &&
           m_master->field(QStringLiteral("auditStatus"))->asInteger() == 1;
}

void TDocumentEditForm::openDetail(const QString& number) {
    m_detail->setParam(m_kind.NumberField, number);
    m_detail->open();
    m_listedProducts.clear();
    const int n = m_detail->recordCount();
    for (int r = 0; r < n; ++r) m_listedProducts.insert(m_detail->valueAt(r, QStringLiteral("productID")).toInt());
    listProducts();
    m_arithmetic.Attach(*m_detail);
    m_arithmetic.SetPriceUpdating(false);
}

// The product list of the lines holds every product in m_listedProducts.
void TDocumentEditForm::listProducts() {
    QStringList ids;
    for (int id : std::as_const(m_listedProducts))
        if (id > 0) ids << QString::number(id);
    m_products->close();
    m_products->setParam(QStringLiteral("ids"), QStringLiteral("[") + ids.join(QLatin1Char(',')) + QLatin1Char(']'));
    m_products->open();
}

void TDocumentEditForm::ListProduct(int productId) {
    if (productId <= 0 || m_listedProducts.contains(productId)) return;
    m_listedProducts.insert(productId);
    listProducts();
}

void TDocumentEditForm::NewDocument() {
    m_modified = false;
    ++m_generation;
    m_deps.selector.ResetSearch();
    SetEditable(true);
    m_isNew = true;
    TIdentityGenerator(m_deps.dm.MainConn).Reserve(m_kind.Module, m_identity);
    const QString number = m_identity.Number();
    m_detail->close();
    m_master->close();
    m_master->setParam(m_kind.NumberField, number);
    m_master->open();
    m_master->append();
    const QDateTime now = TClock::now();
    const int user = m_deps.context.CurrentUser().id;
    // The row shows what storing it will write: a refund's direction, and
    // not audited.
    for (const auto& [column, value] : m_kind.MasterConstants)
        if (m_master->findField(column)) m_master->setValue(column, value);
    m_master->setValue(m_kind.NumberField, number);
    m_master->setValue(QStringLiteral("createDate"), now);
    m_master->setValue(m_kind.DateField, QDateTime(now.date(), QTime(0, 0)));
    m_master->setValue(m_kind.UserField, user);
    m_master->setValue(QStringLiteral("createUser"), user);
    lockShownFields();
    openDetail(number);
    for (int i = 0; i < 6; ++i) AddBlankLine();
    m_detail->first();
    UpdateButtons(true);
    focusCell(0, m_grid->viewColumn(QStringLiteral("productCode")), false);
}

void TDocumentEditForm::OpenDocument(const QString& number) {
    m_modified = false;
    ++m_generation;
    m_deps.selector.ResetSearch();
    LoadDocument(number);
}

void TDocumentEditForm::LoadDocument(const QString& number) {
    m_isNew = false;
    m_detail->close();
    m_master->close();
    m_master->setParam(m_kind.NumberField, number);
    m_master->open();
    lockShownFields();
    openDetail(number);
    UpdateButtons(false);
}

// Fields the window shows but the user does not type: the program fills
// them. The fields are made anew with every opening.
void TDocumentEditForm::lockShownFields() {
    QStringList locked;
    if (m_desc.createFieldsLocked) locked << QStringLiteral("createDate") << QStringLiteral("createUser");
    if (m_desc.totalReadOnly) locked << QStringLiteral("totalPrice");
    for (const QString& name : locked)
        if (Field* f = m_master->findField(name)) f->setReadOnly(true);
    edtTotalPrice->link().refresh();
    edtCreateDate->link().refresh();
    edtCreateUser->link().refresh();
}

void TDocumentEditForm::AddBlankLine() {
    m_detail->append();
    m_detail->setValue(QStringLiteral("productID"), -1);
    m_detail->setValue(QStringLiteral("unitID"), -1);
    if (m_master->recNo() > 0) m_detail->setValue(m_kind.NumberField, m_master->value(m_kind.NumberField));
    m_detail->post();
}

void TDocumentEditForm::masterEdit() {
    if (!m_master->isEditing()) m_master->edit();
}

void TDocumentEditForm::SetPartner(qint64 id) {
    masterEdit();
    m_master->setValue(m_kind.PartnerField, id);
}

void TDocumentEditForm::SetHandlingUser(qint64 id) {
    masterEdit();
    m_master->setValue(m_kind.UserField, id);
}

double TDocumentEditForm::SumLineTotals() { return DocumentLines::SumLineTotals(*m_detail); }

void TDocumentEditForm::saveClicked(bool andNew) {
    commitOpenEditor();
    m_detail->checkBrowseMode();
    // Posting runs the header boxes' checks: a total that is no number stops here.
    m_master->checkBrowseMode();
    if (SaveDocument() && andNew) NewDocument();
}

bool TDocumentEditForm::SaveDocument() {
    if (cbShowPOSCalc && cbShowPOSCalc->isChecked() && ConfirmPayment && !ConfirmPayment(SumLineTotals()))
        return false; // the customer has not paid yet: nothing is checked or stored
    m_modified = m_isNew ? SaveNewDocument() : SaveExistingDocument();
    return m_modified;
}

// Both saves start alike: the lines checked in order (the first fault is
// shown and nothing is stored), the header put in edit with the new total.
bool TDocumentEditForm::prepareSave(TDocumentLines& lines) {
    const QString error = DocumentLines::CollectLines(*m_detail, m_kind.SaleLines, lines);
    if (!error.isEmpty()) {
        TQuickMessageDlg::ShowInfo(error);
        return false;
    }
    masterEdit();
    m_master->setValue(QStringLiteral("totalPrice"), SumLineTotals());
    return true;
}

bool TDocumentEditForm::SaveNewDocument() {
    TDocumentLines lines;
    if (!prepareSave(lines)) return false;
    try {
        TDocumentService(m_deps.dm.MainConn, m_kind).SaveNew(m_identity, *m_master, lines);
    } catch (...) {
        // Rolled back: the document stays on screen as it is, new, under
        // the same number, for another try.
        TQuickMessageDlg::ShowPlain(QStringLiteral("保存失败, 单据未保存: ") + Guard::CurrentExceptionText());
        return false;
    }
    LoadDocument(m_identity.Number());
    return true;
}

bool TDocumentEditForm::SaveExistingDocument() {
    TDocumentLines lines;
    if (!prepareSave(lines)) return false;
    const QString number = DocumentNumber();
    try {
        TDocumentService(m_deps.dm.MainConn, m_kind).SaveExisting(*m_master, lines);
    } catch (...) {
        // Nothing of the change was stored; the edits stay for another try.
        TQuickMessageDlg::ShowPlain(QStringLiteral("保存失败, 修改未保存: ") + Guard::CurrentExceptionText());
        return false;
    }
    LoadDocument(number);
    return true;
}

void TDocumentEditForm::ChangeAuditStatus(int status) {
    if (!m_master->isActive() || m_master->recNo() <= 0) return;
    const int old = m_master->field(QStringLiteral("auditStatus"))->asInteger();
    if (status == old) return;
    const auto done = qScopeGuard([this] { UpdateButtons(false); });
    const QString number = DocumentNumber();
    TDocumentService(m_deps.dm.MainConn, m_kind).ChangeAuditStatus(number, *m_detail, status);
    m_modified = true;
    LoadDocument(number);
}

void TDocumentEditForm::cancelClicked() {
    commitOpenEditor();
    m_detail->cancelUpdates();
    m_master->cancelUpdates();
    if (m_isNew) NewDocument();
    UpdateButtons(m_isNew);
}

void TDocumentEditForm::closeClicked() {
    m_detail->cancelUpdates();
    m_master->cancelUpdates();
    close();
}

void TDocumentEditForm::UpdateButtons(bool dirty) {
    for (QPushButton* b : {btnSave, btnSaveAndNew, btnCancel}) b->setEnabled(dirty);
    btnAudit->setEnabled(false);
    btnAuditCancel->setEnabled(false);
    const bool hasRow = m_master->isActive() && m_master->recNo() > 0;
    const bool audited = hasRow && m_master->field(QStringLiteral("auditStatus"))->asInteger() == 1;
    if (!dirty && hasRow && !m_isNew) {
        btnAudit->setEnabled(!audited);
        btnAuditCancel->setEnabled(audited);
    }
    SetEditable(!audited);
}

void TDocumentEditForm::SetEditable(bool editable) {
    pRoot->setEnabled(editable);
    btnAddLine->setEnabled(editable);
    btnDeleteLine->setEnabled(editable);
    m_grid->setReadOnly(!editable);
    lbCannotEdit->setVisible(!editable);
}

void TDocumentEditForm::deleteLine(bool ask) {
    if (!m_detail->isActive() || m_detail->recNo() <= 0 || m_grid->isReadOnly()) return;
    if (ask && !TQuickMessageDlg::Confirm(QStringLiteral("删除当前行吗?"))) return;
    commitOpenEditor();
    m_detail->deleteRecord();
    // The line that becomes current is put into edit: after the last one
    // that is a new empty line, which a save drops as blank.
    if (!ask) m_detail->edit();
}

// ------------------------------------------------------------ window

void TDocumentEditForm::showEvent(QShowEvent* e) {
    m_arithmetic.SetPriceUpdating(false);
    Guard::Run([this] { m_deps.labels.Refresh(QStringLiteral("Product")); });
    QWidget::showEvent(e);
}

void TDocumentEditForm::hideEvent(QHideEvent* e) {
    if (!isMinimized()) {
        // A pick window answering after the editor closed finds no document.
        ++m_generation;
        Guard::Run([this] {
            m_deps.selector.HideSelector();
            QSettings& s = m_deps.placement.PlacementStorage();
            m_grid->saveLayout(s, TControlPlacement::GroupOf(m_desc.placementPath) + QStringLiteral("/detailGrid"));
        });
    }
    QWidget::hideEvent(e);
}

void TDocumentEditForm::closeEvent(QCloseEvent* e) {
    Guard::Run([this] {
        if (m_modified && RefreshList) RefreshList();
    });
    QWidget::closeEvent(e);
}
