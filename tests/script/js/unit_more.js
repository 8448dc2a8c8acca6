import "unit_shapes.js";
var Count;
