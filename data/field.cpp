#include "dataset.h"

#include "dberror.h"
#include "displayformat.h"
#include "sqltext.h"

#include <cmath>

// -------------------------------------------------------------------- Field

QVariant Field::value() const {
    if (!m_ds || m_ds->m_current < 0) return QVariant();
    return m_ds->valueAt(m_ds->m_current, m_index);
}
bool Field::isNull() const {
    QVariant v = value();
    return !v.isValid() || v.isNull();
}
QString Field::asString() const {
    QVariant v = value();
    if (v.typeId() == QMetaType::Double) return DisplayFormat::plainNumber(v.toDouble());
    if (v.typeId() == QMetaType::QDateTime) return DisplayFormat::displayText(v);
    return v.toString();
}
int Field::asInteger() const {
    QVariant v = value();
    if (v.typeId() == QMetaType::Double) return int(std::llround(v.toDouble()));
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? 1 : 0;
    bool ok = false;
    int r = v.toString().trimmed().toInt(&ok);
    return ok ? r : int(v.toLongLong());
}
double Field::asFloat() const {
    QVariant v = value();
    bool ok = false;
    double d = v.toDouble(&ok);
    return ok ? d : 0.0;
}
QDateTime Field::asDateTime() const {
    QVariant v = value();
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime();
    return SqlText::parseDateTime(v.toString());
}
bool Field::asBoolean() const {
    QVariant v = value();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        return s == QLatin1String("true") || s == QLatin1String("1") || s == QLatin1String("yes");
    }
    return v.toBool();
}
QString Field::displayText() const {
    return DisplayFormat::displayText(value(), m_displayFormat);
}
void Field::setValue(const QVariant& v) {
    if (!m_ds) return;
    if (m_kind != FieldKind::Data) throw AppError(QStringLiteral("字段 %1 不能修改.").arg(m_name));
    // A refused value leaves the row as it was, edit state included.
    QVariant nv = m_ds->normalised(*this, v);
    if (m_size > 0 && nv.typeId() == QMetaType::QString && nv.toString().size() > m_size)
        throw AppError(QStringLiteral("%1 的内容过长, 最多 %2 个字符.").arg(m_name).arg(m_size));
    if (!m_ds->isEditing()) m_ds->edit();
    DataSet::Row& row = m_ds->m_rows[size_t(m_ds->m_current)];
    QVariant& slot = m_ds->valuesOf(row)[size_t(m_index)];
    if (slot.isNull() == nv.isNull() && slot == nv && slot.typeId() == nv.typeId()) return;
    slot = nv;
    m_ds->invalidateIndexes();
    if (!m_ds->m_disabled) emit m_ds->fieldChanged(m_ds->m_current, m_index);
    if (onChange) onChange(*this);
}
