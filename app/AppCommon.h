#pragma once
// What every form of the application shares: the fixed texts, the bridge
// between the database's UTF-8 and Qt's QString, the session of the
// logged-in user, and ending the program.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include "Query.h"

namespace app {

// The application's title (caption of ShowMessage and error boxes).
inline const QString kAppTitle = QStringLiteral("Tarvex简易发货管理工具");
// The maker's support page (the platform opened it with the shell).
inline const QString kSupportUrl = QStringLiteral("https://www.tarvex.example/forum");
// The database file in the working folder.
inline constexpr const char* kDatabaseFile = "dorvak.db";

inline QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
inline std::string S(const QString& text) { return text.toStdString(); }
// The platform's Trim: characters up to the blank at both ends.
QString TrimQ(const QString& text);

// A field of the current row as text; Null gives "".
QString FieldText(const db::Query& q, std::string_view field);
// The same, or nothing for a Null (reads that leave their target alone).
std::optional<QString> FieldTextIfNotNull(const db::Query& q, std::string_view field);

// The logged-in user (filled by the login).
struct Session {
    QString userName;
};
Session& CurrentSession();

// Ends the program the way the platform's Terminate does: the running
// handler finishes, then the event loop ends.
void Terminate();
bool Terminated();
void ResetTerminated();

// True while the start-up sequence creates the forms.
bool StartingUp();
void SetStartingUp(bool on);

}  // namespace app
