#include "DATAM.h"

#include <QCollator>
#include <QLocale>

#include <sqlite3.h>

#include <cstdio>

#include "AppCommon.h"
#include "SysUtils.h"

TDM* DM = nullptr;

namespace {

// Every application column is TEXT: what was typed is what is read back.
// Text compares without case, as the old engine did.
const char* const kSchema = R"SQL(
CREATE TABLE zq_dd (id INTEGER PRIMARY KEY AUTOINCREMENT,
  bh TEXT COLLATE NOCASE, zt TEXT COLLATE NOCASE DEFAULT '未付款',
  khmc TEXT COLLATE NOCASE, khdz TEXT COLLATE NOCASE, lxdh TEXT COLLATE NOCASE, lxr TEXT COLLATE NOCASE,
  zdr TEXT COLLATE NOCASE, kssj TEXT, zk TEXT COLLATE NOCASE, zsl TEXT, je TEXT, je2 TEXT,
  bz TEXT, fjmc TEXT, fjje TEXT, xsd TEXT);
CREATE UNIQUE INDEX zq_dd_bh ON zq_dd(bh);
CREATE TABLE zq_ddmx (id INTEGER PRIMARY KEY AUTOINCREMENT,
  ddid TEXT, bh TEXT COLLATE NOCASE, leibie TEXT COLLATE NOCASE, cp TEXT COLLATE NOCASE,
  cpgg TEXT COLLATE NOCASE, dj TEXT, sl TEXT, dw TEXT, je TEXT, bz TEXT, khmc TEXT COLLATE NOCASE,
  zt TEXT DEFAULT '未付款',
  tjsj TEXT DEFAULT (strftime('%Y-%m-%d %H:%M:%S','now','localtime')));
CREATE INDEX zq_ddmx_bh ON zq_ddmx(bh);
CREATE INDEX zq_ddmx_lb ON zq_ddmx(leibie, cp, cpgg);
-- Lists a category newest first without sorting (the index ends in rowid).
CREATE INDEX zq_ddmx_leibie ON zq_ddmx(leibie);
CREATE INDEX zq_ddmx_cp ON zq_ddmx(cp);
CREATE TABLE zq_leibie (id INTEGER PRIMARY KEY AUTOINCREMENT, leibie TEXT COLLATE NOCASE, jieshao TEXT);
CREATE TABLE zq_cpm (id INTEGER PRIMARY KEY AUTOINCREMENT, cpm TEXT COLLATE NOCASE, js TEXT, leibie TEXT COLLATE NOCASE);
CREATE INDEX zq_cpm_lb ON zq_cpm(leibie);
CREATE TABLE zq_cpgg (id INTEGER PRIMARY KEY AUTOINCREMENT, cpgg TEXT COLLATE NOCASE, js TEXT,
  cpm TEXT COLLATE NOCASE, dw TEXT, jg TEXT, leibie TEXT COLLATE NOCASE);
CREATE INDEX zq_cpgg_lc ON zq_cpgg(leibie, cpm);
CREATE TABLE zq_zk (zkmc TEXT COLLATE NOCASE, zk TEXT);
CREATE TABLE zq_km (id INTEGER PRIMARY KEY AUTOINCREMENT, km TEXT, bj TEXT);
CREATE TABLE zq_tdd (fxz TEXT, tdd TEXT);
CREATE TABLE zq_yhm (yhm TEXT COLLATE NOCASE, mm TEXT, mac TEXT COLLATE NOCASE, qx TEXT, bm TEXT);
CREATE TABLE zq_kd (id INTEGER PRIMARY KEY AUTOINCREMENT, kdmc TEXT COLLATE NOCASE,
  jjrx TEXT, jjry TEXT, jjdwx TEXT, jjdwy TEXT, jjdzx TEXT, jjdzy TEXT, jjdhx TEXT, jjdhy TEXT,
  sjrx TEXT, sjry TEXT, sjdwx TEXT, sjdwy TEXT, sjdzx TEXT, sjdzy TEXT, sjdhx TEXT, sjdhy TEXT);
CREATE TABLE config (khmc TEXT, dz TEXT, lxr TEXT, lxdh TEXT, cz TEXT, url TEXT, bz TEXT);
INSERT INTO zq_zk(zkmc, zk) VALUES ('不打折', '1'), ('98折', '0.98'), ('95折', '0.95');
)SQL";

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
    auto* collator = new QCollator(QLocale(QLocale::Chinese, QLocale::China));
    const int rc = sqlite3_create_collation_v2(connection.handle(), TDM::kNameCollation, SQLITE_UTF16_ALIGNED, collator,
                                               &compareNames, [](void* c) { delete static_cast<QCollator*>(c); });
    if (rc != SQLITE_OK) connection.fail(rc, "adding the name collation");
}

}  // namespace

TDM::TDM() = default;

TDM::~TDM()
{
    ADOsel.close();
    ADOadd.close();
    ADOCn.close();
}

void TDM::createSchema()
{
    db::Transaction t(ADOCn);
    ADOCn.executeScript(kSchema);
    ADOCn.setUserVersion(kSchemaVersion);
    t.commit();
}

void TDM::Connect()
{
    const std::string path = app::kDatabaseFile;
    const std::string shown = "数据库文件 " + path;
    try {
        const db::FileKind kind = db::SniffFile(path);
        if (kind == db::FileKind::Access)
            throw EDatabaseError(shown + " 是 Access 数据库文件。本程序不读取 Access 文件，请换用本程序建立的数据库文件。");
        if (kind == db::FileKind::Missing) {
            ADOCn.open(path, db::Database::OpenMode::ReadWriteCreate);
            addNameCollation(ADOCn);
            try {
                createSchema();
            } catch (...) {
                // Leave no half-made file behind for the next start.
                ADOCn.close();
                std::remove(path.c_str());
                throw;
            }
            return;
        }
        ADOCn.open(path, db::Database::OpenMode::ReadWrite);
        addNameCollation(ADOCn);
        const int version = ADOCn.userVersion();
        if (version == 0 && ADOCn.scalar("SELECT COUNT(*) FROM sqlite_master").asInt64() == 0) {
            createSchema();
        } else if (version != kSchemaVersion) {
            ADOCn.close();
            throw EDatabaseError(shown + " 的版本（" + IntToStr(version) + "）本程序不认识。");
        }
    } catch (const ENotADatabase&) {
        ADOCn.close();
        throw EDatabaseError(shown + " 不是本程序的数据库文件（SQLite），无法打开。");
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
    // It may have passed: a lock another program held at start-up kept the
    // session failing long after the file was free.
    Connect();
    if (OnReconnected) OnReconnected();
}

db::Query& TDM::Read(std::string sql, db::Params params)
{
    requireConnection();
    ADOsel.close();
    ADOsel.setSql(std::move(sql), std::move(params));
    ADOsel.open();
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
    requireConnection();
    db::Transaction t(ADOCn);
    if (!Read(std::move(existsSql), std::move(existsParams)).eof()) return false;
    Write(std::move(insertSql), std::move(values));
    t.commit();
    return true;
}
