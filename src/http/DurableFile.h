#pragma once
// Writes that survive a power cut: a file's content reaches the disk before
// anything (its time, its name) says it is complete, and a finished file
// takes its place in one step.
#include <cstdio>
#include <string>

// Flushes the stream's buffer and the system's cache of the file to the
// disk; false when either fails.
bool FlushToDisk(std::FILE* file);

// Moves from over to in one call that replaces an existing file and returns
// only when the move is on the disk; false with the system's error. The
// name to changes from one file to the other at once: at no moment is
// nothing there.
bool ReplaceFileDurably(const std::string& from, const std::string& to);

// The refusals of ReplaceFileDurably that mean the file it would replace is
// held open (a running program, a loaded DLL): such a file cannot be
// replaced or deleted, but it can still be renamed.
bool IsHeldOpenError(unsigned long error);
