#pragma once
// What window tests share: a started data module and context on a fresh data
// file, message boxes recorded instead of shown, and a way into modal dialogs.
#include "appcontext.h"
#include "application.h"
#include "maindm.h"
#include "quickmessagedlg.h"
#include "testsupport.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <functional>

struct TestShell {
    TestDb db;
    TMainDM dm;
    TAppContext ctx;
    TestShell() {
        dm.Startup(db.path());
        ctx.UseData(dm);
        ctx.SetAppDir(db.dir());
        TQuickMessageDlg::StartRecording();
        TApplication::InstallErrorBox();
    }
    explicit TestShell(const TUser& user) : TestShell() { ctx.SetCurrentUser(user); }
    ~TestShell() { TQuickMessageDlg::StopRecording(); }
    int count(const QString& sql) { return db.scalar(sql).toInt(); }
};

// Runs f inside the next modal dialog; f must close it.
inline void whileModal(std::function<void(QWidget*)> f) {
    QTimer::singleShot(0, [f] {
        QWidget* w = QApplication::activeModalWidget();
        QVERIFY(w);
        f(w);
    });
}
