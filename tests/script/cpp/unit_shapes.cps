// A unit: declarations only.
#define PI2 6.2832
float Area(float r) { return PI2 * r * r / 2; }
