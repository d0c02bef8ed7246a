// The program body: splash, the creation of every window in its fixed
// order, and the message loop.
#pragma once

int runProgram(int &argc, char **argv);
