#include "valueset.h"

#include "dataset.h"
#include "dberror.h"
#include "dbutils.h"
#include "maindm.h"

namespace {
// The sets the user keeps, what uses their values and the program's shared
// list of each.
struct KnownSet {
    const char* setName;
    const char* caption;
    const char* usage; // counts the rows using value :id
    DataSet* TMainDM::*shared;
};

const KnownSet kSets[] = {
    {"SupplierType", "供应商类别", "select count(*) as fcount from Supplier where supplierType=:id",
     &TMainDM::querySupplierType},
    {"CustomerType", "客户类别", "select count(*) as fcount from Customer where customerType=:id",
     &TMainDM::queryCustomerType},
};

const KnownSet* known(const QString& setName) {
    for (const KnownSet& s : kSets)
        if (setName.compare(QLatin1String(s.setName), Qt::CaseInsensitive) == 0) return &s;
    return nullptr;
}

const QString kName = QStringLiteral("elementValue");
} // namespace

TValueSetList::TValueSetList(TMainDM& dm, const QString& setName)
    : m_dm(dm), m_setName(setName), m_query(std::make_unique<DataSet>(&dm.MainConn)) {
    m_query->setObjectName(QStringLiteral("queryValueSet"));
    m_query->setSql(QStringLiteral("select * from ValueSet\nwhere setName=:setName"));
    m_query->setParam(QStringLiteral("setName"), setName);
    m_query->setUpdateTable(QStringLiteral("ValueSet"));
    m_query->setFetchBlock(0); // a handful of rows
    m_query->onNewRecord = [this](DataSet& ds) { ds.setValue(QStringLiteral("setName"), m_setName); };
    m_query->beforePost = [this](DataSet& ds) { checkName(ds); };
    m_query->afterPost = [this](DataSet&) { rereadShared(); };
}

TValueSetList::~TValueSetList() = default;

QString TValueSetList::Caption() const {
    const KnownSet* s = known(m_setName);
    return s ? QString::fromUtf8(s->caption) : m_setName;
}

void TValueSetList::Open() {
    if (!m_query->isActive()) m_query->open();
}

void TValueSetList::New() {
    Open();
    m_query->append();
}

void TValueSetList::Edit() {
    Open();
    m_query->edit();
}

void TValueSetList::Save() { m_query->post(); }

void TValueSetList::Cancel() { m_query->cancel(); }

// A partner's type box tells its values apart by name only: a blank name or
// one the set already holds would be a type nobody can choose knowingly.
void TValueSetList::checkName(DataSet& ds) {
    Field* name = ds.field(kName);
    const QString trimmed = name->asString().trimmed();
    if (trimmed.isEmpty()) throw AppError(QStringLiteral("请输入类别名称."));
    if (trimmed != name->asString()) name->setValue(trimmed);
    const QVariant id = ds.value(QStringLiteral("id"));
    const int same = TQuickQuery::GetInteger(
        m_dm.MainConn,
        QStringLiteral("select count(*) from ValueSet where setName=:setName and elementValue=:name"
                       " and (:id is null or id<>:id)"),
        {{"setName", m_setName}, {"name", trimmed}, {"id", id}});
    if (same > 0) throw AppError(QStringLiteral("该类别已经存在."));
}

QString TValueSetList::DeleteRefusal() {
    if (!m_query->isActive() || m_query->isEmpty() || m_query->recNo() <= 0) return QString();
    const KnownSet* s = known(m_setName);
    if (!s) return QString();
    const QVariant id = m_query->value(QStringLiteral("id"));
    if (id.isNull()) return QString(); // a new row, not stored yet
    if (TQuickQuery::GetInteger(m_dm.MainConn, QString::fromUtf8(s->usage), {{"id", id}}) > 0)
        return QStringLiteral("此类型已经被使用,不能删除.");
    return QString();
}

void TValueSetList::DeleteCurrent() {
    if (!m_query->isActive() || m_query->isEmpty() || m_query->recNo() <= 0) return;
    m_query->deleteRecord();
    rereadShared();
}

void TValueSetList::rereadShared() {
    if (const KnownSet* s = known(m_setName)) (m_dm.*(s->shared))->requery();
}
