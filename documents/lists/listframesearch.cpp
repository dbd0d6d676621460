// The search panel of the list frame: its controls, their choices, and
// what they hold as criteria.
#include "listframe.h"

#include "dataset.h"
#include "formkit.h"
#include "guard.h"
#include "maindm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// An editable drop-down that refills its list each time it opens, keeping
// what was typed.
class RefillCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;
    void showPopup() override {
        if (beforePopup) Guard::Run(beforePopup);
        QComboBox::showPopup();
    }
};

QComboBox* combo(QWidget* parent, const QString& name, bool editable) {
    auto* b = new RefillCombo(parent);
    b->setObjectName(name);
    b->setEditable(editable);
    b->setMinimumWidth(120);
    // A long list of partners must not make the panel wide.
    b->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    b->setMinimumContentsLength(10);
    if (editable) b->setInsertPolicy(QComboBox::NoInsert);
    return b;
}

QDateEdit* dateBox(QWidget* parent, const QString& name) {
    auto* d = new QDateEdit(parent);
    d->setObjectName(name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    d->setEnabled(false);
    return d;
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setBuddy(buddy);
    return l;
}

QString keyOf(const QComboBox* box) {
    if (!box || box->currentIndex() < 0) return QString();
    return box->currentData().toString();
}

} // namespace

void TListFrame::buildSearchPanel() {
    const TListKind& k = m_kind;
    pFind = new QWidget(this);
    pFind->setObjectName(QStringLiteral("pFind"));
    pRoot = new QGroupBox(k.searchCaption, pFind);
    pRoot->setObjectName(QStringLiteral("pRoot"));

    edtProductCode = Named<QLineEdit>(pRoot, "edtProductCode");
    edtProductName = Named<QLineEdit>(pRoot, "edtProductName");
    if (k.sizeColorLists) {
        auto* model = new RefillCombo(pRoot);
        model->beforePopup = [this, model] { refillFrom(model, m_dm.queryProductSize, QStringLiteral("product_model")); };
        auto* sizeBox = new RefillCombo(pRoot);
        sizeBox->beforePopup = [this, sizeBox] { refillFrom(sizeBox, m_dm.queryProductColor, QStringLiteral("product_spec")); };
        edtproduct_model = model;
        edtproduct_spec = sizeBox;
    } else {
        // Plain text boxes: a drop-down without a list shows no arrow.
        edtproduct_model = new QComboBox(pRoot);
        edtproduct_spec = new QComboBox(pRoot);
    }
    for (QComboBox* b : {edtproduct_model, edtproduct_spec}) {
        b->setEditable(true);
        b->setInsertPolicy(QComboBox::NoInsert);
        if (!k.sizeColorLists)
            b->setStyleSheet(QStringLiteral("QComboBox { padding-right: 2px; } QComboBox::drop-down { "
                                            "subcontrol-origin: padding; width: 0px; border: 0px; }"));
    }
    edtproduct_model->setObjectName(QStringLiteral("edtproduct_model"));
    edtproduct_spec->setObjectName(QStringLiteral("edtproduct_spec"));

    edtPartner = combo(pRoot, k.partnerBox, true);
    edtCustomerCode = k.customerCodeBox.isEmpty() ? nullptr : combo(pRoot, k.customerCodeBox, true);
    edtType = k.typeBox.isEmpty() ? nullptr : combo(pRoot, k.typeBox, false);
    edtUser = combo(pRoot, k.userBox, false);
    edtCreateUser = combo(pRoot, QStringLiteral("edtCreateUser"), false);
    edtAuditStatus = combo(pRoot, QStringLiteral("edtAuditStatus"), false);
    chkDate = new QCheckBox(pRoot);
    chkDate->setObjectName(k.dateCheck);
    edtDateStart = dateBox(pRoot, k.dateStart);
    edtDateEnd = dateBox(pRoot, k.dateEnd);
    chkCreateDate = Named<QCheckBox>(pRoot, "chkCreateDate");
    edtCreateDateStart = dateBox(pRoot, QStringLiteral("edtCreateDateStart"));
    edtCreateDateEnd = dateBox(pRoot, QStringLiteral("edtCreateDateEnd"));
    JvBitBtn1 = NamedButton(pRoot, "JvBitBtn1", QStringLiteral("清空条件"));
    btnSearch = NamedButton(pRoot, "btnSearch", QStringLiteral("执行查找"));
    btnSearch->setDefault(true);

    // Product fields keep the names the field labels look for: "p" + column
    // holding "lb" + column.
    auto productField = [this](const QString& column, const QString& caption, QWidget* editor) {
        auto* panel = new QWidget(pRoot);
        panel->setObjectName(QStringLiteral("p") + column);
        auto* l = new QHBoxLayout(panel);
        l->setContentsMargins(0, 0, 0, 0);
        auto* lb = label(panel, QStringLiteral("lb") + column, caption, editor);
        lb->setMinimumWidth(64);
        l->addWidget(lb);
        editor->setParent(panel);
        l->addWidget(editor, 1);
        return panel;
    };
    auto range = [this](QCheckBox* check, QDateEdit* from, QDateEdit* to) {
        auto* w = new QWidget(pRoot);
        auto* l = new QHBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        check->setParent(w);
        from->setParent(w);
        to->setParent(w);
        l->addWidget(check);
        l->addWidget(from, 1);
        l->addWidget(new QLabel(QStringLiteral("到"), w));
        l->addWidget(to, 1);
        return w;
    };

    auto* g = new QGridLayout(pRoot);
    g->setContentsMargins(8, 6, 8, 6);
    g->setHorizontalSpacing(6);
    g->addWidget(productField(QStringLiteral("productCode"), k.productCodeLabel, edtProductCode), 0, 0, 1, 2);
    g->addWidget(productField(QStringLiteral("productName"), QStringLiteral("名称:"), edtProductName), 0, 2, 1, 2);
    g->addWidget(productField(QStringLiteral("product_model"), QStringLiteral("型号:"), edtproduct_model), 0, 4, 1, 2);
    g->addWidget(productField(QStringLiteral("product_spec"), QStringLiteral("规格:"), edtproduct_spec), 0, 6, 1, 2);
    int col = 0;
    auto add = [&](int row, const QString& labelName, const QString& caption, QWidget* editor, int span = 1) {
        g->addWidget(label(pRoot, labelName, caption, editor), row, col);
        g->addWidget(editor, row, col + 1, 1, span);
        col += 1 + span;
    };
    add(1, QStringLiteral("lbPartner"), k.partnerLabel, edtPartner);
    if (edtCustomerCode) add(1, QStringLiteral("lbCustomerCode"), k.customerCodeLabel, edtCustomerCode);
    add(1, QStringLiteral("lbUser"), QStringLiteral("经办人:"), edtUser);
    add(1, QStringLiteral("lbCreateUser"), QStringLiteral("录入人:"), edtCreateUser);
    if (!edtCustomerCode) add(1, QStringLiteral("lbAuditStatus"), QStringLiteral("审核状态:"), edtAuditStatus);
    col = 0;
    add(2, QStringLiteral("lbDate"), k.dateLabel, range(chkDate, edtDateStart, edtDateEnd), 3);
    add(2, QStringLiteral("lbCreateDate"), QStringLiteral("录入时间:"),
        range(chkCreateDate, edtCreateDateStart, edtCreateDateEnd), 3);
    if (edtCustomerCode) {
        col = 0;
        add(3, QStringLiteral("lbAuditStatus"), QStringLiteral("审核状态:"), edtAuditStatus);
    }
    // The type box takes no part on screen; it stays for the criteria.
    if (edtType) {
        edtType->hide();
        auto* lbType = label(pRoot, QStringLiteral("lbType"), QStringLiteral("单据类型:"), edtType);
        lbType->hide();
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(JvBitBtn1);
    buttons->addWidget(btnSearch);
    g->addLayout(buttons, edtCustomerCode ? 3 : 2, 8, 1, 1);
    for (int c = 1; c < 8; c += 2) g->setColumnStretch(c, 1);

    auto* l = new QVBoxLayout(pFind);
    l->setContentsMargins(4, 0, 4, 0);
    l->addWidget(pRoot);
    pFind->hide();

    // Tab walks the panel as it reads: products, partner, people, days.
    QList<QWidget*> order{edtProductCode, edtProductName, edtproduct_model, edtproduct_spec, edtPartner};
    if (edtCustomerCode) order << edtCustomerCode;
    order << edtUser << edtCreateUser << edtAuditStatus << chkDate << edtDateStart << edtDateEnd << chkCreateDate
          << edtCreateDateStart << edtCreateDateEnd << JvBitBtn1 << btnSearch;
    for (int i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    connect(chkDate, &QCheckBox::toggled, this, Guarded([this](bool on) {
                edtDateStart->setEnabled(on);
                edtDateEnd->setEnabled(on);
            }));
    connect(chkCreateDate, &QCheckBox::toggled, this, Guarded([this](bool on) {
                edtCreateDateStart->setEnabled(on);
                edtCreateDateEnd->setEnabled(on);
            }));
    connect(JvBitBtn1, &QPushButton::clicked, this, Guarded([this] { ClearCriteria(); }));
    connect(btnSearch, &QPushButton::clicked, this, Guarded([this] { ExecuteSearch(); }));
    // Enter in any box of the panel runs the search.
    for (QLineEdit* e : pRoot->findChildren<QLineEdit*>())
        if (!qobject_cast<QDateEdit*>(e->parentWidget()))
            connect(e, &QLineEdit::returnPressed, this, Guarded([this] { ExecuteSearch(); }));
}

void TListFrame::fillChoices(QComboBox* box, DataSet* list, const QString& keyField, const QString& textField,
                             const QString& firstText, const QString& firstKey) {
    if (!box) return;
    box->clear();
    box->addItem(firstText, firstKey);
    if (list && list->isActive() && !list->isEmpty()) {
        const int n = list->recordCount();
        const int key = list->findField(keyField) ? list->field(keyField)->index() : -1;
        const int text = list->field(textField)->index();
        for (int r = 0; r < n; ++r)
            box->addItem(list->valueAt(r, text).toString(), key < 0 ? QString() : list->valueAt(r, key).toString());
    }
    box->setCurrentIndex(0);
}

// The partners, users and types come from the shared lists, which change
// while the window stays open (a partner added in its own window): the box
// is filled now and again each time it opens, keeping what was chosen or
// typed.
void TListFrame::followChoices(QComboBox* box, std::function<DataSet*()> list, const QString& keyField,
                               const QString& textField, const QString& firstText, const QString& firstKey) {
    auto* refill = dynamic_cast<RefillCombo*>(box);
    if (!refill) return;
    auto fill = [this, box, list, keyField, textField, firstText, firstKey] {
        const bool typed = box->isEditable();
        const QString text = box->currentText();
        const QVariant key = box->currentIndex() >= 0 ? box->currentData() : QVariant();
        fillChoices(box, list(), keyField, textField, firstText, firstKey);
        if (typed) {
            box->setCurrentIndex(-1);
            box->setEditText(text);
        } else if (key.isValid()) {
            box->setCurrentIndex(std::max(0, box->findData(key)));
        }
    };
    fill();
    refill->beforePopup = fill;
}

void TListFrame::refillFrom(QComboBox* box, DataSet* list, const QString& field) {
    const QString typed = box->currentText();
    box->clear();
    if (list && list->isActive()) {
        const int n = list->recordCount();
        for (int r = 0; r < n; ++r) box->addItem(list->valueAt(r, field).toString());
    }
    box->setCurrentIndex(-1);
    box->setEditText(typed);
}

void TListFrame::ClearCriteria() {
    edtPartner->setCurrentIndex(-1);
    edtPartner->setEditText(QString());
    if (edtCustomerCode) edtCustomerCode->setEditText(QString());
    edtProductCode->clear();
    edtProductName->clear();
    edtproduct_model->setEditText(QString());
    edtproduct_spec->setEditText(QString());
    for (QComboBox* b : {edtType, edtUser, edtCreateUser, edtAuditStatus})
        if (b && b->count() > 0) b->setCurrentIndex(0);
    chkDate->setChecked(false);
    chkCreateDate->setChecked(false);
}

ListStatements::ListSearch TListFrame::SearchPanel() const {
    ListStatements::ListSearch s;
    s.partner = edtPartner->currentText();
    if (edtCustomerCode) s.customerCode = edtCustomerCode->currentText();
    s.typeKey = keyOf(edtType);
    // "<全部>" is index 0; only a real choice counts.
    if (edtAuditStatus->currentIndex() > 0) s.auditKey = keyOf(edtAuditStatus);
    s.userKey = keyOf(edtUser);
    s.createUserKey = keyOf(edtCreateUser);
    s.byDate = chkDate->isChecked();
    s.dateStart = edtDateStart->date();
    s.dateEnd = edtDateEnd->date();
    s.byCreateDate = chkCreateDate->isChecked();
    s.createStart = edtCreateDateStart->date();
    s.createEnd = edtCreateDateEnd->date();
    s.productCode = edtProductCode->text();
    s.productName = edtProductName->text();
    s.productModel = edtproduct_model->currentText();
    s.productSpec = edtproduct_spec->currentText();
    return s;
}

void TListFrame::ExecuteSearch() {
    LoadLists(ListStatements::BuildCriteria(m_kind.kind, SearchPanel(), SqlForm::Sqlite, &m_dm.MainConn));
}
