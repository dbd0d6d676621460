#pragma once
#include "fieldconfiglist.h"
#include "sysoptions.h"

#include <QWidget>

class DataGrid;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class TAppContext;
class TDFMProxy;
class TMainDM;

// A field-label page of the settings window: the table's fields with their
// built-in caption, the caption to show and whether they are used. Edits to
// several rows wait for 保存, which relabels every open window.
class TDynamicPropBaseFrame : public QWidget {
    Q_OBJECT
public:
    TDynamicPropBaseFrame(TMainDM& dm, TDFMProxy& labels, const QString& tableName, QWidget* parent = nullptr);

    TFieldConfigList& List() { return m_list; }
    QGroupBox* gbFieldConfig;
    DataGrid* gridFieldConfig;
    QPushButton *btnSave, *btnCancel;

    // Reads the rows when the page is first shown.
    void Prepare();
    void Save();
    void Cancel();

private:
    void updateButtons();
    TFieldConfigList m_list;
};

// The "系统选项" page: automatic login and the returns.
class TSysOptionFrame : public QWidget {
    Q_OBJECT
public:
    TSysOptionFrame(TAppContext& context, QWidget* parent = nullptr);

    TSysOptions& Options() { return m_options; }
    QGroupBox* gbOption;
    QCheckBox *cbAutoLogin, *cbShowRefund;
    QLabel *lbAutoLoginHint, *lbShowRefundHint;
    QPushButton *btnSave, *btnCancel;

    // Shows the stored options; buttons off until a box is clicked.
    void Load();
    void Save();
    void Cancel() { Load(); }

signals:
    // After every save, with the option as stored.
    void saved(bool showRefund);

private:
    void setButtons(bool on);
    TAppContext& m_context;
    TSysOptions m_options;
};
