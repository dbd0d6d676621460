#include "productimporterform.h"

#include "connection.h"
#include "dberror.h"
#include "desktop.h"
#include "formkit.h"
#include "guard.h"
#include "importsource.h"
#include "productimporter.h"
#include "quickmessagedlg.h"
#include "waitcursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString kIgnore = QStringLiteral("<忽略>");

std::function<QString(const QString&)>& browseHook() {
    static std::function<QString(const QString&)> hook;
    return hook;
}

// A page whose Next runs a check; a check that throws shows its error and
// keeps the page.
class CheckedPage : public QWizardPage {
public:
    CheckedPage(const char* name, const QString& title, std::function<bool()> check)
        : m_check(std::move(check)) {
        setObjectName(QString::fromLatin1(name));
        setTitle(title);
    }
    bool validatePage() override {
        bool ok = false;
        if (!m_check) return true;
        Guard::Run([&] { ok = m_check(); });
        return ok;
    }
    // The progress page is complete once the run is over.
    std::function<bool()> complete;
    bool isComplete() const override { return complete ? complete() : true; }
    void refresh() { emit completeChanged(); }
    std::function<void()> entered;
    void initializePage() override {
        if (entered) entered();
    }

private:
    std::function<bool()> m_check;
};

QLabel* text(QWidget* parent, const QString& s, const char* name = nullptr) {
    auto* l = new QLabel(s, parent);
    if (name) l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    return l;
}
} // namespace

void TProductImporterForm::SetBrowseHook(std::function<QString(const QString&)> hook) { browseHook() = std::move(hook); }

TProductImporterForm::TProductImporterForm(Connection& target, const QString& templateFile, QWidget* parent)
    : QWizard(parent), m_target(target), m_templateFile(templateFile),
      m_importer(std::make_unique<TProductImporter>(target)) {
    setObjectName(QStringLiteral("ProductImporterForm"));
    setWindowTitle(QStringLiteral("商品导入向导"));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnLastPage);
    setOption(QWizard::NoBackButtonOnStartPage);
    setOption(QWizard::NoCancelButtonOnLastPage);
    setButtonText(QWizard::BackButton, QStringLiteral("< 上一步(&B)"));
    setButtonText(QWizard::NextButton, QStringLiteral("下一步(&N) >"));
    setButtonText(QWizard::CommitButton, QStringLiteral("开始导入(&I)"));
    setButtonText(QWizard::FinishButton, QStringLiteral("完成(&F)"));
    setButtonText(QWizard::CancelButton, QStringLiteral("取消"));
    setPage(WPSelectFile, buildFilePage());
    setPage(WPSelectTable, buildTablePage());
    setPage(WPSelectField, buildFieldPage());
    setPage(WPDefineRule, buildRulePage());
    setPage(WPProgress, buildProgressPage());
    setPage(WPFinish, buildFinishPage());

    // The route map: every page by name, the current one marked.
    auto* route = new QListWidget(this);
    route->setObjectName(QStringLiteral("lstRoute"));
    route->setFocusPolicy(Qt::NoFocus);
    route->setSelectionMode(QAbstractItemView::NoSelection);
    route->setFixedWidth(130);
    for (int id : pageIds())
        route->addItem(page(id)->title());
    setSideWidget(route);
    connect(this, &QWizard::currentIdChanged, route, [route](int id) {
        for (int i = 0; i < route->count(); ++i) {
            QFont f = route->item(i)->font();
            f.setBold(i == id);
            route->item(i)->setFont(f);
            route->item(i)->setForeground(i == id ? route->palette().text() : route->palette().placeholderText());
        }
    });
    emit currentIdChanged(WPSelectFile);

    m_importer->OnProgress = [this](int min, int pos, int max, bool& carryOn) { ImportProgress(min, pos, max, carryOn); };
    m_importer->OnFinish = [this] { lbSuccess->setText(QString::number(m_importer->Imported)); };
    resize(640, 430);
}

TProductImporterForm::~TProductImporterForm() = default;

// --------------------------------------------------------------- pages

QWizardPage* TProductImporterForm::buildFilePage() {
    auto* p = new CheckedPage("WPSelectFile", QStringLiteral("选择文件"), [this] { return SelectFileNext(); });
    edtFile = Named<QLineEdit>(p, "edtFile");
    btnBrowse = NamedButton(p, "btnBrowse", QStringLiteral("浏览(&O)..."));
    btnTemplate = NamedButton(p, "btnTemplate", QStringLiteral("点击查看“商品导入模板”"));
    btnTemplate->setFlat(true);
    btnTemplate->setStyleSheet(QStringLiteral("color: palette(link); text-decoration: underline; text-align: left;"));
    btnTemplate->setCursor(Qt::PointingHandCursor);
    cbEncoding = Named<QComboBox>(p, "cbEncoding");
    cbEncoding->addItem(QStringLiteral("自动识别"), QString());
    for (const QString& e : TImportSource::CsvEncodings())
        cbEncoding->addItem(e == QLatin1String("GB18030") ? QStringLiteral("GBK/GB18030") : e, e);
    auto* l = new QGridLayout(p);
    l->addWidget(text(p, QStringLiteral("请选择要导入的文件(支持Excel、Access):")), 0, 0, 1, 2);
    l->addWidget(edtFile, 1, 0);
    l->addWidget(btnBrowse, 1, 1);
    auto* enc = new QHBoxLayout;
    auto* lbEncoding = text(p, QStringLiteral("CSV文件编码:"), "lbEncoding");
    lbEncoding->setBuddy(cbEncoding);
    enc->addWidget(lbEncoding);
    enc->addWidget(cbEncoding);
    enc->addStretch();
    l->addLayout(enc, 2, 0, 1, 2);
    l->setRowMinimumHeight(3, 24);
    l->addWidget(text(p, QStringLiteral("照着该模板的格式制作好Excel后便可以到这里来批量导入商品")), 4, 0, 1, 2);
    l->addWidget(btnTemplate, 5, 0, 1, 2, Qt::AlignLeft);
    l->setRowStretch(6, 1);
    connect(btnBrowse, &QPushButton::clicked, this, Guarded([this] { browse(); }));
    connect(btnTemplate, &QPushButton::clicked, this, Guarded([this] { ShowTemplate(); }));
    return p;
}

QWizardPage* TProductImporterForm::buildTablePage() {
    auto* p = new CheckedPage("WPSelectTable", QStringLiteral("选择数据表"), [this] { return SelectTableNext(); });
    lstTable = Named<QListWidget>(p, "lstTable");
    auto* l = new QVBoxLayout(p);
    auto* caption = text(p, QStringLiteral("请选择导入数据所在的Sheet(表):"));
    caption->setBuddy(lstTable);
    l->addWidget(caption);
    l->addWidget(lstTable, 1);
    return p;
}

QWizardPage* TProductImporterForm::buildFieldPage() {
    auto* p = new CheckedPage("WPSelectField", QStringLiteral("对应字段"), [this] { return SelectFieldNext(); });
    auto* l = new QGridLayout(p);
    const struct {
        QComboBox** box;
        const char* name;
        const char* label;
    } rows[] = {{&cbCode, "cbCode", "商品条码:"},         {&cbName, "cbName", "商品名称:"},
                {&cbModel, "cbModel", "商品型号:"},       {&cbSpec, "cbSpec", "商品规格:"},
                {&cbCategory, "cbCategory", "商品目录:"}, {&cbSalePrice, "cbSalePrice", "默认销售价格:"},
                {&cbUnit, "cbUnit", "商品单位:"}};
    int r = 0;
    for (const auto& row : rows) {
        *row.box = Named<QComboBox>(p, row.name);
        (*row.box)->setMinimumWidth(220);
        auto* label = new QLabel(QString::fromUtf8(row.label), p);
        label->setBuddy(*row.box);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->addWidget(label, r, 0);
        l->addWidget(*row.box, r++, 1);
    }
    l->setColumnStretch(2, 1);
    l->setRowStretch(r, 1);
    return p;
}

QWizardPage* TProductImporterForm::buildRulePage() {
    auto* p = new CheckedPage("WPDefineRule", QStringLiteral("导入规则"), [this] { return DefineRuleNext(); });
    p->setCommitPage(true);
    auto group = [p](const char* name, const QString& title) {
        auto* g = new QGroupBox(title, p);
        g->setObjectName(QString::fromLatin1(name));
        return g;
    };
    auto* gSame = group("gbSameRule", QStringLiteral("如何判断商品相同"));
    chkSameCode = new QCheckBox(QStringLiteral("条码相同"), gSame);
    chkSameName = new QCheckBox(QStringLiteral("名称相同"), gSame);
    chkSameSpec = new QCheckBox(QStringLiteral("规格相同"), gSame);
    chkSameModel = new QCheckBox(QStringLiteral("型号相同"), gSame);
    auto* ls = new QHBoxLayout(gSame);
    const char* checkNames[] = {"chkSameCode", "chkSameName", "chkSameSpec", "chkSameModel"};
    int i = 0;
    for (QCheckBox* c : {chkSameCode, chkSameName, chkSameSpec, chkSameModel}) {
        c->setObjectName(QString::fromLatin1(checkNames[i++]));
        c->setChecked(true);
        ls->addWidget(c);
    }
    ls->addStretch();

    auto radios = [](QGroupBox* g, const char* n1, const QString& t1, const char* n2, const QString& t2) {
        auto* a = new QRadioButton(t1, g);
        a->setObjectName(QString::fromLatin1(n1));
        auto* b = new QRadioButton(t2, g);
        b->setObjectName(QString::fromLatin1(n2));
        return std::make_pair(a, b);
    };
    const QString skip = QStringLiteral("忽略 (不导入该商品)");
    auto* gAction = group("gbSameAction", QStringLiteral("如何处理相同商品"));
    std::tie(rbSameIgnore, rbSameOverwrite) =
        radios(gAction, "rbSameIgnore", skip, "rbSameOverwrite", QStringLiteral("覆盖 (覆盖系统里已有的商品)"));
    rbSameIgnore->setChecked(true);
    auto* la = new QHBoxLayout(gAction);
    la->addWidget(rbSameIgnore);
    la->addWidget(rbSameOverwrite);
    la->addStretch();

    auto* gEmpty = group("gbEmptyCategory", QStringLiteral("商品目录为空时"));
    std::tie(rbEmptyIgnore, rbEmptyDefault) =
        radios(gEmpty, "rbEmptyIgnore", skip, "rbEmptyDefault", QStringLiteral("默认为目录"));
    cbDefaultCategory = Named<QComboBox>(gEmpty, "cbDefaultCategory");
    cbDefaultCategory->setMinimumWidth(160);
    rbEmptyDefault->setChecked(true);
    auto* le = new QHBoxLayout(gEmpty);
    le->addWidget(rbEmptyIgnore);
    le->addWidget(rbEmptyDefault);
    le->addWidget(cbDefaultCategory);
    le->addStretch();
    connect(rbEmptyDefault, &QRadioButton::toggled, cbDefaultCategory, &QWidget::setEnabled);

    auto* gMissing = group("gbMissingCategory", QStringLiteral("商品目录不存在时"));
    std::tie(rbMissingIgnore, rbMissingCreate) =
        radios(gMissing, "rbMissingIgnore", skip, "rbMissingCreate", QStringLiteral("自动创建在"));
    cbParentCategory = Named<QComboBox>(gMissing, "cbParentCategory");
    cbParentCategory->setMinimumWidth(160);
    rbMissingCreate->setChecked(true);
    auto* lm = new QHBoxLayout(gMissing);
    lm->addWidget(rbMissingIgnore);
    lm->addWidget(rbMissingCreate);
    lm->addWidget(cbParentCategory);
    lm->addWidget(new QLabel(QStringLiteral("下"), gMissing));
    lm->addStretch();
    connect(rbMissingCreate, &QRadioButton::toggled, cbParentCategory, &QWidget::setEnabled);

    auto* l = new QVBoxLayout(p);
    for (QGroupBox* g : {gSame, gAction, gEmpty, gMissing})
        l->addWidget(g);
    l->addStretch();
    return p;
}

QWizardPage* TProductImporterForm::buildProgressPage() {
    auto* p = new CheckedPage("WPProgress", QStringLiteral("导入数据"), [this] { return m_runDone; });
    pbImport = Named<QProgressBar>(p, "pbImport");
    auto* l = new QVBoxLayout(p);
    l->addWidget(text(p, QStringLiteral("正在导入数据......")));
    l->addWidget(pbImport);
    l->addWidget(text(p, QStringLiteral("按“取消”可在当前这一行之后停止导入,已导入的商品会保留.")));
    l->addStretch();
    // Next stays off until the run is over; the run moves on by itself.
    p->complete = [this] { return m_runDone; };
    // The run starts once the page is on screen, so its bar can be seen move.
    p->entered = [this] {
        m_runDone = false;
        QTimer::singleShot(0, this, Guarded([this] { runImport(); }));
    };
    return p;
}

QWizardPage* TProductImporterForm::buildFinishPage() {
    auto* p = new CheckedPage("WPFinish", QStringLiteral("完成"), nullptr);
    lbSuccess = text(p, QStringLiteral("0"), "lbSuccess");
    QFont f = lbSuccess->font();
    f.setBold(true);
    lbSuccess->setFont(f);
    auto* row = new QHBoxLayout;
    row->addWidget(text(p, QStringLiteral("成功导入数据")));
    row->addWidget(lbSuccess);
    row->addWidget(text(p, QStringLiteral("条")));
    row->addStretch();
    auto* l = new QVBoxLayout(p);
    l->addLayout(row);
    l->addStretch();
    return p;
}

// ------------------------------------------------------------- the checks

bool TProductImporterForm::SelectFileNext() {
    const QString path = edtFile->text().trimmed();
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        TQuickMessageDlg::ShowPlain(QStringLiteral("文件不存在:") + path);
        return false;
    }
    const QString encoding = cbEncoding->currentData().toString();
    const QString key = QFileInfo(path).absoluteFilePath() + QLatin1Char('\n') + encoding;
    if (key == m_openedKey && m_source) return true;
    std::unique_ptr<TImportSource> source;
    try {
        TWaitCursor busy;
        source = TImportSource::Open(path, encoding);
    } catch (const AppError& e) {
        TQuickMessageDlg::ShowPlain(e.text());
        return false;
    }
    // Only a file that opened is remembered: a failed open must not let the
    // next press move on with the old source or none.
    m_source = std::move(source);
    m_openedKey = key;
    m_importer->SetSource(nullptr, QString());
    lstTable->clear();
    // Sheets and tables are listed by their own names: the readers do not
    // add Jet's "$" to a sheet, so a sheet whose name ends in "$" keeps it.
    lstTable->addItems(m_source->Tables());
    if (lstTable->count() > 0) lstTable->setCurrentRow(0);
    return true;
}

bool TProductImporterForm::SelectTableNext() {
    if (lstTable->count() == 0 || !lstTable->currentItem() || !lstTable->currentItem()->isSelected()) {
        TQuickMessageDlg::ShowPlain(QStringLiteral("请选择要导入的数据表."));
        return false;
    }
    const QString table = lstTable->currentItem()->text();
    const TImportTable t = [&] {
        TWaitCursor busy;
        return m_source->Read(table);
    }();
    // An empty sheet (or one with column names only) would leave the user
    // on the mapping page with nothing to map and no reason given.
    if (t.rows.empty()) {
        TQuickMessageDlg::ShowPlain(
            QStringLiteral("数据表“%1”中没有可导入的数据,请选择其他数据表.").arg(table));
        return false;
    }
    m_importer->SetSource(m_source.get(), table);
    fillMappingLists(t.columns);
    return true;
}

QList<QComboBox*> TProductImporterForm::mappingLists() const {
    // In the engine's key order.
    return {cbCode, cbName, cbModel, cbSpec, cbCategory, cbSalePrice, cbUnit};
}

void TProductImporterForm::fillMappingLists(const QStringList& columns) {
    const QStringList keys = {QStringLiteral("码"),   QStringLiteral("名"), QStringLiteral("型号"),
                              QStringLiteral("规格"), QStringLiteral("目录"), QStringLiteral("价"),
                              QStringLiteral("单位")};
    const QList<QComboBox*> lists = mappingLists();
    for (int i = 0; i < lists.size(); ++i) {
        QComboBox* box = lists[i];
        box->clear();
        box->addItem(kIgnore);
        box->addItems(columns);
        box->setCurrentIndex(-1);
        for (int c = 0; c < columns.size(); ++c)
            if (columns[c].contains(keys[i])) {
                box->setCurrentIndex(c + 1);
                break;
            }
    }
}

bool TProductImporterForm::SelectFieldNext() {
    if (cbName->currentIndex() <= 0) {
        TQuickMessageDlg::ShowPlain(QStringLiteral("'商品名称'必须有与之对应的字段(列)"));
        cbName->setFocus();
        return false;
    }
    const QStringList keys = TProductImporter::Keys();
    const QList<QComboBox*> lists = mappingLists();
    for (int i = 0; i < keys.size(); ++i)
        m_importer->SetMapping(keys[i], lists[i]->currentIndex() > 0 ? lists[i]->currentText() : QString());
    fillCategoryLists();
    return true;
}

void TProductImporterForm::fillCategoryLists() {
    for (QComboBox* box : {cbDefaultCategory, cbParentCategory})
        box->clear();
    m_target.select(QStringLiteral("select id, categoryName from ProductCategory"), {}, [this](const Statement& st) {
        for (QComboBox* box : {cbDefaultCategory, cbParentCategory})
            box->addItem(st.value(1).toString(), st.value(0));
        return true;
    });
    for (QComboBox* box : {cbDefaultCategory, cbParentCategory})
        box->setCurrentIndex(box->count() > 0 ? 0 : -1);
}

bool TProductImporterForm::DefineRuleNext() {
    int mask = 0;
    if (chkSameCode->isChecked()) mask |= TProductImporter::mbCode;
    if (chkSameName->isChecked()) mask |= TProductImporter::mbName;
    if (chkSameModel->isChecked()) mask |= TProductImporter::mbModel;
    if (chkSameSpec->isChecked()) mask |= TProductImporter::mbSpec;
    if (mask == 0) {
        TQuickMessageDlg::ShowPlain(QStringLiteral("请选择判断商品相同的条件"));
        return false;
    }
    if (cbDefaultCategory->isEnabled() && cbDefaultCategory->currentIndex() < 0) {
        TQuickMessageDlg::ShowPlain(QStringLiteral("请选择默认目录"));
        cbDefaultCategory->setFocus();
        return false;
    }
    if (cbParentCategory->isEnabled() && cbParentCategory->currentIndex() < 0) {
        TQuickMessageDlg::ShowPlain(QStringLiteral("请选择自动创建目录的父目录"));
        cbParentCategory->setFocus();
        return false;
    }
    TProductImporter& e = *m_importer;
    e.MatchMask = mask;
    e.SameAction = rbSameIgnore->isChecked() ? TProductImporter::spIgnore : TProductImporter::spOverwrite;
    e.EmptyCategory = rbEmptyIgnore->isChecked() ? TProductImporter::ecIgnore : TProductImporter::ecUseDefault;
    e.MissingCategory = rbMissingIgnore->isChecked() ? TProductImporter::mcIgnore : TProductImporter::mcCreate;
    if (cbDefaultCategory->isEnabled()) e.DefaultCategoryID = cbDefaultCategory->currentData().toInt();
    if (cbParentCategory->isEnabled()) e.ParentCategoryID = cbParentCategory->currentData().toInt();
    return true;
}

// ---------------------------------------------------------------- the run

void TProductImporterForm::runImport() {
    if (m_running || currentId() != WPProgress) return;
    auto* progress = static_cast<CheckedPage*>(page(WPProgress));
    m_running = true;
    m_stop = false;
    progress->refresh();
    pbImport->setRange(0, 0);
    lbSuccess->setText(QStringLiteral("0"));
    try {
        m_importer->Run();
    } catch (...) {
        m_running = false;
        m_runDone = true;
        progress->refresh();
        // The rows written so far stay; the user sees why the rest did not
        // come in and may try again from the rules.
        back();
        throw;
    }
    m_running = false;
    m_runDone = true;
    progress->refresh();
    next();
}

void TProductImporterForm::ImportProgress(int minimum, int position, int maximum, bool& carryOn) {
    static QElapsedTimer shown;
    pbImport->setRange(minimum - 1, maximum);
    pbImport->setValue(position);
    // Repainting after every row would cost more than the rows themselves.
    if (!shown.isValid() || shown.elapsed() >= 40 || position == maximum) {
        shown.restart();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    if (m_stop) carryOn = false;
}

void TProductImporterForm::reject() {
    // Cancel during the run stops it after the row under way; the wizard
    // then shows what came in.
    if (m_running) {
        m_stop = true;
        return;
    }
    QWizard::reject();
}

void TProductImporterForm::closeEvent(QCloseEvent* e) {
    if (m_running) {
        m_stop = true;
        e->ignore();
        return;
    }
    QWizard::closeEvent(e);
}

// ------------------------------------------------------------------ files

void TProductImporterForm::browse() {
    const QString filter = TImportSource::FileFilter();
    QString path;
    if (browseHook())
        path = browseHook()(filter);
    else
        path = QFileDialog::getOpenFileName(this, QStringLiteral("打开"), QFileInfo(edtFile->text()).absolutePath(), filter);
    if (!path.isEmpty()) edtFile->setText(QDir::toNativeSeparators(path));
}

void TProductImporterForm::ShowTemplate() {
    const QString path = m_templateFile;
    TDesktop::ShowInFileManager(path, this, [path] {
        TQuickMessageDlg::ShowPlain(QStringLiteral("无法打开文件夹: ") + QFileInfo(path).absolutePath());
    });
}
