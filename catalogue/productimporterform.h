#pragma once
#include <QWizard>
#include <functional>
#include <memory>

class Connection;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TImportSource;
class TProductImporter;

// "商品导入向导": a product list comes in from a workbook, an Access file or a
// text file in six pages: file, table, columns, rules, progress, finish.
// Each page's Next check keeps the wizard on the page when it fails. The run
// writes through the program's connection (see TProductImporter); the
// wizard's Cancel stops it after the row under way.
class TProductImporterForm : public QWizard {
    Q_OBJECT
public:
    enum Page { WPSelectFile, WPSelectTable, WPSelectField, WPDefineRule, WPProgress, WPFinish };

    TProductImporterForm(Connection& target, const QString& templateFile, QWidget* parent = nullptr);
    ~TProductImporterForm() override;

    QLineEdit* edtFile;
    QPushButton *btnBrowse, *btnTemplate;
    QComboBox* cbEncoding;
    QListWidget* lstTable;
    QComboBox *cbCode, *cbName, *cbModel, *cbSpec, *cbCategory, *cbSalePrice, *cbUnit;
    QCheckBox *chkSameCode, *chkSameName, *chkSameSpec, *chkSameModel;
    QRadioButton *rbSameIgnore, *rbSameOverwrite;
    QRadioButton *rbEmptyIgnore, *rbEmptyDefault;
    QComboBox* cbDefaultCategory;
    QRadioButton *rbMissingIgnore, *rbMissingCreate;
    QComboBox* cbParentCategory;
    QProgressBar* pbImport;
    QLabel* lbSuccess;

    TProductImporter& Importer() { return *m_importer; }
    bool Running() const { return m_running; }

    // The page checks, run by Next.
    bool SelectFileNext();
    bool SelectTableNext();
    bool SelectFieldNext();
    bool DefineRuleNext();
    // The progress receiver: moves the bar and lets the window repaint and
    // take a click on Cancel, which clears carryOn.
    void ImportProgress(int minimum, int position, int maximum, bool& carryOn);
    void ShowTemplate();

    // The browse dialog, or a stand-in that returns the chosen path.
    static void SetBrowseHook(std::function<QString(const QString& filter)> hook);

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QWizardPage* buildFilePage();
    QWizardPage* buildTablePage();
    QWizardPage* buildFieldPage();
    QWizardPage* buildRulePage();
    QWizardPage* buildProgressPage();
    QWizardPage* buildFinishPage();
    QList<QComboBox*> mappingLists() const;
    void fillMappingLists(const QStringList& columns);
    void fillCategoryLists();
    void runImport();
    void browse();

    Connection& m_target;
    QString m_templateFile;
    std::unique_ptr<TImportSource> m_source;
    std::unique_ptr<TProductImporter> m_importer;
    QString m_openedKey; // path and encoding of the open source
    bool m_running = false;
    bool m_stop = false;
    bool m_runDone = false;
};
