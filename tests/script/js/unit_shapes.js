// A unit: declarations only.
var Pi2 = 6.2832;
function Area(r) { return Pi2 * r * r / 2 }
