#include "partnerframe.h"

#include "datagrid.h"
#include "dataset.h"
#include "dbedits.h"
#include "dynamicfield.h"
#include "formkit.h"
#include "guard.h"
#include "maindm.h"
#include "quickmessagedlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kLabelWidth = 76;

QToolButton* toolButton(QWidget* parent, const QString& name, const QString& text) {
    return NamedToolButton(parent, name, text, 48);
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text) {
    QPushButton* b = NamedButton(parent, "", text);
    b->setObjectName(name);
    return b;
}

DBLineEdit* lineEdit(QWidget* parent, const QString& name, DataSet* ds, const QString& field) {
    auto* e = new DBLineEdit(parent);
    e->setObjectName(name);
    e->bind(ds, field);
    return e;
}

const QString kId = QStringLiteral("id");
} // namespace

TPartnerFrame::TPartnerFrame(const TPartnerKind& kind, TMainDM& dm, TDFMProxy& labels, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_dm(dm), m_labels(labels) {
    setObjectName(kind.role + QStringLiteral("Frame"));
    query = new DataSet(&dm.MainConn, this);
    query->setObjectName(QStringLiteral("query") + kind.table);
    query->setSql(QStringLiteral("select * from ") + kind.table);
    query->setUpdateTable(kind.table);
    query->addLookupField(kind.typeNameField, kind.typeField, dm.*kind.types, kId, QStringLiteral("elementValue"));
    // The documents' partner boxes follow every change made here.
    query->onNewRecord = [this](DataSet&) { rereadShared(); };
    query->afterPost = [this](DataSet&) { rereadShared(); };

    panelTips = nullptr;
    if (!kind.tipText.isEmpty()) {
        auto* tips = new QFrame(this);
        tips->setObjectName(QStringLiteral("panelTips"));
        tips->setAutoFillBackground(true);
        QPalette pal = tips->palette();
        pal.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1)); // a hint's pale yellow
        tips->setPalette(pal);
        auto* text = new QLabel(kind.tipText, tips);
        text->setObjectName(QStringLiteral("lbTips"));
        auto* tl = new QHBoxLayout(tips);
        tl->setContentsMargins(8, 4, 8, 4);
        tl->addWidget(text);
        tips->hide();
        panelTips = tips;
    }
    buildToolBar();
    switch1 = new QCheckBox(QStringLiteral("显示/隐藏编辑器"), this);
    switch1->setObjectName(QStringLiteral("switch1"));
    buildInputPanel();
    buildGrid();

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    root->setSpacing(4);
    if (panelTips) root->addWidget(panelTips);
    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    for (QWidget* w : std::initializer_list<QWidget*>{btnNew, btnEdit, btnDelete})
        bar->addWidget(w);
    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("ToolButton2"));
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    bar->addWidget(separator);
    bar->addWidget(ToolButton1);
    bar->addStretch();
    bar->addWidget(cbSearchScope);
    bar->addWidget(edtSearchKey);
    bar->addWidget(btnSearch);
    root->addLayout(bar);
    root->addWidget(switch1);
    root->addWidget(pInputPanel);
    root->addWidget(PageControl1, 1);

    connect(query, &DataSet::stateChanged, this, &TPartnerFrame::updateButtons);
    connect(switch1, &QCheckBox::toggled, this, [this](bool on) { pInputPanel->setVisible(on); });
    updateButtons();
}

TPartnerFrame::~TPartnerFrame() = default;

void TPartnerFrame::buildToolBar() {
    const QString btn = QStringLiteral("btn") + m_kind.role;
    btnNew = toolButton(this, btn + QStringLiteral("New"), QStringLiteral("新建(&N)"));
    btnEdit = toolButton(this, btn + QStringLiteral("Edit"), QStringLiteral("修改"));
    btnDelete = toolButton(this, btn + QStringLiteral("Delete"), QStringLiteral("删除"));
    ToolButton1 = toolButton(this, QStringLiteral("ToolButton1"), QStringLiteral("刷新"));

    cbSearchScope = Named<QComboBox>(this, "cbSearchScope");
    for (const TPartnerKind::Scope& s : m_kind.scopes) cbSearchScope->addItem(s.caption);
    cbSearchScope->setCurrentIndex(0);
    edtSearchKey = Named<QLineEdit>(this, "edtSearchKey");
    edtSearchKey->setMinimumWidth(200);
    edtSearchKey->setPlaceholderText(QStringLiteral("输入查找内容, 回车查找"));
    edtSearchKey->installEventFilter(this);
    btnSearch = button(this, m_kind.searchButton, QStringLiteral("查找"));

    connect(btnNew, &QToolButton::clicked, this, Guarded([this] { NewPartner(); }));
    connect(btnEdit, &QToolButton::clicked, this, Guarded([this] { EditPartner(); }));
    connect(btnDelete, &QToolButton::clicked, this, Guarded([this] { DeletePartner(); }));
    connect(ToolButton1, &QToolButton::clicked, this, Guarded([this] { RefreshPartners(); }));
    connect(btnSearch, &QPushButton::clicked, this, Guarded([this] { SearchPartners(); }));
    connect(edtSearchKey, &QLineEdit::returnPressed, this, Guarded([this] { SearchPartners(); }));
}

// The rows of the edit panel. The panels "p" + field and labels "lb" +
// field are what the field labels rename and hide; the name has none, and the
// postcode's label is not named for its field, so it is never renamed.
void TPartnerFrame::buildInputPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pInputPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    // Its height is pRoot's: rows hidden by the field labels shrink it.
    panel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    pInputPanel = panel;
    pRoot = Named<QWidget>(pInputPanel, "pRoot");
    auto* pl = new QVBoxLayout(pInputPanel);
    pl->setContentsMargins(8, 8, 8, 8);
    pl->addWidget(pRoot);

    FormRows rows(pRoot, kLabelWidth);
    const QString role = m_kind.role;
    DataSet* q = query;

    QWidget* r1 = rows.row(QStringLiteral("pRowName"));
    edtName = lineEdit(pRoot, QStringLiteral("edt") + role + QStringLiteral("Name"), q, m_kind.nameField);
    rows.plainIn(r1, QStringLiteral("pName"), QStringLiteral("lbName"), m_kind.nameCaption, {edtName}, true);
    edtCode = lineEdit(pRoot, QStringLiteral("edt") + role + QStringLiteral("Code"), q, m_kind.codeField);
    rows.fieldIn(r1, role + QStringLiteral("Code"), m_kind.codeCaption, {edtCode});

    QWidget* r2 = rows.row(QStringLiteral("pRowType"));
    edtType = new DBLookupCombo(pRoot);
    edtType->setObjectName(QStringLiteral("edt") + role + QStringLiteral("Type"));
    edtType->setMinimumWidth(160);
    edtType->bind(q, m_kind.typeField);
    edtType->setListSource(m_dm.*m_kind.types, kId, QStringLiteral("elementValue"));
    btnType = button(pRoot, QStringLiteral("btn") + role + QStringLiteral("Type"), QStringLiteral("..."));
    btnType->setFixedWidth(32);
    btnType->setToolTip(QStringLiteral("编辑分类"));
    rows.fieldIn(r2, role + QStringLiteral("Type"), m_kind.typeCaption, {edtType, btnType}).layout->addStretch();

    QWidget* r3 = rows.row(QStringLiteral("pRowPhone"));
    rows.fieldIn(r3, QStringLiteral("Mobile"), QStringLiteral("手  机:"),
                 {lineEdit(pRoot, QStringLiteral("edtMobile"), q, QStringLiteral("mobile"))});
    rows.fieldIn(r3, QStringLiteral("Tel1"), QStringLiteral("电话1:"),
                 {lineEdit(pRoot, QStringLiteral("edtTel1"), q, QStringLiteral("tel1"))});
    rows.fieldIn(r3, QStringLiteral("Tel2"), QStringLiteral("电话2:"),
                 {lineEdit(pRoot, QStringLiteral("edtTel2"), q, QStringLiteral("tel2"))});

    QWidget* r4 = rows.row(QStringLiteral("pRowMessenger"));
    rows.fieldIn(r4, QStringLiteral("Qq"), QStringLiteral("QQ:"),
                 {lineEdit(pRoot, QStringLiteral("edtQq"), q, QStringLiteral("qq"))});
    rows.fieldIn(r4, QStringLiteral("Msn"), QStringLiteral("MSN:"),
                 {lineEdit(pRoot, QStringLiteral("edtMsn"), q, QStringLiteral("msn"))});
    rows.fieldIn(r4, QStringLiteral("Icq"), QStringLiteral("ICQ:"),
                 {lineEdit(pRoot, QStringLiteral("edtIcq"), q, QStringLiteral("icq"))});

    QWidget* r5 = rows.row(QStringLiteral("pRowPostcode"));
    auto* postcode = lineEdit(pRoot, QStringLiteral("edtPostcode"), q, QStringLiteral("postCode"));
    postcode->setMaximumWidth(120);
    rows.plainIn(r5, QStringLiteral("pPostcode"), QStringLiteral("labelPostcode"), QStringLiteral("邮编:"),
                 {postcode})
        .layout->addStretch();

    QWidget* r6 = rows.row(QStringLiteral("pRowAddr1"));
    rows.fieldIn(r6, QStringLiteral("Addr1"), QStringLiteral("地址1:"),
                 {lineEdit(pRoot, QStringLiteral("edtAddr1"), q, QStringLiteral("addr1"))});
    QWidget* r7 = rows.row(QStringLiteral("pRowAddr2"));
    rows.fieldIn(r7, QStringLiteral("Addr2"), QStringLiteral("地址2:"),
                 {lineEdit(pRoot, QStringLiteral("edtAddr2"), q, QStringLiteral("addr2"))});

    QWidget* r8 = rows.row(QStringLiteral("pRowComments"));
    auto* comments = new DBMemo(pRoot);
    comments->setObjectName(QStringLiteral("edtComments"));
    comments->bind(q, QStringLiteral("comments"));
    comments->setFixedHeight(48);
    comments->setTabChangesFocus(true);
    rows.fieldIn(r8, QStringLiteral("Comments"), QStringLiteral("备  注:"), {comments})
        .label->setAlignment(Qt::AlignRight | Qt::AlignTop);

    const QString btn = QStringLiteral("btn") + role;
    QWidget* r9 = rows.row(QStringLiteral("pRowButtons"));
    btnCancel = button(r9, btn + QStringLiteral("Cancel"), QStringLiteral("取消"));
    btnSave = button(r9, btn + QStringLiteral("Save"), QStringLiteral("保存"));
    btnSaveAndNew = button(r9, btn + QStringLiteral("SaveAndNew"), QStringLiteral("保存&&新建"));
    auto* r9l = static_cast<QHBoxLayout*>(r9->layout());
    r9l->addStretch();
    r9l->addWidget(btnCancel);
    r9l->addWidget(btnSave);
    r9l->addWidget(btnSaveAndNew);

    pInputPanel->hide();

    connect(btnType, &QPushButton::clicked, this, Guarded([this] { EditTypes(); }));
    connect(btnCancel, &QPushButton::clicked, this, Guarded([this] { CancelPartner(); }));
    connect(btnSave, &QPushButton::clicked, this, Guarded([this] { SavePartner(); }));
    connect(btnSaveAndNew, &QPushButton::clicked, this, Guarded([this] { SaveAndNewPartner(); }));
}

void TPartnerFrame::buildGrid() {
    PageControl1 = Named<QTabWidget>(this, "PageControl1");
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsList"));
    grid = new DataGrid(page);
    grid->setObjectName(m_kind.gridName);
    grid->setDataSet(query);
    grid->setReadOnly(true);
    grid->setRowSelect(true);
    grid->view()->setAlternatingRowColors(true);
    for (const TPartnerKind::Column& c : m_kind.columns) grid->addColumn(c.field, c.title, c.width);
    grid->refreshColumns();
    auto* l = new QVBoxLayout(page);
    l->setContentsMargins(2, 2, 2, 2);
    l->addWidget(grid);
    PageControl1->addTab(page, m_kind.listCaption);
    grid->view()->installEventFilter(this);
    connect(grid, &DataGrid::rowDoubleClicked, this, [this] { emit pickRequested(); });
}

bool TPartnerFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == grid->view() && key->modifiers() == Qt::NoModifier) {
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            emit pickRequested();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            emit escapePressed();
            return true;
        }
    }
    // From the search text down into the list it found, without the mouse.
    if (watched == edtSearchKey && key->key() == Qt::Key_Down) {
        grid->view()->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------- the list

void TPartnerFrame::Prepare() {
    query->open();
    m_labels.Register(m_kind.table, pRoot, grid);
}

void TPartnerFrame::LoadPartners(const QString& condition, const SqlParams& params) {
    QString sql = QStringLiteral("select * from ") + m_kind.table + QLatin1Char(' ');
    if (!condition.isEmpty()) sql += QStringLiteral(" where ") + condition;
    query->close();
    query->setSql(sql);
    query->clearParams();
    for (auto it = params.cbegin(); it != params.cend(); ++it) query->setParam(it.key(), it.value());
    query->open();
}

void TPartnerFrame::SearchPartners() {
    // A row being typed is stored, not lost to the new list.
    if (query->isActive()) query->checkBrowseMode();
    const TPartnerKind::Search s = m_kind.SearchCondition(cbSearchScope->currentIndex(), edtSearchKey->text());
    LoadPartners(s.condition, s.params);
}

void TPartnerFrame::RefreshPartners() {
    QVariant current;
    if (query->isActive()) {
        query->checkBrowseMode();
        if (query->recNo() > 0) current = query->value(kId);
    }
    query->requery();
    if (current.isValid()) query->locate(kId, current);
}

// ------------------------------------------------------------- editing

void TPartnerFrame::showEditor(bool on) {
    switch1->setChecked(on);
    pInputPanel->setVisible(on);
}

void TPartnerFrame::NewPartner() {
    query->append();
    showEditor(true);
    edtName->setFocus();
}

void TPartnerFrame::EditPartner() {
    query->edit();
    showEditor(true);
    edtName->setFocus();
}

void TPartnerFrame::SavePartner() { query->post(); }

void TPartnerFrame::SaveAndNewPartner() {
    // A failed post throws here: the row stays as it was and nothing new
    // is started.
    query->post();
    query->append();
    edtName->setFocus();
}

void TPartnerFrame::CancelPartner() { query->cancel(); }

void TPartnerFrame::DeletePartner() {
    if (!query->isActive() || query->recNo() <= 0) return;
    const QString refusal = m_kind.DeleteRefusal(m_dm.MainConn, query->value(kId).toLongLong());
    if (!refusal.isEmpty()) {
        TQuickMessageDlg::ShowInfo(refusal);
        return;
    }
    const QString name = query->value(m_kind.nameField).toString();
    if (TQuickMessageDlg::ConfirmResult(QString(), m_kind.confirmText.arg(name)) != QMessageBox::Yes) return;
    query->deleteRecord();
    rereadShared();
}

void TPartnerFrame::EditTypes() {
    if (TypeEditor) TypeEditor(m_kind.typeSet);
}

void TPartnerFrame::rereadShared() {
    (m_dm.*m_kind.shared)->requery();
}

void TPartnerFrame::updateButtons() {
    const bool editing = query->isEditing();
    for (QWidget* b : std::initializer_list<QWidget*>{btnNew, btnEdit, btnDelete}) b->setEnabled(!editing);
    for (QWidget* b : std::initializer_list<QWidget*>{btnCancel, btnSave, btnSaveAndNew}) b->setEnabled(editing);
}

// ------------------------------------------------------------- picking

void TPartnerFrame::setTipsVisible(bool on) {
    if (panelTips) panelTips->setVisible(on);
}

void TPartnerFrame::ResetForMaintenance() {
    m_pick.Clear();
    setTipsVisible(false);
    query->cancel();
    showEditor(false);
    LoadPartners();
}

void TPartnerFrame::AskPick(TPendingPick::Delivery delivery) {
    m_pick.Ask(std::move(delivery));
    if (!query->isActive()) query->open();
    setTipsVisible(m_pick.Pending());
}

TPendingPick::Outcome TPartnerFrame::PickCurrent() {
    if (!m_pick.Pending() || !query->isActive() || query->isEmpty() || query->recNo() <= 0)
        return TPendingPick::Outcome::NonePending;
    // The id of a row still being typed exists only once it is stored; a
    // refused row stops the pick here and keeps it pending.
    query->checkBrowseMode();
    // The pick is used up even when the editor fails on it.
    const auto tips = qScopeGuard([this] { setTipsVisible(m_pick.Pending()); });
    return m_pick.Deliver(query->value(kId).toLongLong());
}
