#pragma once
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

class Connection;
class DataGrid;

// One configured field: its default caption, the caption to show, hidden.
struct TDynamicField {
    QString TableName;
    QString TableField;
    QString FieldName;
    QString FieldNewName;
    bool Hidden = false;
};

// The field labels of one table, applied to every registered form panel
// ("p" + column holding "lb" + column) and every registered grid.
class TDynamicFieldManager {
public:
    TDynamicFieldManager(Connection& conn, const QString& tableName);
    QString TableName() const { return m_table; }
    void LoadConfig();
    void ApplyToPanels(QWidget* container);
    void ApplyToColumns(DataGrid* grid);
    void ApplyToAll();
    void AddContainer(QWidget* container);
    void AddColumns(DataGrid* grid);
    const std::vector<TDynamicField>& Fields() const { return m_fields; }
    const TDynamicField* Find(const QString& tableField) const;

private:
    Connection& m_conn;
    QString m_table; // upper case
    std::vector<TDynamicField> m_fields;
    QHash<QString, int> m_index; // lower-case TableField -> position
    // Registered screens may be windows that end before the program does;
    // guarded pointers keep a late Refresh from touching them.
    QList<QPointer<QWidget>> m_containers;
    QList<QPointer<DataGrid>> m_grids;
};

// The one proxy of the program: table name -> its manager. Every failure is
// swallowed; the screens then keep their built-in captions.
class TDFMProxy {
public:
    explicit TDFMProxy(Connection& conn);
    ~TDFMProxy();

    void Register(const QString& tableName, QWidget* container, DataGrid* columns);
    void Refresh(const QString& tableName);
    TDynamicFieldManager* ManagerFor(const QString& tableName);

private:
    Connection& m_conn;
    QHash<QString, std::shared_ptr<TDynamicFieldManager>> m_managers;
};
