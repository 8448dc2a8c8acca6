#pragma once
// An SQLite file of orders for preparing the order sheet: the fixture's
// two orders, the company row, and an order "ZEZO-LINES" with any number
// of lines (names from fixed lists, prices with two decimals, whole
// quantities). Shared by the engine tests and the engine benchmark.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Database.h"

namespace order_lines {

inline const char* const kOrder = "ZEZO-LINES";

inline std::string readText(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The two datasets of the order sheet for one order.
inline std::string masterSql(const std::string& bh = kOrder)
{
    return "select * from zq_dd where bh='" + bh + "'";
}
inline std::string detailSql(const std::string& bh = kOrder)
{
    return "select * from zq_ddmx where bh='" + bh + "' order by id";
}

struct OrderFile {
    std::string path;

    // `lines` lines; with `longNames` the product names run from 10 to 60
    // characters, so that about a third of them wrap in their column.
    OrderFile(const std::string& fixtureSql, int lines, bool longNames = false)
    {
        static int serial = 0;
        path = (std::filesystem::temp_directory_path() /
                ("engine_orders_" + std::to_string(::getpid()) + "_" + std::to_string(++serial) + ".db"))
                   .string();
        std::filesystem::remove(path);
        db::Database db(path, db::Database::OpenMode::ReadWriteCreate);
        db.execute("PRAGMA synchronous = OFF");
        db.executeScript(readText(fixtureSql));
        db.execute("INSERT INTO zq_dd (bh, khmc, khdz, lxdh, lxr, zdr, kssj, zk, zsl, je, bz, fjmc, fjje) VALUES "
                   "('ZEZO-LINES', '华东机电设备有限公司', '上海市浦东新区张江路1号', '021-55556666', '孙七', "
                   "'张三', '2026-12-08', '1', '" + std::to_string(lines) + "', '100', '月底结算', '运费', '12')");
        if (lines <= 0) return;
        const std::string name = longNames
                                     ? "substr('不锈钢六角螺栓加长型配套垫片及螺母组合装工业级高强度防锈处理适用于户外"
                                       "钢结构安装使用规格齐全', 1, 10 + (i * 7) % 51)"
                                     : "substr('螺丝垫片螺母铆钉弹簧', 1 + i % 5, 2 + i % 3)";
        db.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                   std::to_string(lines) +
                   ") INSERT INTO zq_ddmx (ddid, bh, leibie, cp, cpgg, dj, sl, dw, je, bz, khmc, tjsj) "
                   "SELECT '3', 'ZEZO-LINES', '五金', " + name +
                   ", 'M' || (4 + i % 9) || '×' || (10 + i % 40), "
                   "(1 + i % 50) || '.' || substr('0' || (i % 100), -2, 2), "
                   "(1 + i % 9), substr('个盒袋包箱', 1 + i % 5, 1), '', '', '华东机电设备有限公司', "
                   "'2026-12-08 10:00:00' FROM n");
    }
    ~OrderFile() { std::filesystem::remove(path); }
    OrderFile(const OrderFile&) = delete;
    OrderFile& operator=(const OrderFile&) = delete;
};

}  // namespace order_lines
