// The program body: splash, the creation of every window in its fixed
// order, and the message loop.
#pragma once

int runProgram(int &argc, char **argv);

// Checked before anything else: without the GBK converter the program shows
// why in the standard error box and does not start. True when it may start.
bool codepageReady();
