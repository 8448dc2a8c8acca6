#pragma once
// The start-up sequence: the data module, then every form once, in a fixed
// order, each creation guarded so that an error is shown and start-up goes
// on; the login form last, which shows itself.

namespace app {

void CreateForms();
// Frees what CreateForms made, the login form first (tests, program end).
void DestroyForms();
// The whole program: start-up, event loop, clean-up; returns the exit code.
int RunProgram(int argc, char** argv);

}  // namespace app
