#include "AppCommon.h"

#include <QCoreApplication>

#include "SysUtils.h"

namespace app {

namespace {
bool g_terminated = false;
bool g_startingUp = false;
}  // namespace

QString TrimQ(const QString& text) { return Q(Trim(S(text))); }

QString FieldText(const db::Query& q, std::string_view field) { return Q(q.fieldByName(field).asString()); }

std::optional<QString> FieldTextIfNotNull(const db::Query& q, std::string_view field)
{
    const db::Field f = q.fieldByName(field);
    if (f.isNull()) return std::nullopt;
    return Q(f.asString());
}

Session& CurrentSession()
{
    static Session session;
    return session;
}

void Terminate()
{
    g_terminated = true;
    QCoreApplication::quit();
}

bool Terminated() { return g_terminated; }

void ResetTerminated() { g_terminated = false; }

bool StartingUp() { return g_startingUp; }

void SetStartingUp(bool on) { g_startingUp = on; }

}  // namespace app
