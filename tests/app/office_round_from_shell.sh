#!/usr/bin/env bash
# The real program driven from UI scripts through an office's round, once
# on its SQLite file and once on the tests' PostgreSQL server (the setting
# in dorvak.ini): the first user, the catalogue through its dialogs, the
# company, two orders begun in the same second, an edit, both printouts,
# and a restart that prints again. Every stored value and every printed
# text must be the same on both. Then two programs at once on the server
# each enter their orders, and both are stored.
# Exit 77 (skipped) where the tests' server is not running.
source "$(dirname "$0")/server_shell.sh"
export DORVAK_ADAPTER_ADDRESS=00-11-22-33-44-55

login='type Fdl/Ed_yhm admin
type Fdl/Ed_mm 123
click Fdl/Button1
select fmain/trlb 产品出库管理系统'
# Prints from the preview through the print dialog into a PDF.
print_to() { printf 'press PrintB\nmodal accept TrpPreviewForm\nfill FileCB 1\nmodal accept TrpPrintDialog\nfile ok %s\n' "$1"; }

# The catalogue is one modal window whose add dialogs open inside it: its
# own steps come first, then those of each dialog in the order they open.
cat > "$work/first.txt" <<SCRIPT
type Fdl/Edit1 admin
type Fdl/Edit3 123
type Fdl/Edit4 123
click Fdl/Button3
$login
click fmain/N21
select trlb 产品
press N4
select trlb 产品
press N4
select trlb 产品
select trlb 牛奶
press N2
select trlb 面包
press N2
select trlb 牛奶
select trlb 鲜奶
press N3
press N3
select trlb 面包
select trlb 吐司
press N3
modal accept Fchanpin
fill Ed_cpm 牛奶
fill m_cpjs 冷藏
press Button1
modal accept Faddleibie
fill Ed_cpm 面包
fill m_cpjs 常温
press Button1
modal accept Faddleibie
fill Ed_cpm 鲜奶
press Button1
modal accept Faddcp
fill Ed_cpm 吐司
press Button1
modal accept Faddcp
fill Ed_ggm 250ml
fill Ed_dw 瓶
fill Ed_jg 3
press Button1
modal accept Faddgg
fill Ed_ggm 1L
fill Ed_dw 盒
fill Ed_jg 10.5
press Button1
modal accept Faddgg
fill Ed_ggm 全麦
fill Ed_dw 袋
fill Ed_jg 8
press Button1
modal accept Faddgg
click fmain/N3
fill Edit1 特瓦克物流
fill Edit2 深圳市南山区科技园8栋
fill Edit3 李四
fill Edit4 0755-12345678
press Button1
modal accept Fsys
click fmain/N16
fill Ed_khmc 华南贸易有限公司
fill Ed_khdz 广州市天河区体育西路100号
fill Ed_lxdh 020-88886666
fill ed_lxr 王经理
fill Ed_zdr 张三
fill Ed_fjmc 运费
fill Ed_fjje 5
select Cb_lb 牛奶
select Cb_pz 鲜奶
select Cb_gg 250ml
fill Ed_mrsl 3
press Button7
select Cb_lb 面包
select Cb_pz 吐司
select Cb_gg 全麦
fill Ed_mrsl 2
press Button7
press Button1
modal accept Fluru
click fmain/N16
fill Ed_khmc 北方五金
fill Ed_zdr 赵六
select Cb_lb 牛奶
select Cb_pz 鲜奶
select Cb_gg 1L
fill Ed_mrsl 4
press Button7
press Button1
modal accept Fluru
quit
SCRIPT

first=ZEZO-2026-12-06-093000
{
  echo "$login"
  echo "select fmain/StringGrid1 $first"
  printf 'click fmain/N22\nselect Cb_lb 牛奶\nselect Cb_pz 鲜奶\nselect Cb_gg 1L\nfill Ed_mrsl 1\npress Button7\n'
  printf 'fill Ed_lxdh 020-88886667\npress Button1\nmodal accept Fluru\n'
  echo "select fmain/trlb 产品出库管理系统"
  echo "select fmain/StringGrid1 $first"
  echo "click fmain/N25"
  print_to "@DIR@/order.pdf"
  echo "select fmain/StringGrid1 $first"
  echo "click fmain/N10"
  echo "click Fdy/Button2"
  echo "type Fdy/Ed_kdmc 顺丰"
  # The sender's four texts down the left, the recipient's down the middle.
  for side in jj:2 sj:11; do
    for place in r:2 dw:3.5 dz:5 dh:6.5; do
      field="${side%:*}${place%:*}"
      printf 'type Fdy/Ed_%sx %s\ntype Fdy/Ed_%sy %s\n' "$field" "${side#*:}" "$field" "${place#*:}"
    done
  done
  echo "click Fdy/Button3"
  echo "click Fdy/Button1"
  print_to "@DIR@/waybill.pdf"
  echo quit
} > "$work/second.txt"

{
  echo "$login"
  echo "select fmain/StringGrid1 ZEZO-2026-12-06-093001"
  echo "click fmain/N25"
  print_to "@DIR@/again.pdf"
  echo quit
} > "$work/restart.txt"

# run FOLDER CLOCK SCRIPT
run() {
  sed "s|@DIR@|$1|g" "$work/$3" > "$1/$3"
  (cd "$1" && timeout 120 env DORVAK_CLOCK="2026-12-06 $2" DORVAK_UI_SCRIPT="$3" "$program" 2> "$3.log") ||
    { cat "$1/$3.log"; fail "$3 failed in $1"; }
}

# Every stored value of every table, in id order, as the shell clients
# show them (a Null is <null>); the server's own row number is left out.
dump_file() {
  local t cols key
  for t in $(sqlite3 "$1" "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%' ORDER BY name"); do
    cols="$(sqlite3 "$1" "SELECT group_concat(name, ', ') FROM pragma_table_info('$t')")"
    key=rowid; [[ ", $cols," == *", id,"* ]] && key=id
    echo "== $t"
    sqlite3 -batch -noheader -separator '|' -nullvalue '<null>' "$1" "SELECT $cols FROM $t ORDER BY $key"
  done
}
dump_server() {
  local t cols key
  for t in $(psql -X -A -t "$1" -c "SELECT tablename FROM pg_tables WHERE schemaname = 'public' AND tablename <> 'dorvak_version' ORDER BY tablename COLLATE \"C\""); do
    cols="$(psql -X -A -t "$1" -c "SELECT string_agg(column_name, ', ' ORDER BY ordinal_position) FROM information_schema.columns WHERE table_schema = 'public' AND table_name = '$t' AND column_name <> 'rowid'")"
    key=rowid; [[ ", $cols," == *", id,"* ]] && key=id
    echo "== $t"
    psql -X -A -t -F '|' -P null='<null>' "$1" -c "SELECT $cols FROM $t ORDER BY $key"
  done
}
text_of() { pdftotext -layout "$1" - 2>/dev/null || fail "no PDF $1"; }

mkdir "$work/file" "$work/server"
printf '[Database]\nConnection=%s\n' "$target" > "$work/server/dorvak.ini"
for side in file server; do
  run "$work/$side" 09:30:00 first.txt
  run "$work/$side" 10:00:00 second.txt
  run "$work/$side" 10:30:00 restart.txt
done
[ ! -e "$work/server/dorvak.db" ] || fail "a dorvak.db was made although the setting names a server"

dump_file "$work/file/dorvak.db" > "$work/file.txt"
dump_server "$target" > "$work/server.txt"
diff "$work/file.txt" "$work/server.txt" || fail "the server stores other values than the file"
for expected in \
  "$first|未付款|华南贸易有限公司|广州市天河区体育西路100号|020-88886667|王经理|张三|2026-12-06|不打折|6|35.5|35.5||运费|5|" \
  "ZEZO-2026-12-06-093001|未付款|北方五金||||赵六|2026-12-06|不打折|4|42|42||||" \
  "牛奶|鲜奶|1L|10.5|1|盒|10.5||华南贸易有限公司|未付款|2026-12-06 10:00:00" \
  "1L||鲜奶|盒|10.5|牛奶" "牛奶|冷藏" "面包|常温" "特瓦克物流|深圳市南山区科技园8栋|李四|0755-12345678|||" \
  "顺丰|2|2|2|3.5|2|5|2|6.5|11|2|11|3.5|11|5|11|6.5" "admin|202CB962AC59075B964B07152D234B70|"; do
  grep -qF -- "$expected" "$work/file.txt" || { cat "$work/file.txt"; fail "not stored: $expected"; }
done

for pdf in order waybill again; do
  [ "$(text_of "$work/file/$pdf.pdf")" = "$(text_of "$work/server/$pdf.pdf")" ] ||
    { diff <(text_of "$work/file/$pdf.pdf") <(text_of "$work/server/$pdf.pdf"); fail "$pdf.pdf prints otherwise on the server"; }
done
order="$(text_of "$work/server/order.pdf")"
for expected in 特瓦克物流发货单 "$first" 华南贸易有限公司 全麦 10.5 40.5 '联系电话：0755-12345678'; do
  grep -qF -- "$expected" <<< "$order" || { echo "$order"; fail "the order sheet misses: $expected"; }
done
waybill="$(text_of "$work/server/waybill.pdf")"
for expected in 王经理 华南贸易有限公司 广州市天河区体育西路100号 020-88886667 李四 特瓦克物流 深圳市南山区科技园8栋 0755-12345678; do
  grep -qF -- "$expected" <<< "$waybill" || { echo "$waybill"; fail "the waybill misses: $expected"; }
done
grep -qF 北方五金 <(text_of "$work/server/again.pdf") || fail "the order sheet after the restart misses its customer"

# Two workstations at once, each entering three orders: their clocks ten
# seconds apart, so that no number is taken twice and no box comes.
for who in 甲 乙; do
  {
    echo "$login"
    for n in 1 2 3; do
      printf 'click fmain/N16\nfill Ed_khmc %s客户%s\nfill Ed_zdr %s\n' "$who" "$n" "$who"
      for k in $(seq "$n"); do printf 'select Cb_lb 面包\nselect Cb_pz 吐司\nselect Cb_gg 全麦\nfill Ed_mrsl %s\npress Button7\n' "$k"; done
      printf 'press Button1\nmodal accept Fluru\n'
    done
    echo quit
  } > "$work/$who.txt"
  mkdir "$work/$who"
  cp "$work/server/dorvak.ini" "$work/$who/"
done
run "$work/甲" 11:00:00 甲.txt & a=$!
run "$work/乙" 11:00:10 乙.txt & b=$!
wait $a || fail "the first workstation failed"
wait $b || fail "the second workstation failed"
stored="$(psql -X -A -t -F '|' "$target" -c "SELECT d.zdr, d.khmc, d.zsl, d.je, COUNT(m.id), SUM(CAST(m.sl AS INTEGER))
  FROM zq_dd d JOIN zq_ddmx m ON m.bh = d.bh AND m.ddid = CAST(d.id AS TEXT) WHERE d.zdr IN ('甲', '乙')
  GROUP BY d.id ORDER BY d.khmc COLLATE \"C\"")"
expected="乙|乙客户1|1|8|1|1
乙|乙客户2|3|24|2|3
乙|乙客户3|6|48|3|6
甲|甲客户1|1|8|1|1
甲|甲客户2|3|24|2|3
甲|甲客户3|6|48|3|6"
[ "$stored" = "$expected" ] || { echo "$stored"; fail "the two workstations' orders are not stored as entered"; }
echo ok
