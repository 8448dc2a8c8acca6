imports "unit_shapes.bas", "unit_more.bas"
Area(2)
