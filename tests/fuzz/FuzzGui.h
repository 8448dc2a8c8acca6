#pragma once
// The fuzz targets over Qt: an offscreen application, UI services that
// answer every box and dialog with Cancel, silently, and the start of the
// targets that draw.

#include <QGuiApplication>

#include "Canvas.h"
#include "CoreClasses.h"
#include "FuzzSupport.h"
#include "UiServices.h"

namespace fuzz_support {

// Made once and kept to the end of the process: the targets have no
// place to tear it down before their own statics go.
template <class Application = QGuiApplication>
inline void ensureGuiApplication()
{
    if (QCoreApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static Application* app = new Application(argc, argv);
    (void)app;
}

class SilentUi final : public gui::UiServices {
public:
    gui::MsgResult messageBox(const QString&, const QString&, gui::MsgButtons, gui::MsgIcon) override
    {
        return gui::MsgResult::Cancel;
    }
    int showModal(QDialog&) override { return 0; }
    bool inputQuery(const QString&, const QString&, QString&) override { return false; }
    bool fileDialog(const gui::FileRequest&, QString&) override { return false; }
    bool fontDialog(QFont&, const QString&) override { return false; }
    bool colorDialog(QColor&, const QString&) override { return false; }
    bool openUrl(const QString&) override { return false; }
};

inline void installSilentUi()
{
    static SilentUi ui;
    gui::setUi(&ui);
}

// The targets that draw: the application, the base and canvas classes.
inline void startCanvasTarget()
{
    ensureGuiApplication();
    registerCoreClasses();
    registerCanvasClasses();
}

}  // namespace fuzz_support
