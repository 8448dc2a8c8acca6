#include "UiServices.h"

#include "QtUiServices.h"

namespace gui {

namespace {

UiServices* g_installed = nullptr;

QString& titleStorage()
{
    static QString title;
    return title;
}

}  // namespace

const char* MsgResultName(MsgResult r)
{
    switch (r) {
    case MsgResult::Ok: return "ok";
    case MsgResult::Cancel: return "cancel";
    case MsgResult::Yes: return "yes";
    case MsgResult::No: return "no";
    }
    return "?";
}

UiServices& ui()
{
    if (g_installed) return *g_installed;
    static QtUiServices desktop;
    return desktop;
}

UiServices* setUi(UiServices* services)
{
    UiServices* previous = g_installed;
    g_installed = services;
    return previous;
}

void setApplicationTitle(const QString& title) { titleStorage() = title; }

QString applicationTitle() { return titleStorage(); }

void ShowMessage(const QString& text) { ui().messageBox(text, applicationTitle(), MsgButtons::Ok, MsgIcon::None); }

}  // namespace gui
