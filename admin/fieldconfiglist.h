#pragma once
#include <QString>
#include <memory>

class DataSet;
class TDFMProxy;
class TMainDM;

// The field labels of one table ("Product", "Supplier", "Customer") as the
// settings window edits them: every row of FieldConfig for the table, edits
// to several rows held together until they are stored or given up at once.
// Storing them relabels every open window at once. Knows no widget.
class TFieldConfigList {
public:
    TFieldConfigList(TMainDM& dm, TDFMProxy& labels, const QString& tableName);
    ~TFieldConfigList();
    TFieldConfigList(const TFieldConfigList&) = delete;
    TFieldConfigList& operator=(const TFieldConfigList&) = delete;

    // fieldName (the built-in caption, never edited), fieldNewName, enabled.
    DataSet* queryFieldConfig() const { return m_query.get(); }
    QString TableName() const { return m_table; }
    // What the page is called: "商品属性定制"...
    QString Caption() const;

    // Reads the rows unless they are read already.
    void Open();
    // Whether anything is edited and not stored yet.
    bool HasChanges() const;
    // Stores every held edit in one go, reads the rows again and relabels
    // the windows. A failure keeps the edits held.
    void Save();
    // Gives up every held edit.
    void Cancel();

private:
    TDFMProxy& m_labels;
    QString m_table;
    std::unique_ptr<DataSet> m_query;
};
