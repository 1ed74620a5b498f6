#pragma once

struct CommandLineRequest;

// Runs --export, --import-list or --restore without a window (and without
// a display). The data folder's lock is taken first, so that no copy of
// the program starts on the files meanwhile; while a copy runs,
// --import-list and --restore refuse. Returns the exit code.
int RunStudyDataCommand(int argc, char** argv, const CommandLineRequest& request);
