// The process's command line as GetCommandLineW gives it on Linux.
#pragma once

// Keeps argv as one wide command line: the program name quoted, then the
// arguments separated by single spaces (UTF-8 decoded).
void platformSetCommandLine(int argc, char** argv);
