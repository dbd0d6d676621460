#pragma once
#include <QString>
#include <memory>

class DataSet;
class TMainDM;

// One look-up list of table ValueSet, the rows of one set name (the partner
// types "SupplierType" and "CustomerType"), as the user keeps it: new,
// renamed and deleted values. Knows no widget; a page of the settings window
// or a small dialog shows it and asks the user the questions.
//
// Every stored change re-reads the program's shared list of the set, so the
// partner windows' type boxes offer the new list at once.
class TValueSetList {
public:
    TValueSetList(TMainDM& dm, const QString& setName);
    ~TValueSetList();
    TValueSetList(const TValueSetList&) = delete;
    TValueSetList& operator=(const TValueSetList&) = delete;

    // The set's rows, editable; elementValue is the value's name.
    DataSet* queryValueSet() const { return m_query.get(); }
    QString SetName() const { return m_setName; }
    // What the user calls the set ("供应商类别"); the set name itself for a
    // set the program does not know.
    QString Caption() const;

    // Opens the rows unless they are open already.
    void Open();
    // A new value of this set, in insert state.
    void New();
    void Edit();
    // Stores the open row. A blank name, or a name the set already holds, is
    // refused (AppError) and the row stays open.
    void Save();
    void Cancel();
    // Why the current value may not be deleted (partners still use it);
    // empty when it may go, or when there is no current value.
    QString DeleteRefusal();
    // Deletes the current value; nothing when the list is empty.
    void DeleteCurrent();

private:
    void checkName(DataSet& ds);
    void rereadShared();

    TMainDM& m_dm;
    QString m_setName;
    std::unique_ptr<DataSet> m_query;
};
