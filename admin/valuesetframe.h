#pragma once
#include <QWidget>
#include <memory>

class DataGrid;
class QGroupBox;
class QPushButton;
class TMainDM;
class TValueSetList;

// The page that keeps one value set ("供应商类别", "客户类别"): a grid of
// the names, typed into in place, and its five buttons. A page of the
// settings window.
class TValueSetFrame : public QWidget {
    Q_OBJECT
public:
    TValueSetFrame(TMainDM& dm, const QString& setName, QWidget* parent = nullptr);
    ~TValueSetFrame() override;

    TValueSetList& List() { return *m_list; }
    QGroupBox* gbValueSet;
    DataGrid* gridValueSet;
    QPushButton *btnValueSetNew, *btnValueSetEdit, *btnValueSetDelete, *btnValueSetSave, *btnValueSetCancel;

    // Opens the list when the page is first shown.
    void Prepare();
    void btnValueSetDeleteClick();

private:
    void updateButtons();
    void editCell();
    std::unique_ptr<TValueSetList> m_list;
};
