#pragma once
// The tables of the order database, as the program makes them on first
// start, on an SQLite file or on a server alike (dbcopy makes them too).

#include "Schema.h"

namespace app {

// Every application column is text: what was typed is what is read back.
// Names compare without case, as the old engine did.
inline const db::Schema& OrderDatabaseSchema()
{
    using db::ColumnKind;
    constexpr ColumnKind Id = ColumnKind::Id, T = ColumnKind::Text, N = ColumnKind::NoCaseText;
    static const db::Schema schema{
        {
            {"zq_dd",
             {{"id", Id}, {"bh", N}, {"zt", N, "未付款"}, {"khmc", N}, {"khdz", N}, {"lxdh", N}, {"lxr", N}, {"zdr", N}, {"kssj", T},
              {"zk", N}, {"zsl", T}, {"je", T}, {"je2", T}, {"bz", T}, {"fjmc", T}, {"fjje", T}, {"xsd", T}}},
            {"zq_ddmx",
             {{"id", Id}, {"ddid", T}, {"bh", N}, {"leibie", N}, {"cp", N}, {"cpgg", N}, {"dj", T}, {"sl", T}, {"dw", T}, {"je", T},
              {"bz", T}, {"khmc", N}, {"zt", T, "未付款"}, {"tjsj", T, std::nullopt, true}}},
            {"zq_leibie", {{"id", Id}, {"leibie", N}, {"jieshao", T}}},
            {"zq_cpm", {{"id", Id}, {"cpm", N}, {"js", T}, {"leibie", N}}},
            {"zq_cpgg", {{"id", Id}, {"cpgg", N}, {"js", T}, {"cpm", N}, {"dw", T}, {"jg", T}, {"leibie", N}}},
            {"zq_zk", {{"zkmc", N}, {"zk", T}}},
            {"zq_km", {{"id", Id}, {"km", T}, {"bj", T}}},
            {"zq_tdd", {{"fxz", T}, {"tdd", T}}},
            {"zq_yhm", {{"yhm", N}, {"mm", T}, {"mac", N}, {"qx", T}, {"bm", T}}},
            {"zq_kd",
             {{"id", Id}, {"kdmc", N}, {"jjrx", T}, {"jjry", T}, {"jjdwx", T}, {"jjdwy", T}, {"jjdzx", T}, {"jjdzy", T}, {"jjdhx", T},
              {"jjdhy", T}, {"sjrx", T}, {"sjry", T}, {"sjdwx", T}, {"sjdwy", T}, {"sjdzx", T}, {"sjdzy", T}, {"sjdhx", T},
              {"sjdhy", T}}},
            {"config", {{"khmc", T}, {"dz", T}, {"lxr", T}, {"lxdh", T}, {"cz", T}, {"url", T}, {"bz", T}}},
        },
        {
            // Two stations cannot store one order number.
            {"zq_dd_bh", "zq_dd", {"bh"}, true},
            {"zq_ddmx_bh", "zq_ddmx", {"bh"}},
            {"zq_ddmx_lb", "zq_ddmx", {"leibie", "cp", "cpgg"}},
            // Lists a category newest first without sorting (the index ends in the row id).
            {"zq_ddmx_leibie", "zq_ddmx", {"leibie"}},
            {"zq_ddmx_cp", "zq_ddmx", {"cp"}},
            {"zq_cpm_lb", "zq_cpm", {"leibie"}},
            {"zq_cpgg_lc", "zq_cpgg", {"leibie", "cpm"}},
        }};
    return schema;
}

// The rows a new database starts with.
inline constexpr const char* kOrderDatabaseSeed = "INSERT INTO zq_zk(zkmc, zk) VALUES ('不打折', '1'), ('98折', '0.98'), ('95折', '0.95');";

inline constexpr int kOrderSchemaVersion = 1;

}  // namespace app
