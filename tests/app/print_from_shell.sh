#!/usr/bin/env bash
# The real program driven from a UI script as a user drives it: log in,
# list the orders, pick one in the grid, open its order sheet from the
# grid's pop-up menu, print it from the preview through the print dialog to
# a file, then its waybill in the same session, and read the PDFs. A script
# whose next line cannot happen ends with exit code 3, soon.
set -euo pipefail
program="$1"
fixture="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

cd "$work"
echo quit > script
DORVAK_UI_SCRIPT=script "$program" 2> log || { cat log; echo "program failed to start"; exit 1; }
# A user admin with the password 123, the fixture's orders and company row.
{
  echo "INSERT INTO zq_yhm(yhm, mm) VALUES('admin', '202CB962AC59075B964B07152D234B70');"
  sed -n '/^INSERT INTO/,$p' "$fixture"
  echo "INSERT INTO zq_kd(kdmc, sjdzx, sjdzy) VALUES('顺丰', '2', '3');"
} | sqlite3 dorvak.db

cat > script <<SCRIPT
type Fdl/Ed_yhm admin
type Fdl/Ed_mm 123
click Fdl/Button1
select fmain/trlb 产品出库管理系统
select fmain/StringGrid1 ZEZO-2026-12-06-093000
click fmain/N25
press PrintB
modal accept TrpPreviewForm
fill FileCB 1
modal accept TrpPrintDialog
file ok $work/order.pdf
click fmain/N10
select Fdy/ComboBox1 顺丰
click Fdy/Button1
press PrintB
modal accept TrpPreviewForm
fill FileCB 1
modal accept TrpPrintDialog
file ok $work/waybill.pdf
quit
SCRIPT
timeout 120 env DORVAK_UI_SCRIPT=script "$program" 2> log || { cat log; echo "printing failed"; exit 1; }
# The print dialog keeps the name given and writes PDF into it.
pdf="$work/order.pdf"
[ -f "$pdf" ] || { cat log; echo "no $pdf"; exit 1; }
[ "$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')" = 1 ] || { pdfinfo "$pdf"; echo "expected one page"; exit 1; }
pdfinfo "$pdf" | grep -q 'Page size:.*(A4)' || { pdfinfo "$pdf"; echo "expected A4"; exit 1; }
text="$(pdftotext -layout "$pdf" -)"
for expected in 特瓦克物流发货单 ZEZO-2026-12-06-093000 华南贸易有限公司 螺丝 37.5 47.5 '联系电话：0755-12345678'; do
  grep -qF -- "$expected" <<< "$text" || { echo "$text"; echo "missing: $expected"; exit 1; }
done
waybill="$(pdftotext -layout "$work/waybill.pdf" -)" || { cat log; echo "no waybill"; exit 1; }
for expected in 华南贸易有限公司 特瓦克物流; do
  grep -qF -- "$expected" <<< "$waybill" || { echo "$waybill"; echo "waybill missing: $expected"; exit 1; }
done

# Nothing will ever show this box: the run ends with 3 instead of waiting.
cat > script <<SCRIPT
type Fdl/Ed_yhm admin
type Fdl/Ed_mm 123
click Fdl/Button1
box ok 没有这个提示
quit
SCRIPT
rc=0
timeout 60 env DORVAK_UI_IDLE_SECONDS=1 DORVAK_UI_SCRIPT=script "$program" 2> log || rc=$?
[ "$rc" = 3 ] || { cat log; echo "expected exit code 3, got $rc"; exit 1; }
grep -qF 'waited' log || { cat log; echo "the wait is not reported"; exit 1; }
echo ok
