#include "fieldconfiglist.h"

#include "dataset.h"
#include "dberror.h"
#include "dynamicfield.h"
#include "maindm.h"

TFieldConfigList::TFieldConfigList(TMainDM& dm, TDFMProxy& labels, const QString& tableName)
    : m_labels(labels), m_table(tableName), m_query(std::make_unique<DataSet>(&dm.MainConn)) {
    m_query->setObjectName(QStringLiteral("queryFieldConfig"));
    m_query->setSql(QStringLiteral("select * from FieldConfig\nwhere tableName=:tableName\norder by displayOrder, id"));
    m_query->setParam(QStringLiteral("tableName"), tableName);
    m_query->setUpdateTable(QStringLiteral("FieldConfig"));
    m_query->setCachedUpdates(true);
    m_query->setFetchBlock(0); // a dozen rows
    // Rows are only relabelled here: the program knows its fields, a row
    // added or taken away would configure nothing or lose a field.
    m_query->beforeDelete = [](DataSet&) { throw AppError(QStringLiteral("属性不能删除.")); };
}

TFieldConfigList::~TFieldConfigList() = default;

QString TFieldConfigList::Caption() const {
    if (m_table.compare(QLatin1String("Product"), Qt::CaseInsensitive) == 0) return QStringLiteral("商品属性定制");
    if (m_table.compare(QLatin1String("Supplier"), Qt::CaseInsensitive) == 0) return QStringLiteral("供应商属性定制");
    if (m_table.compare(QLatin1String("Customer"), Qt::CaseInsensitive) == 0) return QStringLiteral("客户属性定制");
    return m_table;
}

void TFieldConfigList::Open() {
    if (m_query->isActive()) return;
    m_query->open();
    if (Field* f = m_query->findField(QStringLiteral("fieldName"))) f->setReadOnly(true);
}

bool TFieldConfigList::HasChanges() const { return m_query->isActive() && m_query->hasPendingUpdates(); }

void TFieldConfigList::Save() {
    if (!m_query->isActive()) return;
    m_query->applyUpdates();
    m_query->requery();
    if (Field* f = m_query->findField(QStringLiteral("fieldName"))) f->setReadOnly(true);
    m_labels.Refresh(m_table);
}

void TFieldConfigList::Cancel() {
    if (m_query->isActive()) m_query->cancelUpdates();
}
