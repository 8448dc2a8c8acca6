import "unit_shapes.js", "unit_more.js"
Area(2);
