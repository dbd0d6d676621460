// The application object: a failure that escapes an event handler reaches
// the user in the standard error box and the program goes on.
#include "application.h"
#include "dberror.h"
#include "guard.h"
#include "quickmessagedlg.h"

#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

class Thrower : public QObject {
public:
    std::function<void()> action;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            action();
            return true;
        }
        return QObject::event(e);
    }
};

class TestApplication : public QObject {
    Q_OBJECT
private slots:
    void init() { TQuickMessageDlg::StartRecording(); }
    void cleanup() { TQuickMessageDlg::StopRecording(); }
    void errorsReachTheErrorBox_data();
    void errorsReachTheErrorBox();
    void clickHandlerFailure();
    void qtDialogsSpeakChinese();
};

void TestApplication::errorsReachTheErrorBox_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("database") << 0 << "no such table: Foo";
    QTest::newRow("program") << 1 << "Unrecognized dr.";
    QTest::newRow("standard") << 2 << "bad allocation";
}

void TestApplication::errorsReachTheErrorBox() {
    QFETCH(int, kind);
    QFETCH(QString, text);
    Thrower t;
    t.action = [&] {
        if (kind == 0) throw DbError(text);
        if (kind == 1) throw AppError(text);
        throw std::runtime_error(text.toStdString());
    };
    QEvent e(QEvent::User);
    QCOMPARE(QApplication::sendEvent(&t, &e), false);
    const auto shown = TQuickMessageDlg::Shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, TQuickMessageDlg::Kind::Error);
    QCOMPARE(shown[0].text, text);
}

// Handlers are connected guarded: the failure is shown where it happens and
// never unwinds through Qt's mouse handling.
void TestApplication::clickHandlerFailure() {
    QPushButton b;
    int after = 0;
    QObject::connect(&b, &QPushButton::clicked, Guarded([] { throw DbError("disk I/O error"); }));
    b.show();
    QTest::mouseClick(&b, Qt::LeftButton);
    ++after; // still running
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"disk I/O error"});
    QCOMPARE(after, 1);
}

void TestApplication::qtDialogsSpeakChinese() {
    QMessageBox box(QMessageBox::Question, "t", "x", QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove('&').left(1), QString("是"));
    QCOMPARE(QLocale().language(), QLocale::Chinese);
}

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestApplication t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_application.moc"
