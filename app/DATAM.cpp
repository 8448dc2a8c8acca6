#include "DATAM.h"

#include <QCollator>
#include <QLocale>

#include <cstdio>

#include "AppCommon.h"
#include "ConnectionSetting.h"
#include "SysUtils.h"

TDM* DM = nullptr;

namespace {

// Names compare as a Chinese (PRC) workstation sorts them: Han characters
// by their pinyin, through ICU, whatever the machine's locale. Texts the
// collator finds equal go by code point, so the order stays total.
int compareNames(void* collator, int lengthA, const void* a, int lengthB, const void* b)
{
    const QStringView textA(static_cast<const char16_t*>(a), lengthA / 2);
    const QStringView textB(static_cast<const char16_t*>(b), lengthB / 2);
    const int byName = static_cast<const QCollator*>(collator)->compare(textA, textB);
    if (byName != 0) return byName < 0 ? -1 : 1;
    const int byCode = textA.compare(textB);
    return byCode < 0 ? -1 : byCode > 0 ? 1 : 0;
}

void addNameCollation(db::Database& connection)
{
    // A server sorts with its own ICU collation of the same language.
    connection.defineCollation(TDM::kNameCollation, "zh-CN", &compareNames, new QCollator(QLocale(QLocale::Chinese, QLocale::China)),
                               [](void* c) { delete static_cast<QCollator*>(c); });
}

}  // namespace

TDM::TDM() = default;

TDM::~TDM()
{
    ADOsel.close();
    ADOadd.close();
    ADOCn.close();
}

void TDM::Connect()
{
    const std::string target = db::DatabaseSetting();
    onServer_ = db::IsServerConnection(target);
    if (onServer_) connectServer(target);
    else connectFile(target);
    everConnected_ = true;
}

void TDM::checkVersion(const std::string& shown)
{
    const int version = ADOCn.userVersion();
    if (version != kSchemaVersion) {
        ADOCn.close();
        throw EDatabaseError(shown + " 的版本（" + IntToStr(version) + "）本程序不认识。");
    }
}

void TDM::connectFile(const std::string& path)
{
    const std::string shown = "数据库文件 " + path;
    try {
        const db::FileKind kind = db::SniffFile(path);
        if (kind == db::FileKind::Access)
            throw EDatabaseError(shown + " 是 Access 数据库文件。本程序不读取 Access 文件，请换用本程序建立的数据库文件。");
        if (kind == db::FileKind::Missing) {
            ADOCn.open(path, db::Database::OpenMode::ReadWriteCreate);
            addNameCollation(ADOCn);
            try {
                ADOCn.initializeIfEmpty(app::OrderDatabaseSchema(), app::kOrderDatabaseSeed, kSchemaVersion);
            } catch (...) {
                // Leave no half-made file behind for the next start, but
                // keep one another program made meanwhile.
                ADOCn.close();
                bool empty = true;
                try {
                    empty = db::Database(path, db::Database::OpenMode::ReadOnly).tableNames().empty();
                } catch (const EDatabaseError&) {
                }
                if (empty) std::remove(path.c_str());
                throw;
            }
            return;
        }
        ADOCn.open(path, db::Database::OpenMode::ReadWrite);
        addNameCollation(ADOCn);
        if (ADOCn.userVersion() == 0 && ADOCn.initializeIfEmpty(app::OrderDatabaseSchema(), app::kOrderDatabaseSeed, kSchemaVersion)) return;
        checkVersion(shown);
    } catch (const ENotADatabase&) {
        ADOCn.close();
        throw EDatabaseError(shown + " 不是本程序的数据库文件（SQLite），无法打开。");
    } catch (const EDatabaseError&) {
        ADOCn.close();
        throw;
    }
}

void TDM::connectServer(const std::string& connection)
{
    try {
        ADOCn.open(connection, db::Database::OpenMode::ReadWrite);
    } catch (const EConnectionLost& e) {
        throw EDatabaseServerUnreachable("无法连接数据库服务器，程序将退出。\n\n" + e.message());
    } catch (const EDatabaseError& e) {
        // Reached, but not to be used: a wrong connection text, a database
        // that does not hold UTF-8.
        throw EDatabaseServerUnreachable("无法使用数据库服务器上的数据库，程序将退出。\n\n" + e.message());
    }
    const std::string shown = "数据库服务器上的数据库（" + ADOCn.displayName() + "）";
    try {
        addNameCollation(ADOCn);
        // An empty database becomes the program's, as a new file does.
        if (ADOCn.initializeIfEmpty(app::OrderDatabaseSchema(), app::kOrderDatabaseSeed, kSchemaVersion)) return;
        if (!ADOCn.tableExists("zq_dd") || ADOCn.userVersion() == 0) {
            ADOCn.close();
            throw EDatabaseError(shown + " 里已有别的数据表，不是本程序的数据库。请为本程序建立一个空数据库。");
        }
        checkVersion(shown);
    } catch (const EConnectionLost& e) {
        ADOCn.close();
        throw EDatabaseServerUnreachable("无法连接数据库服务器，程序将退出。\n\n" + e.message());
    } catch (const EDatabaseError&) {
        ADOCn.close();
        throw;
    }
}

void TDM::requireConnection()
{
    if (ADOCn.isOpen()) return;
    // The failure was shown once when the module connected; the forms
    // created after it go on quietly.
    if (app::StartingUp()) throw EAbort();
    // A server that went away and came back: the same connection again.
    if (everConnected_ && onServer_) {
        if (!ADOCn.reconnect())
            throw EConnectionLost("与数据库服务器的连接已断开，现在仍连不上（" + ADOCn.lastError() + "）。请稍后再试。");
        return;
    }
    // It may have passed: a lock another program held at start-up kept the
    // session failing long after the file was free.
    Connect();
    if (OnReconnected) OnReconnected();
}

db::Database& TDM::Connection()
{
    requireConnection();
    return ADOCn;
}

db::Query& TDM::Read(std::string sql, db::Params params)
{
    requireConnection();
    ADOsel.close();
    ADOsel.setSql(std::move(sql), std::move(params));
    try {
        ADOsel.open();
    } catch (const EConnectionLost&) {
        // A read changes nothing: once the server is there again it is
        // simply read again (not inside a transaction: that is gone).
        if (ADOCn.inTransaction() || !ADOCn.reconnect()) throw;
        ADOsel.open();
    }
    return ADOsel;
}

int64_t TDM::Write(std::string sql, db::Params params)
{
    requireConnection();
    ADOadd.setSql(std::move(sql), std::move(params));
    return ADOadd.execSql();
}

bool TDM::AppendUnless(std::string existsSql, db::Params existsParams, std::string insertSql, db::Params values)
{
    db::Transaction t(Connection());
    if (!Read(std::move(existsSql), std::move(existsParams)).eof()) return false;
    Write(std::move(insertSql), std::move(values));
    t.commit();
    return true;
}
