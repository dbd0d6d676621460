#include "dynamicfield.h"

#include "connection.h"
#include "datagrid.h"

#include <QAbstractButton>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>

namespace {

// Panels are the plain containers of a form: frames, group boxes and bare
// widgets; not labels, buttons or input boxes.
bool isPanel(QWidget* w) {
    if (!w || qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) return false;
    if (qobject_cast<QGroupBox*>(w)) return true;
    const char* cls = w->metaObject()->className();
    return qstrcmp(cls, "QWidget") == 0 || qstrcmp(cls, "QFrame") == 0;
}

QList<QWidget*> directChildren(QWidget* parent) {
    return parent->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
}

QWidget* directChildNamed(QWidget* parent, const QString& name) {
    for (QWidget* w : directChildren(parent))
        if (w->objectName().compare(name, Qt::CaseInsensitive) == 0) return w;
    return nullptr;
}
} // namespace

TDynamicFieldManager::TDynamicFieldManager(Connection& conn, const QString& tableName)
    : m_conn(conn), m_table(tableName.toUpper()) {
    LoadConfig();
}

void TDynamicFieldManager::LoadConfig() {
    std::vector<TDynamicField> fields;
    QHash<QString, int> index;
    Statement st(m_conn, QStringLiteral("SELECT * FROM FieldConfig WHERE tableName=:t"));
    st.bindAll({{"t", m_table}});
    int cTable = -1, cField = -1, cName = -1, cNew = -1, cEnabled = -1;
    for (int i = 0; i < st.columnCount(); ++i) {
        const QString n = st.columnName(i).toLower();
        if (n == QLatin1String("tablename")) cTable = i;
        else if (n == QLatin1String("tablefield")) cField = i;
        else if (n == QLatin1String("fieldname")) cName = i;
        else if (n == QLatin1String("fieldnewname")) cNew = i;
        else if (n == QLatin1String("enabled")) cEnabled = i;
    }
    while (st.step()) {
        TDynamicField f;
        f.TableName = cTable >= 0 ? st.value(cTable).toString() : m_table;
        f.TableField = cField >= 0 ? st.value(cField).toString() : QString();
        f.FieldName = cName >= 0 ? st.value(cName).toString() : QString();
        f.FieldNewName = cNew >= 0 ? st.value(cNew).toString() : QString();
        f.Hidden = cEnabled >= 0 ? !(st.value(cEnabled).toLongLong() != 0) : false;
        const QString key = f.TableField.toLower();
        if (index.contains(key)) fields[size_t(index[key])] = f; // one entry per field, the last row wins
        else {
            index.insert(key, int(fields.size()));
            fields.push_back(f);
        }
    }
    m_fields = std::move(fields);
    m_index = std::move(index);
}

const TDynamicField* TDynamicFieldManager::Find(const QString& tableField) const {
    auto it = m_index.constFind(tableField.toLower());
    return it == m_index.constEnd() ? nullptr : &m_fields[size_t(*it)];
}

void TDynamicFieldManager::ApplyToColumns(DataGrid* grid) {
    if (!grid) return;
    for (GridColumn* c : grid->columns()) {
        const TDynamicField* f = Find(c->fieldName);
        if (!f) continue;
        c->title = f->FieldNewName;
        c->visible = !f->Hidden;
    }
    grid->refreshColumns();
}

void TDynamicFieldManager::ApplyToPanels(QWidget* container) {
    if (!container) return;
    for (const TDynamicField& f : m_fields) {
        const QString panelName = QStringLiteral("p") + f.TableField;
        QWidget* panel = nullptr;
        for (QWidget* row : directChildren(container)) {
            if (!isPanel(row)) continue;
            if ((panel = directChildNamed(row, panelName))) break;
        }
        if (!panel) continue;
        if (auto* label = qobject_cast<QLabel*>(directChildNamed(panel, QStringLiteral("lb") + f.TableField)))
            label->setText(f.FieldNewName + QStringLiteral(":"));
        const bool shouldShow = !f.Hidden;
        if (panel->isHidden() == shouldShow) panel->setVisible(shouldShow);
        QWidget* row = panel->parentWidget();
        if (row && row != container && isPanel(row)) {
            bool any = !panel->isHidden();
            for (QWidget* c : directChildren(row))
                if (!c->isHidden()) any = true;
            // A row whose fields are all hidden goes; the rows below move up.
            if (row->isHidden() == any) row->setVisible(any);
        }
    }
}

void TDynamicFieldManager::AddContainer(QWidget* container) {
    if (container && !m_containers.contains(container)) m_containers.append(container);
}

void TDynamicFieldManager::AddColumns(DataGrid* grid) {
    if (grid && !m_grids.contains(grid)) m_grids.append(grid);
}

void TDynamicFieldManager::ApplyToAll() {
    for (const auto& c : m_containers)
        if (c) ApplyToPanels(c);
    for (const auto& g : m_grids)
        if (g) ApplyToColumns(g);
}

// ---------------------------------------------------------------- TDFMProxy

TDFMProxy::TDFMProxy(Connection& conn) : m_conn(conn) {}
TDFMProxy::~TDFMProxy() = default;

TDynamicFieldManager* TDFMProxy::ManagerFor(const QString& tableName) {
    const QString key = tableName.toUpper();
    auto it = m_managers.find(key);
    if (it == m_managers.end()) it = m_managers.insert(key, std::make_shared<TDynamicFieldManager>(m_conn, key));
    return it->get();
}

void TDFMProxy::Register(const QString& tableName, QWidget* container, DataGrid* columns) {
    try {
        TDynamicFieldManager* m = ManagerFor(tableName);
        if (container) {
            m->AddContainer(container);
            m->ApplyToPanels(container);
        }
        if (columns) {
            m->AddColumns(columns);
            m->ApplyToColumns(columns);
        }
    } catch (...) {
        // Without a configuration the screens keep their own captions.
    }
}

void TDFMProxy::Refresh(const QString& tableName) {
    try {
        TDynamicFieldManager* m = ManagerFor(tableName);
        m->LoadConfig();
        m->ApplyToAll();
    } catch (...) {
    }
}
