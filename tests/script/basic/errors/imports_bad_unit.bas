imports "unit_bad.bas"
