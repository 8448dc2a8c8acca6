// The shipping order program.
#include "Startup.h"

int main(int argc, char** argv) { return app::RunProgram(argc, argv); }
