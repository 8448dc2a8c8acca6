#include "Startup.h"

#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <memory>

#include "AppCommon.h"
#include "DATAM.h"
#include "Guard.h"
#include "ScriptModules.h"
#include "ScriptedUiServices.h"
#include "UiServices.h"
#include "Uaddcp.h"
#include "Uaddgg.h"
#include "Uaddleibie.h"
#include "Uchanpin.h"
#include "Udl.h"
#include "Udy.h"
#include "Uluru.h"
#include "Usys.h"
#include "Uxgmm.h"
#include "main.h"
#include "rpStartup.h"

namespace app {

namespace {

// The database server could not be reached at start: the program ends.
bool g_noServer = false;

template <class Form>
void createForm(Form*& global)
{
    gui::guarded([&] { global = new Form(fmain); });
}

template <class T>
void destroy(T*& global)
{
    delete global;
    global = nullptr;
}

}  // namespace

void StartReportSystem()
{
    static TscGuiScriptUi scriptUi;
    registerReportSystem();
    scSetScriptUi(&scriptUi);
}

QTranslator* InstallQtTranslations()
{
    static QTranslator texts;
    if (!texts.isEmpty() || texts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&texts);
        return &texts;
    }
    return nullptr;
}

void CreateForms()
{
    gui::setApplicationTitle(kAppTitle);
    SetStartingUp(true);
    g_noServer = false;
    gui::guarded([] {
        DM = new TDM;
        try {
            DM->Connect();
        } catch (const EDatabaseServerUnreachable&) {
            g_noServer = true;
            throw;
        }
    });
    if (g_noServer) {
        // Every form works on the server: the box said why the program ends.
        SetStartingUp(false);
        Terminate();
        return;
    }
    gui::guarded([] { fmain = new Tfmain; });
    createForm(Fluru);
    createForm(Fchanpin);
    createForm(Faddcp);
    createForm(Faddgg);
    createForm(Fdy);
    createForm(Faddleibie);
    createForm(Fsys);
    createForm(Fxgmm);
    // The login form is a window of its own; it shows itself.
    gui::guarded([] { Fdl = new TFdl; });
    SetStartingUp(false);
    // A file that could not be opened at start is opened by the first click
    // that needs it: the station's rights and the first-user group are read
    // then, before anyone is logged in.
    if (DM)
        DM->OnReconnected = [] {
            if (fmain) fmain->FormCreate();
            if (Fdl && Fdl->Tag != 1) Fdl->FormCreate();
        };
}

void DestroyForms()
{
    destroy(Fdl);
    destroy(Fxgmm);
    destroy(Fsys);
    destroy(Faddleibie);
    destroy(Fdy);
    destroy(Faddgg);
    destroy(Faddcp);
    destroy(Fchanpin);
    destroy(Fluru);
    destroy(fmain);
    destroy(DM);
    CurrentSession() = Session{};
}

int RunProgram(int argc, char** argv)
{
    gui::GuardedApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dorvak"));
    // The program ends by the login's cancel or by closing the main window,
    // never because some window happened to be the last one open.
    application.setQuitOnLastWindowClosed(false);
    InstallQtTranslations();
    StartReportSystem();

    bool scriptError = false;
    std::unique_ptr<gui::ScriptedUiServices> scripted(gui::installFromEnvironment(&scriptError));
    if (scriptError) return 2;

    CreateForms();
    int code = 0;
    if (!Terminated()) {
        gui::ui().eventLoopStarting();
        code = application.exec();
    }
    // A server that could not be reached ends the program as a failure.
    if (g_noServer) code = 1;
    DestroyForms();
    if (scripted) {
        gui::setUi(nullptr);
        if (scripted->pending() > 0) std::fputs("[ui] UNUSED script lines remain\n", stderr);
        if (!scripted->failures().isEmpty() || scripted->pending() > 0) code = 3;
    }
    return code;
}

}  // namespace app
