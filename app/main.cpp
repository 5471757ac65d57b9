#include "app/Program.h"

int main(int argc, char** argv) { return nulvane::RunProgram(argc, argv); }
