imports "unit_shapes.bas"
dim Count as integer
