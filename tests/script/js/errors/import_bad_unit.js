import "unit_bad.js";
